// Display widths from ICU's character properties, so that columns of names in
// any script line up on a terminal.
#include "cli/display_width.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace qrv::cli {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…", one column
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Calls f(codePoint, bytes) for each character of the printable form of text.
template <class F>
void forEachPrintable(std::string_view text, F f) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t n = static_cast<int32_t>(text.size());
    int32_t i = 0;
    while (i < n) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) {
            f(U'\xFFFD', kReplacement);
        } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            f(U' ', std::string_view(" "));
        } else {
            f(static_cast<char32_t>(c),
              text.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
        }
    }
}

// Most texts are plain printable ASCII: one column a byte, shown as they are.
bool plainAscii(std::string_view text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F) return false;
    }
    return true;
}

}  // namespace

int codePointWidth(char32_t c) {
    const auto u = static_cast<UChar32>(c);
    if (u < 0x20 || (u >= 0x7F && u < 0xA0)) return 0;
    const auto category = static_cast<UCharCategory>(u_charType(u));
    // Combining marks, and format characters such as the zero-width joiner;
    // the soft hyphen is shown by terminals, so it keeps its column.
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK ||
        (category == U_FORMAT_CHAR && u != 0xAD))
        return 0;
    // Medial vowels and final consonants of conjoining Hangul join the
    // syllable before them.
    const int hangul = u_getIntPropertyValue(u, UCHAR_HANGUL_SYLLABLE_TYPE);
    if (hangul == U_HST_VOWEL_JAMO || hangul == U_HST_TRAILING_JAMO) return 0;
    const int eaw = u_getIntPropertyValue(u, UCHAR_EAST_ASIAN_WIDTH);
    return eaw == U_EA_WIDE || eaw == U_EA_FULLWIDTH ? 2 : 1;
}

int displayWidth(std::string_view text) {
    if (plainAscii(text)) return static_cast<int>(text.size());
    int w = 0;
    forEachPrintable(text, [&](char32_t c, std::string_view) { w += codePointWidth(c); });
    return w;
}

std::string printable(std::string_view text) {
    if (plainAscii(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    forEachPrintable(text, [&](char32_t, std::string_view bytes) { out += bytes; });
    return out;
}

std::string fitWidth(std::string_view text, int width) {
    if (width <= 0) return "";
    if (plainAscii(text)) {
        if (static_cast<int>(text.size()) <= width) return std::string(text);
        return std::string(text.substr(0, static_cast<size_t>(width - 1))) + std::string(kEllipsis);
    }
    if (displayWidth(text) <= width) return printable(text);
    // Room for the ellipsis; a character that does not fit ends the text, and
    // the marks that follow it go with it.
    const int room = width - 1;
    std::string out;
    int used = 0;
    bool full = false;
    forEachPrintable(text, [&](char32_t c, std::string_view bytes) {
        if (full) return;
        const int w = codePointWidth(c);
        if (used + w > room) {
            full = true;
            return;
        }
        used += w;
        out += bytes;
    });
    out += kEllipsis;
    return out;
}

std::string padWidth(std::string_view text, int width, bool rightAlign) {
    std::string fitted = fitWidth(text, width);
    const int w = displayWidth(fitted);
    const std::string pad(static_cast<size_t>(width > w ? width - w : 0), ' ');
    return rightAlign ? pad + fitted : fitted + pad;
}

}  // namespace qrv::cli
