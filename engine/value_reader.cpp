// Usable values and weights of the current input row.
#include "engine/value_reader.h"

#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

namespace {

bool blank(const std::string& s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

}  // namespace

std::string NumericValue(const Value& v, const std::string& field, std::optional<double>& x) {
    x.reset();
    if (v.isNull()) return {};
    x = v.toDouble();
    if (x) return {};
    if (v.isText() && blank(v.textRef())) return {};  // an empty cell is a missing value
    return "Field [" + field + "] holds a value that is not a number: '" + v.toText() + "'";
}

ValueReader::ValueReader(const Quorvane& engine, const std::vector<std::string>& fields, int first,
                         int count, bool weighted, int weightPosition)
    : engine_(engine),
      fields_(fields),
      first_(first),
      count_(count),
      weightPosition_(weightPosition >= 0 ? weightPosition : first + count),
      weighted_(weighted) {}

std::string ValueReader::Number(int position, std::optional<double>& x) const {
    const Recordset& rs = engine_.DataRecordset();
    double number;
    if (rs.GetNumber(position, number)) {  // the usual case, read without a Value
        x = number;
        return {};
    }
    return NumericValue(rs.GetValue(position), fields_[static_cast<size_t>(position)], x);
}

std::string ValueReader::Weight(double& w) const {
    w = 1;
    if (!weighted_) return {};
    std::optional<double> x;
    if (std::string e = Number(weightPosition_, x); !e.empty()) return e;
    w = x ? engine_.WeightOf(*x) : 0;
    return {};
}

std::string ValueReader::Usable(int i, std::optional<double>& x) const {
    return UsableAt(first_ + i, x);
}

std::string ValueReader::WeightedUsable(int i, double& w, std::optional<double>& x) const {
    x.reset();
    if (std::string e = Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};
    return Usable(i, x);
}

std::string ValueReader::UsableAt(int position, std::optional<double>& x) const {
    if (std::string e = Number(position, x); !e.empty()) return e;
    if (x && !engine_.Quorvane_DataOk_b(*x, false)) x.reset();
    return {};
}

std::string ValueReader::UsablePair(int xPosition, int yPosition, std::optional<double>& x,
                                    std::optional<double>& y) const {
    // Both are read, so that a text that is not a number is met in either.
    if (std::string e = UsableAt(xPosition, x); !e.empty()) return e;
    if (std::string e = UsableAt(yPosition, y); !e.empty()) return e;
    if (!x || !y) {
        x.reset();
        y.reset();
    }
    return {};
}

}  // namespace qrv
