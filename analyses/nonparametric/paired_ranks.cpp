// Rank statistics of paired values from a group's sorted values.
#include "analyses/nonparametric/paired_ranks.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "numeric/czvalue.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// t = r sqrt((n - 2) / (1 - r^2)) and its two-tailed probability, for
// n > 2 and |r| below 1.
void tOfRho(double r, double n, std::optional<double>& t, std::optional<double>& p) {
    if (!(n > 2) || !(std::fabs(r) < 1)) return;
    t = r * std::sqrt((n - 2) / (1 - r * r));
    p = num::CZValue().Quorvane_CalcProb("T", *t, n - 2, 0);
}

// Tied runs of a field and their sum of f^3 - f.
Error tieSums(SortTable& values, int field, double& runs, double& sum) {
    TieRuns all = values.Runs(field);
    for (TieRun run; all.Next(run);)
        if (run.tied()) {
            runs += 1;
            sum += run.count * run.count * run.count - run.count;
        }
    return all.error();
}

// Each value's mean rank into field to, keyed by its row, the count kept as tag.
Error ranksByRow(SortTable& values, int field, SortTable& into, int to) {
    RankedValues ranked = values.Ranked(field);
    SortItem it;
    for (double mean; ranked.Next(it, mean);)
        if (Error e = into.Append(to, static_cast<double>(it.tag), mean,
                                  static_cast<std::int64_t>(it.weight)))
            return e;
    return ranked.error();
}

}  // namespace

std::optional<SignResult> SignTest(double below, double above) {
    const double n = below + above;
    if (!(n > 0)) return std::nullopt;
    const double m = below > above ? below : above;
    SignResult r;
    r.z = (m - 0.5 - n / 2) / (0.5 * std::sqrt(n));
    r.p = num::CZValue().Quorvane_CalcTailProb("Z", std::fabs(r.z), 0, 0);
    return r;
}

Error Wilcoxon(SortTable& values, int field, WilcoxonResult& out) {
    TieRuns runs = values.Runs(field, true);
    for (TieRun run; runs.Next(run);)
        for (auto [tag, count] : run.tags) {
            (tag == 1 ? out.posCount : out.negCount) += count;
            (tag == 1 ? out.posSum : out.negSum) += count * run.meanRank;
        }
    if (runs.error()) return runs.error();
    const double n = out.negCount + out.posCount;
    if (n > 0) {
        const double t = out.negSum < out.posSum ? out.negSum : out.posSum;
        const double sd = std::sqrt(n * (n + 1) * (2 * n + 1) / 24);
        out.z = (t - n * (n + 1) / 4) / sd;
        out.p = num::CZValue().Quorvane_CalcTailProb("Z", std::fabs(*out.z), 0, 0);
    }
    return {};
}

double TieValue(double difference) {
    // The shortest exact conversions of the standard library, not printf:
    // this runs once per row.
    char text[40];
    const auto end =
        std::to_chars(text, text + sizeof text, difference, std::chars_format::general, 15).ptr;
    double value = difference;
    std::from_chars(text, end, value);
    return value;
}

Error Spearman(SortTable& values, int xField, int yField, SortBudget* budget, SpearmanResult& out) {
    double tx = 0, ty = 0;
    if (Error e = tieSums(values, xField, out.tiedX, tx)) return e;
    if (Error e = tieSums(values, yField, out.tiedY, ty)) return e;
    // The two ranks of each row meet in row order. The group's values stay
    // put while they are read into the ranks: the budget spills others.
    SortTable ranks;
    if (budget) ranks.UseBudget(budget);
    const SortTable::Pin pin(values);
    if (Error e = ranksByRow(values, xField, ranks, 1)) return e;
    if (Error e = ranksByRow(values, yField, ranks, 2)) return e;
    SortedStream xs = ranks.Read(1), ys = ranks.Read(2);
    double n = 0, d = 0;
    for (SortItem x, y; xs.Next(x) && ys.Next(y);) {
        const auto m = static_cast<double>(x.tag);
        n += m;
        d += m * (x.weight - y.weight) * (x.weight - y.weight);
    }
    if (xs.error()) return xs.error();
    if (ys.error()) return ys.error();
    if (!(n > 1)) return {};
    out.rho = 1 - 6 * d / (n * (n * n - 1));
    tOfRho(*out.rho, n, out.t, out.p);
    if (out.tiedX + out.tiedY > 0) {
        const double sx = (n * n * n - n - tx) / 12, sy = (n * n * n - n - ty) / 12;
        if (sx * sy != 0) {
            out.rhoTies = (sx + sy - d) / (2 * std::sqrt(sx * sy));
            tOfRho(*out.rhoTies, n, out.tTies, out.pTies);
        }
    }
    return {};
}

}  // namespace qrv
