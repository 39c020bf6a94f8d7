// Table printing: text left-aligned, numbers right-aligned to ten significant
// digits; CSV quotes text as RFC 4180 does.
#include "cli/table_printer.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace qrv::cli {

using namespace qrv::dao;

namespace {

std::string shown(const Value& v) {
    if (v.isNull()) return "";
    if (v.kind() == ValueKind::Double) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.10g", v.rawDouble());
        return buf;
    }
    return v.toText();
}

std::string csvField(const Value& v) {
    if (!v.isText()) return v.toText();
    const std::string& t = v.textRef();
    if (t.find_first_of(",\"\r\n") == std::string::npos) return t;
    std::string q = "\"";
    for (char c : t) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

}  // namespace

Error printAligned(Recordset& rs, std::ostream& out) {
    // Two walks over the rows, one for the widths and one to print, so no
    // row is kept in memory whatever the size of the table.
    const int n = rs.FieldCount();
    std::vector<bool> numeric(static_cast<size_t>(n), true);
    std::vector<size_t> width(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) width[static_cast<size_t>(i)] = rs.FieldAt(i).Name.size();
    long rows = 0;
    for (; !rs.Eof(); ++rows) {
        for (int i = 0; i < n; ++i) {
            const Value v = rs.GetValue(i);
            if (v.isText()) numeric[static_cast<size_t>(i)] = false;
            width[static_cast<size_t>(i)] =
                std::max(width[static_cast<size_t>(i)], shown(v).size());
        }
        if (Error e = rs.MoveNext()) return e;
    }
    auto line = [&](auto cell) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            const size_t k = static_cast<size_t>(i);
            std::string c = cell(i);
            const std::string pad(width[k] - std::min(width[k], c.size()), ' ');
            if (i) s += "  ";
            s += numeric[k] ? pad + c : c + pad;
        }
        while (!s.empty() && s.back() == ' ') s.pop_back();
        out << s << "\n";
    };
    line([&](int i) { return rs.FieldAt(i).Name; });
    line([&](int i) { return std::string(width[static_cast<size_t>(i)], '-'); });
    long printed = 0;
    if (rows > 0) {
        if (Error e = rs.MoveFirst()) return e;
        for (; !rs.Eof(); ++printed) {
            line([&](int i) { return shown(rs.GetValue(i)); });
            if (Error e = rs.MoveNext()) return e;
        }
    }
    out << "(" << printed << (printed == 1 ? " row" : " rows") << ")\n";
    return {};
}

Error printCsv(Recordset& rs, std::ostream& out) {
    const int n = rs.FieldCount();
    for (int i = 0; i < n; ++i) out << (i ? "," : "") << csvField(Value(rs.FieldAt(i).Name));
    out << "\n";
    while (!rs.Eof()) {
        for (int i = 0; i < n; ++i) out << (i ? "," : "") << csvField(rs.GetValue(i));
        out << "\n";
        if (Error e = rs.MoveNext()) return e;
    }
    return {};
}

}  // namespace qrv::cli
