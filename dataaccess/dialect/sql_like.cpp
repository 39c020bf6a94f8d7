// The dialect's LIKE as the SQL function qrv_like(value, pattern).
#include "dataaccess/dialect/sql_like.h"

#include <sqlite3.h>
#include <unicode/uchar.h>

#include <cstddef>
#include <cstdint>

namespace qrv::dao {

namespace {

// ---- qrv_like(value, pattern) ---------------------------------------------
//
// Pattern language: "*" any run of characters, "?" one character, "#" one
// digit, "[abc]" / "[a-z]" one character of a class, "[!...]" one character
// outside it; "[*]", "[?]", "[#]", "[[]" stand for the character itself.
// Matching ignores case (ICU's case folding of single characters, so "?"
// still stands for exactly one character) and works on UTF-8 characters,
// not bytes.

// Decodes one UTF-8 character at s[i] and advances i; a malformed byte is
// taken as a character by itself so that matching never stalls.
std::uint32_t decode(const unsigned char* s, std::size_t n, std::size_t& i) {
    const unsigned char c = s[i++];
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + extra > n) return c;
    std::uint32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return c;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    i += extra;
    return cp;
}

std::uint32_t fold(std::uint32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return static_cast<std::uint32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

enum class ElemKind { Star, Any, Digit, Char, Class, Empty };

struct Elem {
    ElemKind kind;
    std::size_t next;            // pattern offset after this element
    std::uint32_t ch = 0;        // Char: the folded character
    std::size_t classBegin = 0;  // Class: offsets of the class body, after "!"
    std::size_t classEnd = 0;
    bool negate = false;
};

// Parses the element at p[j]; false for an unterminated "[".
bool element(const unsigned char* p, std::size_t n, std::size_t j, Elem& e) {
    const unsigned char c = p[j];
    if (c == '*') {
        e = {ElemKind::Star, j + 1};
    } else if (c == '?') {
        e = {ElemKind::Any, j + 1};
    } else if (c == '#') {
        e = {ElemKind::Digit, j + 1};
    } else if (c == '[') {
        std::size_t k = j + 1;
        const bool negate = k < n && p[k] == '!';
        if (negate) ++k;
        const std::size_t body = k;
        // The first "]" closes the class; "[]" is the empty class, which matches
        // the empty string and so consumes nothing.
        while (k < n && p[k] != ']') ++k;
        if (k >= n) return false;
        e = {k == body && !negate ? ElemKind::Empty : ElemKind::Class, k + 1};
        e.classBegin = body;
        e.classEnd = k;
        e.negate = negate;
    } else {
        std::size_t next = j;
        const std::uint32_t cp = decode(p, n, next);
        e = {ElemKind::Char, next};
        e.ch = fold(cp);
    }
    return true;
}

bool classMatches(const unsigned char* p, const Elem& e, std::uint32_t c) {
    bool found = false;
    std::size_t k = e.classBegin;
    while (k < e.classEnd && !found) {
        const std::uint32_t lo = fold(decode(p, e.classEnd, k));
        if (k + 1 < e.classEnd && p[k] == '-') {
            ++k;
            const std::uint32_t hi = fold(decode(p, e.classEnd, k));
            found = lo <= c && c <= hi;
        } else {
            found = lo == c;
        }
    }
    return found != e.negate;
}

// 1 match, 0 no match, -1 malformed pattern. Every element but "*" consumes
// exactly one character, so remembering the last "*" is enough backtracking.
int likeMatch(const unsigned char* s, std::size_t sn, const unsigned char* p, std::size_t pn) {
    std::size_t i = 0, j = 0;
    std::size_t starJ = SIZE_MAX, starI = 0;
    for (;;) {
        if (j < pn) {
            Elem e{};
            if (!element(p, pn, j, e)) return -1;
            if (e.kind == ElemKind::Star) {
                starJ = e.next;
                starI = i;
                j = e.next;
                continue;
            }
            if (e.kind == ElemKind::Empty) {
                j = e.next;
                continue;
            }
            if (i < sn) {
                std::size_t after = i;
                const std::uint32_t c = fold(decode(s, sn, after));
                bool ok = false;
                switch (e.kind) {
                    case ElemKind::Any:
                        ok = true;
                        break;
                    case ElemKind::Digit:
                        ok = c >= '0' && c <= '9';
                        break;
                    case ElemKind::Char:
                        ok = c == e.ch;
                        break;
                    case ElemKind::Class:
                        ok = classMatches(p, e, c);
                        break;
                    default:
                        break;
                }
                if (ok) {
                    i = after;
                    j = e.next;
                    continue;
                }
            }
        } else if (i == sn) {
            return 1;
        }
        if (starJ == SIZE_MAX || starI >= sn) {
            // Still check the rest of the pattern for a malformed class.
            for (Elem e{}; j < pn; j = e.next)
                if (!element(p, pn, j, e)) return -1;
            return 0;
        }
        decode(s, sn, starI);
        i = starI;
        j = starJ;
    }
}

}  // namespace

void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const unsigned char* s = sqlite3_value_text(argv[0]);
    const std::size_t sn = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
    const unsigned char* p = sqlite3_value_text(argv[1]);
    const std::size_t pn = static_cast<std::size_t>(sqlite3_value_bytes(argv[1]));
    if (s == nullptr || p == nullptr) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    const int r = likeMatch(s, sn, p, pn);
    if (r < 0) {
        sqlite3_result_error(ctx, "Invalid pattern string.", -1);
        return;
    }
    sqlite3_result_int(ctx, r);
}

}  // namespace qrv::dao
