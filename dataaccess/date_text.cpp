// The date-text parser shared by SQL date literals and value conversion,
// and the serial <-> calendar arithmetic behind it.
#include "dataaccess/date_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace qrv::dao {

namespace {

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

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

struct Cursor {
    std::string_view s;
    std::size_t i = 0;

    bool done() const { return i >= s.size(); }
    char peek() const { return done() ? '\0' : s[i]; }
    void skipSpace() {
        while (!done() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    // Reads up to 4 digits; returns how many were read.
    int number(int& value) {
        int digits = 0;
        value = 0;
        while (!done() && digits < 4 && s[i] >= '0' && s[i] <= '9') {
            value = value * 10 + (s[i] - '0');
            ++i;
            ++digits;
        }
        return digits;
    }
    bool take(char c) {
        if (peek() != c) return false;
        ++i;
        return true;
    }
    // Case-insensitive "AM" / "PM" at the cursor.
    bool meridiem(bool& pm) {
        if (s.size() - i < 2) return false;
        const char a = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
        const char m = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
        if ((a != 'A' && a != 'P') || m != 'M') return false;
        pm = a == 'P';
        i += 2;
        return true;
    }
};

}  // namespace

double serialFromCivil(int year, int month, int day) {
    return static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        kSerialEpochFrom1970);
}

std::optional<double> parseDateText(std::string_view text) {
    Cursor cur{text};
    cur.skipSpace();
    int y = 1899, m = 12, d = 30, h = 0, mi = 0, s = 0;
    const std::size_t start = cur.i;
    int first = 0;
    const int firstDigits = cur.number(first);
    if (firstDigits == 0) return std::nullopt;
    const char sep = cur.peek();
    const bool isoOrder = firstDigits == 4;
    if (sep == '/' || sep == '-' || sep == '.') {
        ++cur.i;
        int second = 0, third = 0;
        if (cur.number(second) == 0 || !cur.take(sep)) return std::nullopt;
        const int thirdDigits = cur.number(third);
        if (thirdDigits == 0) return std::nullopt;
        if (isoOrder) {
            y = first, m = second, d = third;
        } else {
            m = first, d = second, y = third;
            if (thirdDigits <= 2) y += y < 30 ? 2000 : 1900;
        }
        if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return std::nullopt;
        if (isoOrder && (cur.peek() == 'T' || cur.peek() == 't'))
            ++cur.i;
        else
            cur.skipSpace();
    } else {
        cur.i = start;  // a time alone
    }
    if (!cur.done()) {
        if (cur.number(h) == 0) return std::nullopt;
        bool hasMinutes = false;
        if (cur.take(':')) {
            if (cur.number(mi) == 0) return std::nullopt;
            hasMinutes = true;
            if (cur.take(':') && cur.number(s) == 0) return std::nullopt;
        }
        cur.skipSpace();
        bool pm = false;
        if (cur.meridiem(pm)) {
            if (h > 12) return std::nullopt;
            h = h % 12 + (pm ? 12 : 0);
        } else if (!hasMinutes) {
            return std::nullopt;  // a bare number is neither a date nor a time
        }
        cur.skipSpace();
        if (!cur.done() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    }
    return serialFromCivil(y, m, d) + (h * 3600 + mi * 60 + s) / 86400.0;
}

bool isStoredDateText(std::string_view t) {
    if (t.size() != 19) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '9';
        if (want == '9' ? (c < '0' || c > '9') : c != want) return false;
    }
    return parseDateText(t).has_value();
}

std::string serialDateToIso(double serial) {
    // Round to whole seconds so that a stored time reads back as written.
    const double days = std::floor(serial);
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

}  // namespace qrv::dao
