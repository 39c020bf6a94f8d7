// Value conversions: numbers, text and the serial-date <-> ISO text mapping
// used for date columns in the database files.
#include "dataaccess/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qrv::dao {

namespace {

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
}

// Serial day 0 is 1899-12-30.
constexpr long long kSerialEpochFrom1970 = -25569;

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    double d = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
    return d;
}

std::string numberToText(double d) {
    if (d == std::floor(d) && std::fabs(d) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", d);
        return buf;
    }
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, ec == std::errc() ? p : buf);
}

std::string serialDateToIso(double serial) {
    // Round to whole seconds so that a stored time reads back as written.
    double days = std::floor(serial);
    long long secs = std::llround((serial - days) * 86400.0);
    long long day = static_cast<long long>(days);
    if (secs >= 86400) {
        secs -= 86400;
        ++day;
    }
    long long y;
    unsigned m, d;
    civilFromDays(day + kSerialEpochFrom1970, y, m, d);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld", y, m, d, secs / 3600,
                  (secs / 60) % 60, secs % 60);
    return buf;
}

std::optional<double> isoToSerialDate(std::string_view text) {
    text = trim(text);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    std::string tmp(text);
    int n = std::sscanf(tmp.c_str(), "%d-%d-%d%*[ T]%d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (n < 3 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 ||
        s < 0 || s > 59)
        return std::nullopt;
    long long day = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) -
                    kSerialEpochFrom1970;
    return static_cast<double>(day) + (h * 3600 + mi * 60 + s) / 86400.0;
}

std::optional<double> Value::toDouble() const {
    switch (kind_) {
        case ValueKind::Null:
            return std::nullopt;
        case ValueKind::Bool:
            return i_ ? -1.0 : 0.0;
        case ValueKind::Byte:
        case ValueKind::Int16:
        case ValueKind::Int32:
            return static_cast<double>(i_);
        case ValueKind::Double:
        case ValueKind::Date:
            return d_;
        case ValueKind::Text:
            return parseNumber(s_);
    }
    return std::nullopt;
}

double Value::asDouble() const {
    return toDouble().value_or(0.0);
}

bool Value::asBool() const {
    if (kind_ == ValueKind::Text) {
        std::string_view t = trim(s_);
        if (iequals(t, "true") || iequals(t, "yes") || iequals(t, "on")) return true;
        if (auto d = parseNumber(t)) return *d != 0;
        return false;
    }
    return asDouble() != 0;
}

std::string Value::toText() const {
    switch (kind_) {
        case ValueKind::Null:
            return {};
        case ValueKind::Bool:
            return i_ ? "True" : "False";
        case ValueKind::Byte:
        case ValueKind::Int16:
        case ValueKind::Int32:
            return std::to_string(i_);
        case ValueKind::Double:
            return numberToText(d_);
        case ValueKind::Date:
            return serialDateToIso(d_);
        case ValueKind::Text:
            return s_;
    }
    return {};
}

bool operator==(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (a.isText() || b.isText()) return a.isText() && b.isText() && a.s_ == b.s_;
    return a.asDouble() == b.asDouble();
}

}  // namespace qrv::dao
