// Descriptive statistics: the run, the per-record sums and the output row of
// every field of every group.
#include "analyses/parametric/describe.h"

#include <cmath>

#include "dataaccess/types.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/distributions.h"
#include "numeric/moments.h"

namespace qrv {

using namespace qrv::dao;
using num::Extended;
using num::Moments;

namespace {

// Percentile columns of a type: (column name, cut point index from 1).
std::vector<std::pair<std::string, int>> percentileColumns(char type) {
    std::vector<std::pair<std::string, int>> cols;
    switch (type) {
        case 'M':
            cols.emplace_back("Median", 1);
            break;
        case 'Q':
            for (int j = 1; j <= 3; ++j)
                cols.emplace_back(std::to_string(25 * j) + "_Percentile", j);
            break;
        case '5':
            for (int j = 1; j <= 4; ++j)
                cols.emplace_back(std::to_string(20 * j) + "_Percentile", j);
            break;
        case 'D':
            for (int j = 1; j <= 9; ++j)
                cols.emplace_back(std::to_string(10 * j) + "_Percentile", j);
            break;
        case 'P':
            for (int j = 1; j <= 99; ++j) cols.emplace_back(std::to_string(j) + "_Percentile", j);
            break;
        default:
            break;
    }
    return cols;
}

// The sums of one group: moments and interval weights per field.
struct DescribeGroup : GroupState {
    std::vector<Moments> moments;
    std::vector<std::vector<Extended>> freq;  // [field][interval 1..K+2 at 0..K+1]

    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const DescribeGroup&>(other);
        for (size_t i = 0; i < moments.size(); ++i) moments[i].merge(o.moments[i]);
        for (size_t i = 0; i < freq.size(); ++i)
            for (size_t b = 0; b < freq[i].size(); ++b) freq[i][b] += o.freq[i][b];
    }
};

}  // namespace

std::string CDescribe::Quorvane_Describe(const DescribeArgs& args, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Describe");
    a_ = &args;
    parts_ = SortTable::PartsOf(args.percentileType);
    percentiles_ = parts_ > 0;
    sortNeeded_ = args.mode || percentiles_;
    return Run(engine, {args.input, args.fields, args.groups, args.analysisFields, args.weighted},
               sortNeeded_ ? Walk::SortedValues : Walk::Hashed);
}

std::string CDescribe::BeforeWalk() {
    if (a_->intervalType == 'N') {
        num::CZValue z;
        if (a_->ci95) z95_ = z.Quorvane_FindValue("Z", 0.95, 0, 0, false);
        if (a_->userLevel > 0) zU_ = z.Quorvane_FindValue("Z", a_->userLevel / 100.0, 0, 0, false);
    }
    return {};
}

std::string CDescribe::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    const DescribeArgs& a = *a_;
    TableDef def = NewOutputTable(a.outputTable);
    AddCountColumns(def);
    auto add = [&](const std::string& name) { AddColumn(def, name, dbDouble); };
    add("Mean");
    if (a.range)
        for (const char* c : {"Minimum", "Maximum", "Range"}) add(c);
    if (!a.varMethod.empty())
        for (const char* c : {"Variance", "CoeffOfVariance", "StdDeviation", "StdError"}) add(c);
    if (a.sums)
        for (const char* c : {"Sum", "SumSquared", "AdjSumSquared"}) add(c);
    if (a.otherMeans)
        for (const char* c : {"GeometricMean", "HarmonicMean", "RMS"}) add(c);
    if (a.skew)
        for (const char* c : {"Skewness", "SE_Skewness", "Kurtosis", "SE_Kurtosis"}) add(c);
    if (a.mode)
        for (const char* c : {"Mode", "ModeCount"}) add(c);
    if (a.intervalType == 't' || a.intervalType == 'N') {
        const std::string type(1, a.intervalType);
        if (a.intervalType == 'N') add("Population_StdDev");
        // The band columns' names, made once for every row.
        auto bandColumns = [&](const std::string& level) {
            BandColumns names{level + "%_" + type + "_Band", level + "%_Lower", level + "%_Upper"};
            for (const std::string* c : {&names.band, &names.lower, &names.upper}) add(*c);
            return names;
        };
        if (a.ci95) band95_ = bandColumns("95");
        if (a.userLevel > 0) bandUser_ = bandColumns(std::to_string(a.userLevel));
    }
    if (a.tTest)
        for (const char* c : {"Population_Mean", "t-Value", "Prob_(1-Tail)", "Prob_(2-Tail)"})
            add(c);
    percentileColumns_ = percentileColumns(a.percentileType);
    for (const auto& [name, cut] : percentileColumns_) add(name);
    if (a.percentileType == 'Q') add("Quartile_Range");

    // Frequency flags and column names.
    const std::string& d = a.freqDescriptor;
    freqKind_ = d.empty() ? '-' : d[0];
    freqWanted_ = freqKind_ == 'N' || freqKind_ == 'P' || freqKind_ == 'B';
    if (freqWanted_) {
        if (d.size() < 5) return "Invalid frequency descriptor: " + d;
        if (!(a.width > 0)) return "Interval Width must be greater than zero";
        if (a.intervals < 1) return "The number of intervals must be at least 1";
        cumulative_ = d[2] == 'Y';
        lowerClosed_ = d[3] == 'Y';
        outer_ = d[4] == 'Y';
        freqNames_.clear();
        for (bool percent : {false, true})
            for (int b = 1; b <= a.intervals + 2; ++b)
                freqNames_.push_back(frequencyColumnName(b, percent));
        for (bool percent : {false, true}) {
            if (percent ? freqKind_ == 'N' : freqKind_ == 'P') continue;
            for (int b = 1; b <= a.intervals + 2; ++b) {
                if (!outer_ && (b == 1 || b == a.intervals + 2)) continue;
                add(freqNames_[static_cast<size_t>((percent ? a.intervals + 2 : 0) + b - 1)]);
            }
        }
    }
    return CreateOutputTable(def);
}

// Borders shown as Int(b * scale + 0.1) / scale, scale growing for narrow widths.
std::string CDescribe::frequencyColumnName(int b, bool percent) const {
    const DescribeArgs& a = *a_;
    const double scale = a.width >= 1 ? 1.0 : std::pow(10.0, 3 - std::floor(std::log10(a.width)));
    auto shown = [&](double border) {
        return numberToText(std::floor(border * scale + 0.1) / scale);
    };
    const std::string lowerSign = lowerClosed_ ? "<=" : "<";
    const std::string upperSign = lowerClosed_ ? "<" : "<=";
    const std::string sym = percent ? "%" : "N";
    const int K = a.intervals;
    if (b == 1) return sym + upperSign + shown(a.initial);
    if (b == K + 2) return shown(a.initial + K * a.width) + lowerSign + sym;
    const int k = b - 1;
    return shown(a.initial + (k - 1) * a.width) + lowerSign + sym + upperSign +
           shown(a.initial + k * a.width);
}

std::unique_ptr<GroupState> CDescribe::NewGroup() {
    const DescribeArgs& a = *a_;
    auto g = std::make_unique<DescribeGroup>();
    // The third and fourth powers cost more than the rest of a value's sums:
    // kept only for the shape statistics.
    const Moments::Powers powers = a.skew ? Moments::Powers::ToFourth : Moments::Powers::ToSecond;
    g->moments.assign(static_cast<size_t>(a.analysisFields), Moments(powers));
    if (freqWanted_)
        g->freq.assign(static_cast<size_t>(a.analysisFields),
                       std::vector<Extended>(static_cast<size_t>(a.intervals + 2)));
    return g;
}

int CDescribe::frequencyInterval(double x) const {
    const double t = (x - a_->initial) / a_->width;
    if (t < 0) return 1;
    const double b = lowerClosed_ ? std::floor(t) + 2 : std::ceil(t) + 1;
    return b > a_->intervals + 2 ? a_->intervals + 2 : static_cast<int>(b);
}

std::string CDescribe::AddRow(GroupState& state) {
    const DescribeArgs& a = *a_;
    auto& g = static_cast<DescribeGroup&>(state);
    double w = 1;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (w <= 0) return {};  // the record counts as missing for every field
    for (int i = 0; i < a.analysisFields; ++i) {
        std::optional<double> x;
        if (std::string e = reader().Usable(i, x); !e.empty()) return e;
        if (!x) continue;
        g.moments[static_cast<size_t>(i)].add(*x, w, a.otherMeans);
        if (freqWanted_)
            g.freq[static_cast<size_t>(i)][static_cast<size_t>(frequencyInterval(*x) - 1)] += w;
        if (sortNeeded_)
            if (Error e = g.values.Append(i + 1, *x, w)) return Unexpected(e);
    }
    return {};
}

std::string CDescribe::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                  long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    const DescribeArgs& a = *a_;
    auto& g = static_cast<DescribeGroup&>(state);
    const InputFields in = inputFields();
    num::CZValue z;
    for (int i = 0; i < a.analysisFields; ++i) {
        const Moments& m = g.moments[static_cast<size_t>(i)];
        RowWriter row(output());
        row.groups(in, group, a.fields[static_cast<size_t>(a.groups + i)]);
        const double n = m.n().toDouble();
        row.set("Count", n);
        if (a.weighted) row.set("Observations", static_cast<double>(m.count()));
        row.set("Missing", static_cast<int>(records - m.count()));
        const std::optional<double> sampleVar = num::variance(m, "N-1");
        const std::optional<double> sampleSd = num::stdDeviation(m, "N-1");
        // The mode and the cut points come from one read of the sorted values.
        SortTable::Mode md;
        std::vector<double> cuts;
        const int parts = percentiles_ && n > 1 ? parts_ : 0;
        if (a.mode || parts > 0)
            if (std::string e = g.values.Summarize(i + 1, a.mode ? &md : nullptr, a.weighted, parts,
                                                   m.n(), cuts);
                !e.empty())
                return e;
        // A statistic that is undefined or overflows is left Null.
        if (n > 0) {
            const std::optional<double> mean = num::mean(m);
            row.set("Mean", mean);
            if (a.range) {
                row.set("Minimum", m.min());
                row.set("Maximum", m.max());
                row.set("Range", m.max() - m.min());
            }
            if (!a.varMethod.empty()) {
                const std::optional<double> sd = num::stdDeviation(m, a.varMethod);
                row.set("Variance", num::variance(m, a.varMethod));
                if (sd && mean && *mean != 0) row.set("CoeffOfVariance", *sd / *mean);
                row.set("StdDeviation", sd);
                if (sd) row.set("StdError", *sd / std::sqrt(n));
            }
            if (a.sums) {
                row.set("Sum", num::sum(m));
                row.set("SumSquared", num::sumOfSquares(m));
                row.set("AdjSumSquared", num::centredSquares(m));
            }
            if (a.otherMeans) {
                row.set("GeometricMean", num::geometricMean(m));
                row.set("HarmonicMean", num::harmonicMean(m));
                row.set("RMS", num::rootMeanSquare(m));
            }
            if (a.skew && n > 2 && !m.constant()) {
                row.set("Skewness", num::skewness(m));
                const double seSkew = std::sqrt(6 * n * (n - 1) / ((n - 2) * (n + 1) * (n + 3)));
                row.set("SE_Skewness", seSkew);
                if (n > 3) {
                    row.set("Kurtosis", num::kurtosis(m));
                    row.set("SE_Kurtosis",
                            std::sqrt(4 * (n * n - 1) * seSkew * seSkew / ((n - 3) * (n + 5))));
                }
            }
            if (a.mode && md.count > 0) {
                row.set("ModeCount", md.count);
                if (md.unique) row.set("Mode", md.value);
            }
            if (parts > 0) {
                for (const auto& [name, cut] : percentileColumns_)
                    row.set(name, cuts[static_cast<size_t>(cut - 1)]);
                if (a.percentileType == 'Q') row.set("Quartile_Range", cuts[2] - cuts[0]);
            }
            auto band = [&](const BandColumns& names, double half) {
                row.set(names.band, half);
                if (!mean) return;
                row.set(names.lower, *mean - half);
                row.set(names.upper, half + *mean);
            };
            if (a.intervalType == 'N') {
                const double sigma = a.popStdDevs.at(static_cast<size_t>(i));
                row.set("Population_StdDev", sigma);
                if (a.ci95) band(band95_, sigma * z95_ / std::sqrt(n));
                if (a.userLevel > 0) band(bandUser_, sigma * zU_ / std::sqrt(n));
            } else if (a.intervalType == 't' && n > 1 && sampleVar) {
                const double se = *sampleVar == 0 ? 0 : std::sqrt(*sampleVar / n);
                if (a.ci95) band(band95_, z.Quorvane_FindValue("T", 0.05, n - 1, 0, false) * se);
                if (a.userLevel > 0) {
                    const float p = 1.0f - static_cast<float>(a.userLevel) / 100.0f;
                    band(bandUser_, z.Quorvane_FindValue("T", p, n - 1, 0, false) * se);
                }
            }
            if (a.tTest && mean && sampleSd && *sampleSd > 0) {
                const double mu = a.testMeans.at(static_cast<size_t>(i));
                // The mean's distance from mu without first rounding the mean:
                // far from zero the rounded mean keeps too few digits of it.
                const double diff = (Extended::sum(m.shift(), -mu) + m.meanOffset()).toDouble();
                const double t = diff * std::sqrt(n) / *sampleSd;
                const double p = z.Quorvane_CalcProb("T", t, n - 1, 0);
                row.set("Population_Mean", mu);
                row.set("t-Value", t);
                row.set("Prob_(1-Tail)", p / 2);
                row.set("Prob_(2-Tail)", p);
            }
            if (freqWanted_) {
                std::vector<Extended> cells = g.freq[static_cast<size_t>(i)];
                const int K = a.intervals;
                if (cumulative_) {
                    Extended running;
                    for (int b = outer_ ? 1 : 2; b <= K + 2; ++b) {
                        running += cells[static_cast<size_t>(b - 1)];
                        cells[static_cast<size_t>(b - 1)] = running;
                    }
                }
                for (int b = 1; b <= K + 2; ++b) {
                    if (!outer_ && (b == 1 || b == K + 2)) continue;
                    const double cell = cells[static_cast<size_t>(b - 1)].toDouble();
                    if (freqKind_ != 'P') row.set(freqNames_[static_cast<size_t>(b - 1)], cell);
                    if (freqKind_ != 'N')
                        row.set(freqNames_[static_cast<size_t>(K + 2 + b - 1)], cell / n);
                }
            }
        }
        if (Error e = row.finish()) return Unexpected(e);
    }
    return {};
}

}  // namespace qrv
