#include "designer/tools/number_format.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace qrv::designer::tools {

namespace {

constexpr int kMaxDecimals = 20;

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

}  // namespace

std::string FormatProbability(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
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

}  // namespace qrv::designer::tools
