// Rank statistics of paired values from a group's sorted values.
#include "analyses/nonparametric/paired_ranks.h"

#include <charconv>
#include <cstdint>

namespace qrv {

using namespace qrv::dao;

namespace {

// The tied runs of a field.
Error tiedRuns(SortTable& values, int field, num::TieTotals& ties) {
    TieRuns all = values.Runs(field);
    for (TieRun run; all.Next(run);) ties.add(run.count);
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

Error Wilcoxon(SortTable& values, int field, num::SignedRanks& out) {
    TieRuns runs = values.Runs(field, true);
    for (TieRun run; runs.Next(run);)
        for (auto [tag, count] : run.tags) out.add(tag == 1, count, run.meanRank);
    return runs.error();
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
    if (Error e = tiedRuns(values, xField, out.x)) return e;
    if (Error e = tiedRuns(values, yField, out.y)) return e;
    // The two ranks of each row meet in row order. The group's values stay
    // put while they are read into the ranks: the budget spills others.
    SortTable ranks;
    if (budget) ranks.UseBudget(budget);
    const SortTable::Pin pin(values);
    if (Error e = ranksByRow(values, xField, ranks, 1)) return e;
    if (Error e = ranksByRow(values, yField, ranks, 2)) return e;
    SortedStream xs = ranks.Read(1), ys = ranks.Read(2);
    num::RankDifferences d;
    for (SortItem x, y; xs.Next(x) && ys.Next(y);)
        d.add(static_cast<double>(x.tag), x.weight, y.weight);
    if (xs.error()) return xs.error();
    if (ys.error()) return ys.error();
    out.rho = num::spearman(d, out.x, out.y);
    return {};
}

}  // namespace qrv
