// Cell readers. Numbers go through std::from_chars, which rounds correctly,
// so "0.1" gives the double nearest 0.1 whatever the locale.
#include "csv/cells.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace qrv::csv {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits from s[i], at least min and at most max of them; the value in v.
bool digits(std::string_view s, std::size_t& i, std::size_t min, std::size_t max, int& v) {
    const std::size_t from = i;
    v = 0;
    while (i < s.size() && i - from < max && isDigit(s[i])) v = v * 10 + (s[i++] - '0');
    return i - from >= min && !(i < s.size() && isDigit(s[i]));
}

bool expect(std::string_view s, std::size_t& i, char c) {
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

// Days between 1899-12-30 and 1970-01-01.
constexpr long kSerialOf1970 = 25569;

std::optional<double> serialOf(int y, int m, int d, int hh, int mm, int ss) {
    using namespace std::chrono;
    if (y < 100 || hh > 23 || mm > 59 || ss > 59) return std::nullopt;
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)},
                             day{static_cast<unsigned>(d)}};
    if (!ymd.ok()) return std::nullopt;
    const long days = sys_days(ymd).time_since_epoch().count() + kSerialOf1970;
    return static_cast<double>(days) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

// " h:mm" or " h:mm:ss" (or "Th:mm..." where allowed) to the end of s.
bool timeOfDay(std::string_view s, std::size_t& i, bool allowT, int& hh, int& mm, int& ss) {
    hh = mm = ss = 0;
    if (i == s.size()) return true;
    if (!(expect(s, i, ' ') || (allowT && expect(s, i, 'T')))) return false;
    if (!digits(s, i, 1, 2, hh) || !expect(s, i, ':') || !digits(s, i, 2, 2, mm)) return false;
    if (expect(s, i, ':') && !digits(s, i, 2, 2, ss)) return false;
    return i == s.size();
}

}  // namespace

NumberCell readNumber(std::string_view s, char mark) {
    NumberCell out;
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) ++i;
    const std::size_t intFrom = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    const std::size_t intDigits = i - intFrom;
    if (intDigits > 1 && s[intFrom] == '0') return out;  // "007": an identifier, not a number
    std::size_t fracDigits = 0;
    const bool hasMark = i < s.size() && s[i] == mark;
    if (hasMark) {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++fracDigits;
    }
    if (intDigits + fracDigits == 0) return out;
    bool hasExponent = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        hasExponent = true;
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
        const std::size_t expFrom = i;
        while (i < s.size() && isDigit(s[i])) ++i;
        if (i == expFrom) return out;
    }
    if (i != s.size()) return out;

    if (!hasMark && !hasExponent) {
        // 2^53 has 16 digits; beyond it a double no longer holds every whole number.
        if (intDigits > 16) return out;
        std::int64_t v = 0;
        for (std::size_t k = intFrom; k < i; ++k) v = v * 10 + (s[k] - '0');
        if (v > (std::int64_t{1} << 53)) return out;
        if (negative) v = -v;
        out.kind = v >= INT32_MIN && v <= INT32_MAX ? NumberKind::Long : NumberKind::WideInteger;
        out.value = static_cast<double>(v);
        return out;
    }
    // from_chars takes neither a leading '+' nor a comma as the mark.
    char buf[128];
    std::string_view t = s.substr(s[0] == '+' ? 1 : 0);
    if (mark != '.') {
        if (t.size() > sizeof buf) return out;
        std::memcpy(buf, t.data(), t.size());
        for (std::size_t k = 0; k < t.size(); ++k)
            if (buf[k] == mark) buf[k] = '.';
        t = std::string_view(buf, t.size());
    }
    double d = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (ec != std::errc() || end != t.data() + t.size()) return out;  // out of range stays text
    out.kind = NumberKind::Decimal;
    out.value = d;
    return out;
}

std::optional<double> readDate(std::string_view s, DateOrder order) {
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    std::size_t i = 0;
    if (s.size() < 8) return std::nullopt;
    if (isDigit(s[0]) && isDigit(s[1]) && isDigit(s[2]) && isDigit(s[3])) {
        // Year first: the ISO form, or with slashes when the caller says so.
        const char sep = s[4];
        if (sep != '-' && !(sep == '/' && order == DateOrder::YMD)) return std::nullopt;
        if (!digits(s, i, 4, 4, y) || !expect(s, i, sep) || !digits(s, i, 1, 2, m) ||
            !expect(s, i, sep) || !digits(s, i, 1, 2, d) ||
            !timeOfDay(s, i, sep == '-', hh, mm, ss))
            return std::nullopt;
    } else {
        if (order != DateOrder::DMY && order != DateOrder::MDY) return std::nullopt;
        int first = 0, second = 0;
        if (!digits(s, i, 1, 2, first) || !expect(s, i, '/') || !digits(s, i, 1, 2, second) ||
            !expect(s, i, '/') || !digits(s, i, 4, 4, y) || !timeOfDay(s, i, false, hh, mm, ss))
            return std::nullopt;
        d = order == DateOrder::DMY ? first : second;
        m = order == DateOrder::DMY ? second : first;
    }
    return serialOf(y, m, d, hh, mm, ss);
}

std::optional<bool> readYesNo(std::string_view s) {
    auto is = [&](const char* word) {
        const std::size_t n = std::strlen(word);
        if (s.size() != n) return false;
        for (std::size_t k = 0; k < n; ++k)
            if ((s[k] | 0x20) != word[k]) return false;
        return true;
    };
    if (is("yes") || is("true")) return true;
    if (is("no") || is("false")) return false;
    return std::nullopt;
}

std::size_t charCount(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace qrv::csv
