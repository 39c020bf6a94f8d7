// Cells model, additive model and interaction from two-factor cell sums.
#include "numeric/two_way.h"

#include <cstddef>
#include <cstdint>

#include "numeric/gauss_jordan.h"

namespace qrv::num {

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
bool hasWeight(const Extended& n) {
    return n > Extended(0.0);
}

}  // namespace

TwoWayTerms twoWayTerms(const std::vector<std::vector<Moments>>& cells) {
    TwoWayTerms t;
    const int la = static_cast<int>(cells.size());
    const int lb = la == 0 ? 0 : static_cast<int>(cells[0].size());

    // Reference: the first filled cell's shift, then the grand mean about it.
    const Moments* first = nullptr;
    Extended total, grand;
    for (const auto& row : cells) {
        for (const auto& c : row) {
            if (!hasWeight(c.n())) continue;
            if (first == nullptr) first = &c;
            total += c.n();
        }
    }
    if (first == nullptr) return t;
    const double ref = first->shift();
    for (const auto& row : cells) {
        for (const auto& c : row) {
            if (hasWeight(c.n())) grand += c.n() * c.meanAbout(ref);
        }
    }
    grand /= total;

    // Weights n and sums s of (x - grand mean) per cell, row and column.
    std::vector<std::vector<Extended>> n(at(la), std::vector<Extended>(at(lb)));
    std::vector<std::vector<Extended>> s = n;
    std::vector<Extended> nRow(at(la)), sRow(at(la)), nCol(at(lb)), sCol(at(lb));
    for (int i = 0; i < la; ++i) {
        for (int j = 0; j < lb; ++j) {
            const Moments& c = cells[at(i)][at(j)];
            if (!hasWeight(c.n())) continue;
            ++t.filled;
            const Extended dev = c.meanAbout(ref) - grand;
            n[at(i)][at(j)] = c.n();
            s[at(i)][at(j)] = c.n() * dev;
            t.cells += c.n() * dev * dev;
            t.within += c.centred2();
            nRow[at(i)] += c.n();
            sRow[at(i)] += s[at(i)][at(j)];
            nCol[at(j)] += c.n();
            sCol[at(j)] += s[at(i)][at(j)];
        }
    }
    std::vector<int> rows, cols;  // levels with weight
    for (int i = 0; i < la; ++i) {
        if (hasWeight(nRow[at(i)])) rows.push_back(i);
    }
    for (int j = 0; j < lb; ++j) {
        if (hasWeight(nCol[at(j)])) cols.push_back(j);
    }
    t.levelsA = static_cast<int>(rows.size());
    t.levelsB = static_cast<int>(cols.size());
    t.df = (t.levelsA - 1) * (t.levelsB - 1) - (t.levelsA * t.levelsB - t.filled);

    // Fit the constants of the factor with fewer levels; the other one's
    // levels are summed over. Oriented as (other, fitted).
    const bool fitB = t.levelsB <= t.levelsA;
    auto cellN = [&](int o, int f) {
        return fitB ? n[at(rows[at(o)])][at(cols[at(f)])] : n[at(rows[at(f)])][at(cols[at(o)])];
    };
    const std::vector<Extended>& nO = fitB ? nRow : nCol;
    const std::vector<Extended>& sO = fitB ? sRow : sCol;
    const std::vector<Extended>& nF = fitB ? nCol : nRow;
    const std::vector<Extended>& sF = fitB ? sCol : sRow;
    const std::vector<int>& other = fitB ? rows : cols;
    const std::vector<int>& fitted = fitB ? cols : rows;
    const int no = static_cast<int>(other.size());
    const int m = static_cast<int>(fitted.size()) - 1;

    for (int o = 0; o < no; ++o) {
        t.additive += sO[at(other[at(o)])] * sO[at(other[at(o)])] / nO[at(other[at(o)])];
    }
    if (m > 0) {
        // A_jk = n_.j [j = k] - sum_o n_oj n_ok / n_o.; Q_j = s_.j - sum_o n_oj s_o. / n_o.
        ExtendedArray2D A(m, m + 1), B(m, m + 1);
        std::vector<Extended> Q(at(m));
        for (int j = 0; j < m; ++j) {
            Q[at(j)] = sF[at(fitted[at(j)])];
            for (int o = 0; o < no; ++o) {
                Q[at(j)] -= cellN(o, j) * sO[at(other[at(o)])] / nO[at(other[at(o)])];
            }
            for (int k = 0; k < m; ++k) {
                Extended a = j == k ? nF[at(fitted[at(j)])] : Extended(0.0);
                for (int o = 0; o < no; ++o) {
                    a -= cellN(o, j) * cellN(o, k) / nO[at(other[at(o)])];
                }
                A(j + 1, k + 1) = a;
            }
            B(j + 1, j + 1) = 1.0;
        }
        t.solved = CMatrix().Quorvane_GaussJordan_b(static_cast<std::int16_t>(m),
                                                    static_cast<std::int16_t>(m + 1), A, B);
        if (t.solved) {
            for (int j = 0; j < m; ++j) {
                for (int k = 0; k < m; ++k) t.additive += Q[at(j)] * B(j + 1, k + 1) * Q[at(k)];
            }
        }
    }
    t.interaction = t.cells - t.additive;
    return t;
}

}  // namespace qrv::num
