// The one reader of usable values that every analysis uses. For the current
// row of the data recordset it decides, in this order: the row's weight (a
// zero, negative or missing weight skips the whole row), whether a field's
// value is a number at all (a text that is not one ends the run with a
// message naming the field), whether it is missing (Null, or an empty or
// blank text as CSV loaders write them), and whether the scenario's ignore
// rule drops it. Columns are read by position: the data SELECT lists the
// fields in the order of the field list. Numbers are read straight from the
// row; a Value is built only for what is not stored as a number.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dataaccess/value.h"

namespace qrv {

class Quorvane;

// A number, nullopt for a missing value, or the failure text for a text that
// is not a number.
std::string NumericValue(const dao::Value& v, const std::string& field, std::optional<double>& x);

class ValueReader {
  public:
    // fields: the run's field list (positions 1.. at 0..); the analysis fields
    // sit at first .. first + count - 1 and the weight field, when weighted,
    // at weightPosition, or right after them when that is -1.
    ValueReader(const Quorvane& engine, const std::vector<std::string>& fields, int first,
                int count, bool weighted, int weightPosition = -1);

    // The current row's weight: 1 when unweighted, 0 when the row is skipped.
    std::string Weight(double& w) const;
    // The usable value of analysis field i (from 0) of the current row, or
    // nullopt when it is missing or ignored.
    std::string Usable(int i, std::optional<double>& x) const;
    // The row's weight and the usable value of analysis field i; x is
    // nullopt, and the field not read, when the weight skips the row.
    std::string WeightedUsable(int i, double& w, std::optional<double>& x) const;
    // Any field of the current row by its position in the field list (from
    // 0): as a number, and as a usable value (the ignore rule applied).
    std::string Number(int position, std::optional<double>& x) const;
    std::string UsableAt(int position, std::optional<double>& x) const;
    // Two fields of the current row as a pair, for the analyses that pair
    // values row by row (regressions, correlations, paired tests): both
    // usable, or both nullopt when either is missing or ignored.
    std::string UsablePair(int xPosition, int yPosition, std::optional<double>& x,
                           std::optional<double>& y) const;

  private:
    const Quorvane& engine_;
    const std::vector<std::string>& fields_;
    int first_, count_, weightPosition_;
    bool weighted_;
};

}  // namespace qrv
