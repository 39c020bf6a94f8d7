// The Kolmogorov-Smirnov fit: the largest differences between a group's
// empirical distribution and a uniform, normal or Poisson distribution
// fitted to the same values, the K-S Z statistic and its probability.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "analyses/nonparametric/sign_test.h"
#include "engine/quorvane.h"
#include "numeric/distributions.h"
#include "numeric/rank_statistics.h"

namespace qrv {

using namespace qrv::dao;

namespace {

enum FitType { kUniform, kNormal, kPoisson };
constexpr const char* kFitTypes[] = {"Uniform", "Normal", "Poisson"};

}  // namespace

std::string CNonParamSign::WriteDataFit(Group& g, int f, const std::vector<Value>& group,
                                        long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteDataFit");
    const num::Moments& m = g.m[static_cast<size_t>(f)];
    const double n = m.n().toDouble();
    // Equal values have exactly no spread, so no normal distribution is
    // fitted to them; a spread that overflows is none either.
    const double mean = num::mean(m).value_or(std::numeric_limits<double>::quiet_NaN());
    const double sd =
        num::stdDeviation(m, "N-1").value_or(std::numeric_limits<double>::quiet_NaN());

    for (int t = kUniform; t <= kPoisson; ++t) {
        if (!fitChoices_[static_cast<size_t>(t)]) continue;
        double positive = 0, negative = 0;
        bool defined = true;
        if (std::string e = CalcCompareFit(g, f, t, mean, sd, positive, negative, defined);
            !e.empty())
            return e;
        const num::KolmogorovSmirnov ks = num::ksFit(positive, negative, n);
        // Without spread there is no fitted distribution to compare with.
        auto fitted = [defined](double v) {
            return defined ? std::optional<double>(v) : std::nullopt;
        };
        Stats stats = {{"Mean", mean},
                       {"StdDeviation", sd},
                       {"Minimum", m.min()},
                       {"Maximum", m.max()},
                       {"Range", m.max() - m.min()},
                       {"Max_Absolute", fitted(ks.absolute)},
                       {"Max_Positive", fitted(ks.positive)},
                       {"Max_Negative", fitted(ks.negative)},
                       {"K-S_Z", fitted(ks.z)},
                       {"Prob", fitted(ks.p)}};
        if (Error e = WriteRow(group, f, m, records, kFitTypes[t], std::move(stats)))
            return Unexpected(e);
    }
    return {};
}

std::string CNonParamSign::CalcCompareFit(Group& g, int f, int type, double mean, double sd,
                                          double& maxPositive, double& maxNegative, bool& defined) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcCompareFit");
    const num::Moments& m = g.m[static_cast<size_t>(f)];
    maxPositive = -std::numeric_limits<double>::infinity();
    maxNegative = std::numeric_limits<double>::infinity();
    defined = !(type == kUniform && !(m.max() > m.min())) && !(type == kNormal && !(sd > 0)) &&
              std::isfinite(mean);
    if (!defined) return {};
    const double n = m.n().toDouble();
    num::RunningPoissonCdf poisson(mean);
    num::Extended running;
    // Each run holds the weight of one distinct value: the difference is taken
    // once all records of the value are in.
    TieRuns runs = g.values.Runs(f + 1);
    for (TieRun run; runs.Next(run);) {
        running += run.count;
        const double x = run.value;
        double fitted = 0;
        if (type == kUniform) {
            fitted = (x - m.min()) / (m.max() - m.min());
        } else if (type == kNormal) {
            // x's distance from the mean without rounding the mean first:
            // far from zero the rounded mean keeps too few of its digits.
            const double z = ((num::Extended::sum(x, -m.shift()) - m.meanOffset()) / sd).toDouble();
            const double p = num::CZValue().Quorvane_CalcProb("Z", std::fabs(z), 0, 0);
            fitted = z >= 0 ? 0.5 + p / 2 : 0.5 - p / 2;
        } else {
            fitted = poisson.at(x);
        }
        const double d = (running / n).toDouble() - fitted;
        maxPositive = std::max(maxPositive, d);
        maxNegative = std::min(maxNegative, d);
    }
    if (runs.error()) return Unexpected(runs.error());
    return {};
}

}  // namespace qrv
