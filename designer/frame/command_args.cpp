#include "designer/frame/command_args.h"

#include <algorithm>
#include <cctype>

namespace qrv::designer {

namespace {

std::string trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

CCommandArgs::CCommandArgs(std::string_view source, char delimiter) {
    // Cut into pieces at single delimiters; a doubled one is literal text.
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (source[i] != delimiter) {
            pieces.back() += source[i];
        } else if (i + 1 < source.size() && source[i + 1] == delimiter) {
            pieces.back() += delimiter;
            ++i;
        } else {
            pieces.emplace_back();
        }
    }
    for (const std::string& piece : pieces) {
        const auto blank = piece.find(' ');
        std::string name = piece.substr(0, blank);
        if (name.empty()) continue;
        std::string value = blank == std::string::npos
                                ? std::string()
                                : trimBlanks(std::string_view(piece).substr(blank + 1));
        switches_.emplace_back(std::move(name), std::move(value));
    }
}

std::string CCommandArgs::Value(std::string_view name) const {
    for (const auto& [n, v] : switches_)
        if (sameName(n, name)) return v;
    return {};
}

bool CCommandArgs::Has(std::string_view name) const {
    return std::any_of(switches_.begin(), switches_.end(),
                       [&](const auto& s) { return sameName(s.first, name); });
}

std::string EscapeSwitchValue(std::string_view value, char delimiter) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == delimiter) out += c;
    }
    return out;
}

}  // namespace qrv::designer
