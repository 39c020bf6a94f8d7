// Cell sums and statistics of the crosstab.
#include "analyses/parametric/crosstab_cells.h"

#include <cmath>

namespace qrv {

void XTabCell::add(double x, double w, bool keepCounts, long at) {
    if (m.count() == 0) {
        first = x;
        firstAt = at;
    }
    last = x;
    lastAt = at;
    m.add(x, w, false);
    if (keepCounts) counts[x == 0 ? 0.0 : x] += w;
}

void XTabCell::merge(const XTabCell& other, long shift) {
    if (other.m.count() == 0) return;
    if (m.count() == 0 || other.firstAt + shift < firstAt) {
        first = other.first;
        firstAt = other.firstAt + shift;
    }
    if (m.count() == 0 || other.lastAt + shift > lastAt) {
        last = other.last;
        lastAt = other.lastAt + shift;
    }
    m.merge(other.m);
    for (const auto& [x, w] : other.counts) counts[x] += w;
}

const char* XTabTypeLabel(char type) {
    switch (type) {
        case 'C':
            return "Count";
        case 'S':
            return "Sum";
        case 'A':
            return "Average";
        case 'M':
            return "Min";
        case 'X':
            return "Max";
        case 'R':
            return "Range";
        case 'V':
            return "Var";
        case 'F':
            return "CoefVar";
        case 'D':
            return "StDev";
        case 'E':
            return "StError";
        case 'U':
            return "UniqueCount";
        case 'O':
            return "Mode";
        case '1':
            return "First";
        case 'L':
            return "Last";
        default:
            return nullptr;
    }
}

std::optional<double> XTabCellValue(const XTabCell& cell, char type) {
    const num::Moments& m = cell.m;
    const double n = m.n().toDouble();
    if (m.count() == 0 || !(n > 0)) return std::nullopt;
    switch (type) {
        case 'C':
            return n;
        case 'S':
            return num::sum(m);
        case 'A':
            return num::mean(m);
        case 'M':
            return m.min();
        case 'X':
            return m.max();
        case 'R': {
            const double r = m.max() - m.min();
            if (!std::isfinite(r)) return std::nullopt;
            return r;
        }
        case '1':
            return cell.first;
        case 'L':
            return cell.last;
        case 'U':
            return static_cast<double>(cell.counts.size());
        case 'O': {
            // The most frequent value by weight; none when the top is shared.
            double best = 0, top = -1;
            bool tied = false;
            for (const auto& [x, w] : cell.counts) {
                if (w > top) {
                    best = x;
                    top = w;
                    tied = false;
                } else if (w == top) {
                    tied = true;
                }
            }
            if (tied || top < 0) return std::nullopt;
            return best;
        }
        default:
            break;
    }
    // The spread statistics need more than one unit of weight; a spread
    // that overflows is no value either.
    if (!(n > 1)) return std::nullopt;
    const std::optional<double> variance = num::variance(m, "N-1");
    const std::optional<double> sd = num::stdDeviation(m, "N-1");
    if (!variance || !sd) return std::nullopt;
    switch (type) {
        case 'V':
            return variance;
        case 'D':
            return sd;
        case 'E':
            return std::sqrt(*variance / n);
        case 'F': {
            const std::optional<double> mean = num::mean(m);
            if (!mean || *mean == 0) return std::nullopt;
            const double cv = *sd / *mean;
            if (!std::isfinite(cv)) return std::nullopt;
            return cv;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace qrv
