// Value conversions between numbers, text and truth values; dates go
// through date_text.h.
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
