// CNonParamMannKruskalKS: rank tests of one or more data fields across the
// samples that one compare field splits the rows into, within each group of
// group-field values. Two samples (the first two values of the compare
// field): the Mann-Whitney U test, plain and corrected for ties, and the
// two-sample Kolmogorov-Smirnov test. Any number of samples: the
// Kruskal-Wallis H test, plain and corrected for ties, with an optional
// detail table of each sample's rank sum.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "engine/level_list.h"

namespace qrv {

class Quorvane;
struct RankSamples;

class CNonParamMannKruskalKS : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the group fields, the compare
    // field at intComparePosition (one past the group fields), the
    // intDataFields data fields, then the weight field when weighted. An
    // empty strDetailTable writes no detail table. The two-sample table is
    // written when fMann or fKS is on, else the Kruskal-Wallis table when
    // fKruskal is. Returns the text of the failure that stopped the run,
    // empty on success.
    std::string Quorvane_MannKSKruskal(const std::string& strOutputTable,
                                       const std::string& strDetailTable,
                                       const std::string& strUserTable,
                                       const std::vector<std::string>& strFields,
                                       int intComparePosition, int intDataFields, bool fWeighted,
                                       bool fMann, bool fKS, bool fKruskal, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::string BeforeWalk() override;
    std::string CreateMannKS();
    std::string CreateKruskalWallis();
    std::string CreateKruskalDetail();
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;
    std::string WriteMannKS(RankSamples& g, const std::vector<dao::Value>& group, int k);
    std::string WriteKruskalWallis(RankSamples& g, const std::vector<dao::Value>& group, int k,
                                   long records);

    bool twoSample() const { return mann_ || ks_; }
    const std::string& DataName(int k) const;

    std::string outputTable_, detailTable_;
    int G_ = 0, K_ = 0;
    bool weighted_ = false, mann_ = false, ks_ = false, kruskal_ = false;
    std::string compareName_;
    // The two-sample table's columns of the samples' compare values.
    std::array<std::string, 2> sampleColumns_;
    LevelList samples_;          // the compare values; the first two are the two samples
    bool missingShown_ = false;  // the missing-sample message of the run
    dao::Recordset detail_;
    // The detail table's leading columns: the group fields and the compare
    // field as one more.
    std::vector<std::string> detailNames_;
    std::vector<int> detailTypes_;
    std::vector<long> detailSizes_;
};

}  // namespace qrv
