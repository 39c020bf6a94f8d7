// The scratch sort table and the two questions asked of it: modes and
// percentiles. Its queries name the table through the scratch file's path,
// as the analyses have always written them.
#include "engine/sort_table.h"

#include "dataaccess/dataaccess.h"
#include "dataaccess/sql_dialect.h"
#include "engine/quorvane.h"
#include "numeric/extended.h"

namespace qrv {

using namespace qrv::dao;

SortTable::~SortTable() = default;

int SortTable::PartsOf(char type) {
    switch (type) {
        case 'M':
        case 'm':
            return 2;
        case 'Q':
        case 'q':
            return 4;
        case '5':
            return 5;
        case 'D':
        case 'd':
            return 10;
        case 'P':
        case 'p':
            return 100;
        default:
            return 0;
    }
}

std::string SortTable::sourceClause() const {
    return std::string(kName) + " IN " + quoteLiteral(engine_.ScratchPath()) + " ";
}

std::string SortTable::create() {
    Database& db = engine_.ScratchDatabase();
    db.DeleteTableDef(kName);
    auto t = db.CreateMemoryTable(kName, {"Field", "Data", "Weight"});
    if (!t) return t.error().description;
    table_ = *t;
    return {};
}

std::string SortTable::Prepare() {
    if (rows_ == -1 || rows_ > 500) {
        if (std::string e = create(); !e.empty()) return e;
    } else if (rows_ > 0) {
        engine_.Quorvane_EmptyTable(true, kName, rows_);
    }
    rows_ = 0;
    return {};
}

Error SortTable::Append(int field, double data, double weight) {
    table_.Append({static_cast<double>(field), data, weight});
    ++rows_;
    return {};
}

std::string SortTable::CalcMode(int fields, std::vector<Mode>& modes) {
    modes.assign(static_cast<size_t>(fields), Mode{});
    auto rs = engine_.ScratchDatabase().OpenRecordset(
        "SELECT DISTINCTROW [Field], [Data], Sum([Weight]) as Lumvar_Count FROM " + sourceClause() +
        "GROUP BY [Field], [Data] ORDER BY [Field], Sum([Weight]) DESC;");
    if (!rs) return rs.error().description;
    int lastField = 0;
    bool checkedTie = false;
    for (; !rs->Eof(); rs->MoveNext()) {
        const int field = static_cast<int>(rs->GetValue(0).asDouble());
        if (field < 1 || field > fields) continue;
        Mode& m = modes[static_cast<size_t>(field - 1)];
        const double count = rs->GetValue(2).asDouble();
        if (field != lastField) {
            m.value = rs->GetValue(1).asDouble();
            m.count = count;
            m.unique = true;
            lastField = field;
            checkedTie = false;
        } else if (!checkedTie) {
            // Only the runner-up matters: rows come by descending count.
            m.unique = count != m.count;
            checkedTie = true;
        }
    }
    return {};
}

std::string SortTable::CalcPercentiles(int field, bool weighted, int parts, const num::Extended& n,
                                       std::vector<double>& result) {
    result.assign(static_cast<size_t>(parts - 1), 0.0);
    auto rs = engine_.ScratchDatabase().OpenRecordset(
        std::string("SELECT ") + (weighted ? "[Data], [Weight]" : "[Data]") + " FROM " +
        sourceClause() + "where (([Field] = " + std::to_string(field) +
        " AND [Data] Is Not Null)) ORDER BY [Data];");
    if (!rs) return rs.error().description;
    int j = 1;
    if (weighted) {
        // Cut j is the first value whose running weight reaches j n / parts.
        // Both sides are exact sums of the same weights in double-double, so
        // a running weight that ties j n / parts is seen to tie.
        num::Extended c;
        for (; !rs->Eof() && j < parts; rs->MoveNext()) {
            const double v = rs->GetValue(0).asDouble();
            c += rs->GetValue(1).asDouble();
            while (j < parts && c * static_cast<double>(parts) >= n * static_cast<double>(j))
                result[static_cast<size_t>(j++ - 1)] = v;
        }
        return {};
    }
    // Cut j sits at position 1 + (n - 1) j / parts, between rows when fractional.
    const long long count = static_cast<long long>(n.toDouble());
    auto position = [&](int cut, long long& row, double& fraction) {
        const long long num = (count - 1) * cut;
        row = 1 + num / parts;
        fraction = static_cast<double>(num % parts) / parts;
    };
    long long k = 0, row = 0;
    double fraction = 0, prev = 0, v = 0;
    position(j, row, fraction);
    for (; !rs->Eof() && j < parts; rs->MoveNext()) {
        v = rs->GetValue(0).asDouble();
        ++k;
        while (j < parts) {
            if (row == k - 1 && fraction > 0) {
                result[static_cast<size_t>(j - 1)] = prev + fraction * (v - prev);
            } else if (row == k && fraction == 0) {
                result[static_cast<size_t>(j - 1)] = v;
            } else {
                break;
            }
            if (++j < parts) position(j, row, fraction);
        }
        prev = v;
    }
    // Cuts past the last row read take the last value.
    for (; j < parts; ++j) result[static_cast<size_t>(j - 1)] = v;
    return {};
}

void SortTable::Drop() {
    table_ = dao::MemoryTable();
    engine_.Quorvane_DeleteTable(true, kName);
}

}  // namespace qrv
