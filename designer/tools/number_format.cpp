#include "designer/tools/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace qrv::designer::tools {

namespace {

constexpr int kMaxDecimals = 20;
// Plain digits inside [kPlainLow, kPlainHigh), an exponent outside: the
// usual rule of interactive number printing, which keeps 1e6 from turning
// into "1e+06" and 1e-30 from becoming thirty zeros.
constexpr double kPlainLow = 1e-4;
constexpr double kPlainHigh = 1e16;

std::string fixed(double value, bool shortest) {
    // A double's fixed form has at most 309 integer digits, and the shortest
    // fixed form of a tiny value up to about 330 decimals.
    char buf[400];
    const auto r = shortest ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed)
                            : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                            kMaxDecimals);
    if (r.ec != std::errc()) return {};
    return std::string(buf, r.ptr);
}

const char* special(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    return nullptr;
}

template <typename T>
std::string shortest(T value) {
    if (const char* s = special(value)) return s;
    const double a = std::fabs(static_cast<double>(value));
    const auto format = a == 0 || (a >= kPlainLow && a < kPlainHigh)
                            ? std::chars_format::fixed
                            : std::chars_format::scientific;
    char buf[64];  // plain digits stay under 1e16 and 1e-4, so a few dozen at most
    const auto r = std::to_chars(buf, buf + sizeof buf, value, format);
    if (r.ec != std::errc()) return {};
    return std::string(buf, r.ptr);
}

}  // namespace

std::string FormatProbability(double value) {
    if (const char* s = special(value)) return s;
    std::string s = fixed(value, true);
    const auto point = s.find('.');
    if (point != std::string::npos && s.size() - point - 1 > kMaxDecimals) {
        s = fixed(value, false);
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

std::string FormatShortest(double value) {
    return shortest(value);
}

std::string FormatShortest(float value) {
    return shortest(value);
}

std::string FormatSignificant(double value, int digits) {
    if (special(value)) return shortest(value);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                 std::clamp(digits, 1, 17) - 1);
    double rounded = value;
    if (r.ec != std::errc() || std::from_chars(buf, r.ptr, rounded).ec != std::errc())
        return shortest(value);
    return shortest(rounded);
}

std::string FormatFixed(double value, int decimals) {
    if (const char* s = special(value)) return s;
    if (std::fabs(value) >= kPlainHigh) return shortest(value);
    char buf[64];  // 16 integer digits, a sign, a point and the decimals
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                 std::clamp(decimals, 0, kMaxFixedDecimals));
    if (r.ec != std::errc()) return {};
    return std::string(buf, r.ptr);
}

}  // namespace qrv::designer::tools
