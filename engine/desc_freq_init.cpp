// Default frequency intervals: when the user leaves the interval borders to
// the engine, K equal intervals are laid over the smallest and largest usable
// value of all analysis fields in the whole filtered input, with a little room
// beyond the largest so that it always lands inside the last interval.
#include <cmath>
#include <optional>

#include "dataaccess/dialect/sql_dialect.h"
#include "engine/quorvane.h"
#include "engine/value_reader.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// The smallest multiple of 10^-p not below width, where p puts the first two
// significant digits before the decimal point. A width already on that grid
// stays as it is; without the tolerance, the rounding noise of the division
// (0.55 comes out as 55.00000000000001 hundredths) would push it up a step.
double roundWidthUp(double width) {
    const double p = 1 - std::floor(std::log10(width));
    const double scale = std::pow(10.0, p);
    const double x = width * scale;
    const double whole = std::round(x);
    const double steps = std::fabs(x - whole) <= 1e-9 * whole ? whole : std::ceil(x);
    return steps / scale;
}

}  // namespace

std::string Quorvane::DescFreqInit(bool fWidthAdjust, int K, bool fLowerClosed,
                                   const std::string& strUserTable,
                                   const std::vector<std::string>& strFields, int intGroupFields,
                                   int intFields, double& dblInitial, double& dblWidth) {
    ProcedureScope scope(err_, "DescFreqInit");
    Quorvane_Msg(0, false, "Calculating default frequency values");
    if (K <= 0) return "The number of frequency intervals must be at least 1.";
    if (intGroupFields < 0 || intFields < 1 ||
        static_cast<size_t>(intGroupFields + intFields) > strFields.size())
        return "The field list does not hold the analysis fields.";

    std::optional<double> low, high;
    // Takes one field's MIN and MAX, at columns column and column + 1.
    auto take = [&](const Recordset& rs, int column, int i) -> std::string {
        // A text among the numbers sorts above them, so the maximum shows it.
        const std::string& name = strFields[static_cast<size_t>(intGroupFields + i)];
        std::optional<double> v;
        if (std::string e = NumericValue(rs.GetValue(column), name, v); !e.empty()) return e;
        if (v && (!low || *v < *low)) low = v;
        if (std::string e = NumericValue(rs.GetValue(column + 1), name, v); !e.empty()) return e;
        if (v && (!high || *v > *high)) high = v;
        return {};
    };
    auto open = [&](const std::string& sql) -> Result<Recordset> {
        auto rs = sourceDb_.OpenRecordset(sql, dbOpenSnapshot);
        if (!rs) err_.HandleError(rs.error().number, rs.error().description);
        return rs;
    };
    auto fieldName = [&](int i) {
        return bracketName(strFields[static_cast<size_t>(intGroupFields + i)]);
    };
    if (missingRule_.empty()) {
        // Without an ignore rule every field takes all rows: one read of the
        // input for all of them rather than one per field.
        std::string sql = "SELECT ";
        for (int i = 0; i < intFields; ++i) {
            const std::string n = std::to_string(i + 1);
            sql += (i ? ", MIN(" : "MIN(") + fieldName(i) + ") as Minimum" + n + ", MAX(" +
                   fieldName(i) + ") as Maximum" + n;
        }
        auto rs = open(sql + " FROM " + bracketName(strUserTable) + ";");
        if (!rs) return rs.error().description;
        for (int i = 0; i < intFields && !rs->Eof(); ++i)
            if (std::string e = take(*rs, 2 * i, i); !e.empty()) return e;
        rs->Close();
    }
    for (int i = 0; i < intFields && !missingRule_.empty(); ++i) {
        const std::string field = fieldName(i);
        const std::string cond = Quorvane_DataWhere(field);
        const std::string sql = "SELECT MIN(" + field + ") as Minimum1, MAX(" + field +
                                ") as Maximum1 FROM " + bracketName(strUserTable) +
                                (cond.empty() ? "" : " WHERE (" + cond + ")") + ";";
        auto rs = open(sql);
        if (!rs) return rs.error().description;
        if (rs->Eof()) continue;
        if (std::string e = take(*rs, 0, i); !e.empty()) return e;
        rs->Close();
    }
    if (!low || !high) return "No data found";
    const double m = *low, M = *high;

    if (m == M) {
        // One value only: there is no range to divide. Describe's rule gives
        // the margin d = 0 and so a width below 1, which it raises to 1,
        // starting at the value. Frequency would take the logarithm of a zero
        // width; it too gets width 1, and intervals closed at the top start a
        // width below, so that the value sits on the closed upper border of
        // the first interval instead of in the unwritten one below it.
        dblWidth = 1;
        dblInitial = fLowerClosed || !fWidthAdjust ? m : m - dblWidth;
        return {};
    }

    // The margin past the largest value: a tenth of the range when it exceeds
    // 1, else a hundredth (10 to the power log10(range) - 1 or - 2, computed
    // as a plain division so that a range of 50 gives exactly 5).
    const double range = M - m;
    const double d = std::log10(range) > 0 ? range / 10 : range / 100;
    double width = (M + d - m) / K;
    if (width < 1) width = fWidthAdjust ? roundWidthUp(width) : 1;
    dblWidth = width;
    dblInitial = fLowerClosed ? m : m - d;
    return {};
}

}  // namespace qrv
