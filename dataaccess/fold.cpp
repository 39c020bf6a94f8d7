// Case folding through ICU. Case folding maps every character on its own
// (no context, never to nothing), and an ASCII character folds to one ASCII
// character; so a common ASCII prefix can be compared byte by byte and only
// the rest from the first non-ASCII byte on needs ICU.
#include "dataaccess/fold.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/stringoptions.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

namespace qrv::dao {

namespace {

unsigned char asciiFold(unsigned char c) {
    return static_cast<unsigned>(c - 'A') < 26u ? static_cast<unsigned char>(c + 32) : c;
}

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// Full case folding of the whole text by ICU; malformed bytes pass unchanged.
std::string icuFold(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT,
                           icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink,
                           nullptr, status);
    if (U_FAILURE(status)) return std::string(text);  // only on exhausted memory
    return out;
}

int compareBytes(std::string_view a, std::string_view b) {
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Position of the first byte where a and b stop being ASCII with equal folds:
// the first non-ASCII byte in either, the first differing ASCII pair, or the
// end of the shorter text.
size_t asciiPrefix(std::string_view a, std::string_view b, bool& nonAscii) {
    const size_t n = std::min(a.size(), b.size());
    nonAscii = false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if ((x | y) & 0x80) {
            nonAscii = true;
            return i;
        }
        if (x != y && asciiFold(x) != asciiFold(y)) return i;
    }
    return n;
}

}  // namespace

std::string foldCase(std::string_view text) {
    if (!isAscii(text)) return icuFold(text);
    std::string out(text);
    for (char& c : out) c = static_cast<char>(asciiFold(static_cast<unsigned char>(c)));
    return out;
}

bool iequal(std::string_view a, std::string_view b) {
    // Field lookups by name come through here for every value written, and
    // names are nearly always ASCII: compare those bytes in one pass.
    if (a.size() == b.size()) {
        for (size_t i = 0; i < a.size(); ++i) {
            const unsigned char x = static_cast<unsigned char>(a[i]);
            const unsigned char y = static_cast<unsigned char>(b[i]);
            if (x == y) continue;
            if ((x | y) & 0x80) return icuFold(a) == icuFold(b);
            // Differing ASCII letters: the texts differ, whatever came before
            // (equal bytes fold alike, and an ASCII byte is a whole character).
            if (asciiFold(x) != asciiFold(y)) return false;
        }
        return true;
    }
    // Different lengths can only fold alike beyond ASCII ("ß" and "ss").
    return !(isAscii(a) && isAscii(b)) && icuFold(a) == icuFold(b);
}

int compareFoldOnly(std::string_view a, std::string_view b) {
    bool nonAscii;
    const size_t i = asciiPrefix(a, b, nonAscii);
    if (nonAscii) return compareBytes(icuFold(a.substr(i)), icuFold(b.substr(i)));
    if (i < a.size() && i < b.size())
        return asciiFold(static_cast<unsigned char>(a[i])) <
                       asciiFold(static_cast<unsigned char>(b[i]))
                   ? -1
                   : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int compareFolded(std::string_view a, std::string_view b) {
    const int c = compareFoldOnly(a, b);
    return c != 0 ? c : compareBytes(a, b);
}

std::optional<std::size_t> utf8Length(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto n = static_cast<int32_t>(text.size());
    std::size_t count = 0;
    for (int32_t i = 0; i < n;) {
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) return std::nullopt;
        ++count;
    }
    return count;
}

}  // namespace qrv::dao
