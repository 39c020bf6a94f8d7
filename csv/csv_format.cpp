// Value formatting for export; quoting is libcsv's.
#include "csv/csv_format.h"

#include <csv.h>

#include <charconv>
#include <cmath>

namespace qrv::csv {

std::string doubleText(double d) {
    char buf[64];
    // Whole numbers below 10^16 read better in full ("5000000000.0", not "5e+09").
    const bool whole = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e16;
    auto [end, ec] = whole ? std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed)
                           : std::to_chars(buf, buf + sizeof buf, d);
    std::string s(buf, ec == std::errc() ? end : buf);
    if (std::isfinite(d) && s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string valueText(const dao::Value& v) {
    using dao::ValueKind;
    switch (v.kind()) {
        case ValueKind::Null:
            return {};
        case ValueKind::Bool:
            return v.asBool() ? "True" : "False";
        case ValueKind::Double:
            return doubleText(v.rawDouble());
        case ValueKind::Date: {
            std::string iso = dao::serialDateToIso(v.rawDouble());
            if (iso.size() > 9 && iso.compare(iso.size() - 9, 9, " 00:00:00") == 0)
                iso.resize(iso.size() - 9);
            return iso;
        }
        default:
            return v.toText();
    }
}

void appendField(std::string& out, std::string_view field) {
    const bool quote = field.find_first_of(",;\t\"\r\n") != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote) {
        out += field;
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + 2 * field.size() + 2);
    const std::size_t n = csv_write(out.data() + at, out.size() - at, field.data(), field.size());
    out.resize(at + n);
}

}  // namespace qrv::csv
