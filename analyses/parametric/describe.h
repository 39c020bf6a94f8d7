// CDescribe: descriptive statistics per group and field in one pass: count,
// mean, and on request range, variance, sums, other means, skewness and
// kurtosis, mode, confidence bands, a one-sample t-test, percentiles and a
// frequency distribution. Moments come from running sums; modes and
// percentiles from the scratch sort table.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"

namespace qrv {

class Quorvane;

struct DescribeArgs {
    std::string outputTable;
    std::string input;
    std::vector<std::string> fields;  // group fields, analysis fields, weight field
    int groups = 0;
    int analysisFields = 0;
    bool weighted = false;
    bool range = false;
    std::string varMethod;  // "N", "N-1", or empty for no variance block
    bool sums = false;
    bool otherMeans = false;
    bool skew = false;
    bool mode = false;
    char percentileType = '-';  // M, Q, 5, D, P or '-'
    char intervalType = '-';    // t, N or '-'
    bool ci95 = false;
    int userLevel = 0;               // percent; 0 for none
    std::vector<double> popStdDevs;  // per analysis field, for normal bands
    bool tTest = false;
    std::vector<double> testMeans;     // per analysis field
    std::string freqDescriptor = "-";  // five letters, or "-" for no frequencies
    int intervals = 0;
    double initial = 0;
    double width = 0;
};

class CDescribe : private AnalysisRun {
  public:
    std::string Quorvane_Describe(const DescribeArgs& args, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::string BeforeWalk() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;
    int frequencyInterval(double x) const;
    std::string frequencyColumnName(int interval, bool percent) const;

    const DescribeArgs* a_ = nullptr;
    bool percentiles_ = false, sortNeeded_ = false;
    bool freqWanted_ = false, cumulative_ = false, lowerClosed_ = true, outer_ = false;
    char freqKind_ = '-';
    int parts_ = 0;
    double z95_ = 0, zU_ = 0;
    std::vector<std::string> freqNames_;  // count names then percent names, K+2 each
    // Percentile columns: (name, cut point index from 1).
    std::vector<std::pair<std::string, int>> percentileColumns_;
    struct BandColumns {
        std::string band, lower, upper;
    };
    BandColumns band95_, bandUser_;  // confidence band columns
};

}  // namespace qrv
