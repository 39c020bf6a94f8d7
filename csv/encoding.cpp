// Encoding detection and conversion. Validation uses ICU's UTF-8 macros and
// the Windows-1252 conversion ICU's converter, so the five bytes that code
// page leaves undefined map the way ICU's table says, not the way we guess.
#include "csv/encoding.h"

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

namespace qrv::csv {

using dao::makeError;

namespace {

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

}  // namespace

dao::Result<Encoding> parseEncodingName(std::string_view name) {
    const std::string n = lower(name);
    if (n == "utf-8" || n == "utf8") return Encoding::Utf8;
    if (n == "windows-1252" || n == "cp1252" || n == "windows1252") return Encoding::Windows1252;
    return makeError(dao::err::kInvalidArgument,
                     "Unknown encoding '" + std::string(name) + "': use utf-8 or windows-1252.");
}

const char* encodingName(Encoding e) {
    switch (e) {
        case Encoding::Windows1252:
            return "Windows-1252";
        case Encoding::Utf8:
        case Encoding::Auto:
            break;
    }
    return "UTF-8";
}

std::size_t firstInvalidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const int32_t n = static_cast<int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX));
    int32_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {  // most of a CSV file is ASCII
            ++i;
            continue;
        }
        const int32_t at = i;
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) return static_cast<std::size_t>(at);
    }
    // Files beyond 2 GiB: the rest in pieces that start at a character boundary.
    if (static_cast<std::size_t>(n) < bytes.size()) {
        std::size_t from = static_cast<std::size_t>(n);
        while (from > 0 && (static_cast<uint8_t>(bytes[from]) & 0xC0) == 0x80) --from;
        const std::size_t rest = firstInvalidUtf8(bytes.substr(from));
        return rest == std::string_view::npos ? rest : from + rest;
    }
    return std::string_view::npos;
}

std::size_t firstMultibyteUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const int32_t n = static_cast<int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX));
    int32_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        const int32_t at = i;
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c >= 0) return static_cast<std::size_t>(at);
    }
    return std::string_view::npos;
}

long lineAt(std::string_view bytes, std::size_t offset) {
    offset = std::min(offset, bytes.size());
    return 1 + static_cast<long>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
}

dao::Result<DecodedText> decodeText(std::string_view bytes, Encoding wanted) {
    DecodedText out;
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return makeError(dao::err::kUnrecognizedFormat,
                         "The file is in UTF-16; save it as UTF-8 and import it again.");
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (wanted != Encoding::Windows1252) {
        const std::size_t bad = firstInvalidUtf8(bytes);
        if (bad == std::string_view::npos) {
            out.original = bytes;
            out.encoding = Encoding::Utf8;
            return out;
        }
        const std::string line = std::to_string(lineAt(bytes, bad));
        if (wanted == Encoding::Utf8)
            return makeError(
                dao::err::kUnrecognizedFormat,
                "Line " + line + " is not valid UTF-8; import it with --encoding windows-1252.");
        // Valid UTF-8 characters beside invalid bytes: a file of mixed
        // encodings, which no single reading would import without damage.
        if (const std::size_t good = firstMultibyteUtf8(bytes); good != std::string_view::npos)
            return makeError(dao::err::kUnrecognizedFormat,
                             "Line " + line + " is not valid UTF-8, but line " +
                                 std::to_string(lineAt(bytes, good)) +
                                 " holds UTF-8 text: the file mixes encodings. Correct it, or "
                                 "import it with --encoding windows-1252.");
    }
    // Each byte becomes at most three bytes of UTF-8, within ICU's 32-bit lengths.
    if (bytes.size() > (INT32_MAX - 1) / 3)
        return makeError(dao::err::kUnrecognizedFormat,
                         "The file is too large to convert from Windows-1252; save it as UTF-8.");
    out.converted.resize(bytes.size() * 3 + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("UTF-8", "windows-1252", out.converted.data(),
                                   static_cast<int32_t>(out.converted.size()), bytes.data(),
                                   static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return makeError(dao::err::kUnrecognizedFormat,
                         std::string("The file could not be read as Windows-1252: ") +
                             u_errorName(status) + ".");
    out.converted.resize(static_cast<std::size_t>(n));
    out.encoding = Encoding::Windows1252;
    return out;
}

}  // namespace qrv::csv
