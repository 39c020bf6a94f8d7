// The running sums of one group of the group analysis: per data field the
// totals, the sums of every level of every compare field, and, with two or
// more compare fields, the sums of every filled cell of each pair of compare
// fields. Levels and cells are kept sparse (only those met), so a group that
// sees few of many levels costs little, and two partial states of one group
// combine level by level.
#pragma once

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "engine/group_state.h"
#include "numeric/moments.h"

namespace qrv {

struct AnovaGroup : GroupState {
    using Levels = std::map<int, num::Moments>;                 // level index -> moments
    using Cells = std::map<std::pair<int, int>, num::Moments>;  // (level a, level b) -> moments

    // Means and variances are all the analysis takes from its sums, so they
    // keep no third or fourth powers: each value goes to several of them.
    static constexpr num::Moments::Powers kPowers = num::Moments::Powers::ToSecond;

    AnovaGroup(int dataFields, int compareFields)
        : X(dataFields),
          C(compareFields),
          totals(static_cast<std::size_t>(dataFields), num::Moments(kPowers)),
          levels(static_cast<std::size_t>(dataFields * compareFields)),
          cells(static_cast<std::size_t>(dataFields * pairCount(compareFields))) {}

    static int pairCount(int c) { return c < 2 ? 0 : c * (c - 1) / 2; }
    // The pairs (a, b), a < b, in the order (0,1), (0,2), ..., (1,2), ...
    static std::vector<std::pair<int, int>> pairs(int c) {
        std::vector<std::pair<int, int>> p;
        for (int a = 0; a < c; ++a)
            for (int b = a + 1; b < c; ++b) p.emplace_back(a, b);
        return p;
    }

    num::Moments& total(int k) { return totals[static_cast<std::size_t>(k)]; }
    Levels& level(int k, int i) { return levels[static_cast<std::size_t>(k * C + i)]; }
    const Levels& level(int k, int i) const { return levels[static_cast<std::size_t>(k * C + i)]; }
    Cells& cell(int k, int p) { return cells[static_cast<std::size_t>(k * pairCount(C) + p)]; }
    const Cells& cell(int k, int p) const {
        return cells[static_cast<std::size_t>(k * pairCount(C) + p)];
    }

    // The sums of a level or cell, made on first use.
    template <class Map, class Key>
    static num::Moments& sums(Map& map, const Key& key) {
        return map.try_emplace(key, kPowers).first->second;
    }

    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const AnovaGroup&>(other);
        for (std::size_t k = 0; k < totals.size(); ++k) totals[k].merge(o.totals[k]);
        for (std::size_t i = 0; i < levels.size(); ++i)
            for (const auto& [j, part] : o.levels[i]) sums(levels[i], j).merge(part);
        for (std::size_t i = 0; i < cells.size(); ++i)
            for (const auto& [jj, part] : o.cells[i]) sums(cells[i], jj).merge(part);
    }

    int X, C;
    std::vector<num::Moments> totals;
    std::vector<Levels> levels;
    std::vector<Cells> cells;
};

}  // namespace qrv
