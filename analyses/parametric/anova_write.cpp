// The rows of the group analysis for one finished group and data field: the
// two-sample t-test, the analysis of variance table and the detail rows.
// Sums of squares come from the level and cell moments about their own means
// (numeric/anova.h, numeric/two_way.h), so offset data keep their digits;
// the table then follows the usual decomposition: total, main effects each
// adjusted for the other compare fields, pairwise interactions, residual.
#include <cmath>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "analyses/parametric/anova.h"
#include "analyses/parametric/anova_state.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/anova.h"
#include "numeric/distributions.h"
#include "numeric/two_way.h"

namespace qrv {

using namespace qrv::dao;
using num::Extended;
using num::Moments;

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// Source_of_Variation holds 70 characters; two long field names in a pair's
// label would not fit, and a shortened label beats a failed run.
std::string fitLabel(const std::string& label) {
    constexpr std::size_t kMax = 70;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < label.size(); ++i) {
        // Count UTF-8 lead bytes only, so a character is never cut in two.
        if ((static_cast<unsigned char>(label[i]) & 0xC0) != 0x80 && ++chars > kMax)
            return label.substr(0, i);
    }
    return label;
}

const Moments* levelAt(const AnovaGroup::Levels& levels, int j) {
    const auto it = levels.find(j);
    return it == levels.end() || it->second.count() == 0 ? nullptr : &it->second;
}

}  // namespace

std::string CAnova::WriteTTest(const AnovaGroup& g, const std::vector<Value>& group, int k) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteTTest");
    // The samples are the first two values of the first compare field's list.
    const Moments* s1 = levelAt(g.level(k, 0), 0);
    const Moments* s2 = levelAt(g.level(k, 0), 1);
    struct Sample {
        double n = 0;
        std::optional<double> mean, var, sd, se;
    };
    auto describe = [](const Moments* s) {
        Sample out;
        if (!s) return out;
        out.n = s->n().toDouble();
        out.mean = num::mean(*s);
        out.var = num::variance(*s, "N-1");
        out.sd = num::stdDeviation(*s, "N-1");
        if (out.sd) out.se = *out.sd / std::sqrt(out.n);
        return out;
    };
    const Sample a = describe(s1), b = describe(s2);
    std::optional<double> diff;
    if (s1 && s2) diff = (s1->meanAbout(s2->shift()) - s2->meanOffset()).toDouble();

    std::optional<double> dfPooled, tPooled, pPooled, dfSeparate, tSeparate, pSeparate;
    const num::CZValue z;
    if (diff) {
        // (n1 - 1) s1^2 + (n2 - 1) s2^2 is the two centred sums.
        const double df = a.n + b.n - 2;
        const Extended within =
            (a.var ? s1->centred2() : Extended(0.0)) + (b.var ? s2->centred2() : Extended(0.0));
        const double pooled = df > 0 ? (within / df).toDouble() : 0.0;
        if (pooled > 0) {
            dfPooled = df;
            tPooled = *diff / std::sqrt(pooled / a.n + pooled / b.n);
            pPooled = z.Quorvane_CalcProb("T", *tPooled, df, 0);
        }
        if (a.var && b.var) {
            const double v1 = *a.var / a.n, v2 = *b.var / b.n, v = v1 + v2;
            if (v > 0) {
                dfSeparate = v * v / (v2 * v2 / (b.n - 1) + v1 * v1 / (a.n - 1));
                tSeparate = *diff / std::sqrt(v);
                pSeparate = z.Quorvane_CalcProb("T", *tSeparate, *dfSeparate, 0);
            }
        }
    }

    RowWriter row(output());
    row.groups(inputFields(), group, DataName(k));
    row.set("Count-1", a.n);
    row.set("Count-2", b.n);
    row.set("Mean-1", a.mean);
    row.set("Mean-2", b.mean);
    row.set("Mean_Diff", diff);
    row.set("StdDeviation-1", a.sd);
    row.set("StdDeviation-2", b.sd);
    row.set("StdError-1", a.se);
    row.set("StdError-2", b.se);
    row.set("DF_Pooled", dfPooled);
    row.set("t-Value_Pooled", tPooled);
    row.set("Prob_(2-tail)_Pooled", pPooled);
    row.set("DF_Separate", dfSeparate);
    row.set("t-Value_Separate", tSeparate);
    row.set("Prob_(2-tail)_Separate", pSeparate);
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

std::string CAnova::WriteAnova(const AnovaGroup& g, const std::vector<Value>& group, int k) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteAnova");
    const Moments& totals = g.totals[at(k)];
    const Extended N = totals.n();
    const Extended zero(0.0);

    // One-way terms of every compare field: its levels with weight in this group.
    std::vector<num::OneWayAnova> oneWay;
    for (int i = 0; i < C_; ++i) {
        std::vector<Moments> levels;
        for (const auto& [j, sums] : g.level(k, i))
            if (sums.count() > 0) levels.push_back(sums);
        oneWay.push_back(num::oneWayAnova(levels));
    }
    Extended sst, ssr, dfMain;
    if (C_ == 1) {
        // Between and within, each from its own centred sums.
        sst = oneWay[0].ssBetween + oneWay[0].ssWithin;
        ssr = oneWay[0].ssWithin;
    } else {
        sst = totals.centred2();
        ssr = sst;
        for (const auto& t : oneWay) ssr -= t.ssBetween;
    }
    Extended dfr = N - 1.0;
    for (const auto& t : oneWay) {
        dfMain += t.dfBetween;
        dfr -= t.dfBetween;
    }

    // Pairwise interactions, each the cells model less the additive one.
    struct Pair {
        std::string label;
        int df = 0;
        Extended ss;
    };
    std::vector<Pair> pairs;
    Extended interaction;
    int dfInteraction = 0;
    const auto pairList = AnovaGroup::pairs(C_);
    for (std::size_t p = 0; p < pairList.size(); ++p) {
        const auto [a, b] = pairList[p];
        const AnovaGroup::Cells& cells = g.cell(k, static_cast<int>(p));
        // The grid of the levels met in this group only.
        std::map<int, int> rows, cols;
        for (const auto& [jj, sums] : cells) {
            rows.emplace(jj.first, 0);
            cols.emplace(jj.second, 0);
        }
        int r = 0, c = 0;
        for (auto& [j, index] : rows) index = r++;
        for (auto& [j, index] : cols) index = c++;
        std::vector<std::vector<Moments>> grid(at(r), std::vector<Moments>(at(c)));
        for (const auto& [jj, sums] : cells) grid[at(rows[jj.first])][at(cols[jj.second])] = sums;
        const num::TwoWayTerms t = num::twoWayTerms(grid);
        pairs.push_back(
            {"[" + CompareName(a) + "] & [" + CompareName(b) + "]", t.df, t.interaction});
        interaction += t.interaction;
        dfInteraction += t.df;
        // With two compare fields the residual is the spread within the cells.
        if (C_ == 2) ssr = t.within;
    }
    if (C_ >= 3) ssr -= interaction;
    dfr -= static_cast<double>(dfInteraction);

    const Extended ssMain = sst - ssr - interaction;
    if (ssr < zero) ssr = 0.0;
    std::optional<Extended> msr;
    if (dfr > zero) msr = ssr / dfr;

    const num::CZValue z;
    int index = 0;
    auto write = [&](const std::string& label, const Extended& df, const Extended& ss,
                     bool takesF) -> std::string {
        RowWriter row(output());
        row.groups(inputFields(), group, DataName(k));
        row.set("Index", ++index);
        row.set("Source_of_Variation", fitLabel(label));
        row.set("DF", static_cast<int>(std::llround(df.toDouble())));
        row.set("Sum_of_Squares", ss.toDouble());
        if (df > zero) {
            const Extended ms = ss / df;
            row.set("Mean_Square", ms.toDouble());
            if (takesF && msr && *msr != zero && ss > zero) {
                const double f = (ms / *msr).toDouble();
                row.set("F-Value", f);
                row.set("Prob", z.Quorvane_CalcProb("F", f, df.toDouble(), dfr.toDouble()));
            }
        }
        if (Error e = row.finish()) return Unexpected(e);
        return {};
    };

    std::string e = write("Main Effects", dfMain, ssMain, true);
    for (int i = 0; i < C_ && e.empty(); ++i) {
        // Each main effect adjusted for the others: the main effects together
        // less the one-way sums of every other compare field.
        Extended ss = oneWay[at(i)].ssBetween;
        if (C_ >= 2) {
            ss = ssMain;
            for (int j = 0; j < C_; ++j)
                if (j != i) ss -= oneWay[at(j)].ssBetween;
        }
        e = write("Main: [" + CompareName(i) + "]", oneWay[at(i)].dfBetween, ss, true);
    }
    if (e.empty() && C_ >= 3)
        e = write("Interactions", Extended(static_cast<double>(dfInteraction)),
                  dfInteraction > 0 ? interaction : zero, true);
    for (const Pair& p : pairs)
        if (e.empty() && p.df > 0)
            e = write(p.label, Extended(static_cast<double>(p.df)), p.ss, true);
    if (e.empty() && C_ >= 2) e = write("Explained", N - 1.0 - dfr, sst - ssr, true);
    if (e.empty()) e = write("Residual", dfr, ssr, false);
    if (e.empty()) e = write("Total", N - 1.0, sst, false);
    return e;
}

std::string CAnova::WriteDetail(const AnovaGroup& g, const std::vector<Value>& group, int k) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteDetail");
    for (int i = 0; i < C_; ++i) {
        const int compareType = inputFields().types[at(ComparePosition(i))];
        for (const auto& [j, s] : g.level(k, i)) {
            if (s.count() == 0) continue;
            const Value& level = levels_[at(i)][at(j)];
            RowWriter row(detail_);
            if (C_ == 1) {
                // The level is one more group column.
                std::vector<Value> keys = group;
                keys.push_back(level);
                row.groups({detailNames_, detailTypes_, detailSizes_, G_ + 1}, keys, DataName(k));
            } else {
                row.groups(inputFields(), group, DataName(k));
                row.set("Compare_Field", CompareName(i));
                const bool asIs = compareType == compareValueType_ || level.isNull();
                row.set("Compare_Value", asIs ? level : Value(level.toText()));
            }
            const double n = s.n().toDouble();
            row.set("Count", n);
            if (weighted_) row.set("Observations", static_cast<double>(s.count()));
            row.set("Mean", num::mean(s));
            row.set("Minimum", s.min());
            row.set("Maximum", s.max());
            row.set("Range", s.max() - s.min());
            const std::optional<double> sum = num::sum(s);
            row.set("Sum", sum);
            row.set("Variance", num::variance(s, "N-1"));
            if (const std::optional<double> sd = num::stdDeviation(s, "N-1")) {
                row.set("StdDeviation", *sd);
                // A ratio, not a percentage; none when the values sum to 0.
                if (sum && *sum != 0) row.set("CoeffOfVariance", *sd * n / *sum);
                row.set("StdError", *sd / std::sqrt(n));
            }
            if (Error e = row.finish()) return Unexpected(e);
        }
    }
    return {};
}

}  // namespace qrv
