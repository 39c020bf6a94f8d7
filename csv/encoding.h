// Character encodings of CSV files. Files are UTF-8 unless their bytes are
// not valid UTF-8, in which case they are read as Windows-1252 (the usual
// encoding of files saved by desktop programs on Western European systems);
// a caller may force either. Text inside the database is always UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataaccess/error.h"

namespace qrv::csv {

enum class Encoding { Auto, Utf8, Windows1252 };

// "utf-8"/"utf8", "windows-1252"/"cp1252" in any letter case; error 3001 otherwise.
dao::Result<Encoding> parseEncodingName(std::string_view name);
const char* encodingName(Encoding e);

// Offset of the first byte that does not belong to a valid UTF-8 sequence,
// or npos when the whole text is valid.
std::size_t firstInvalidUtf8(std::string_view bytes);

// Offset of the first valid UTF-8 sequence of two or more bytes, or npos.
std::size_t firstMultibyteUtf8(std::string_view bytes);

// The 1-based line of the byte at offset (lines end with LF).
long lineAt(std::string_view bytes, std::size_t offset);

// The file's text as UTF-8 with a leading UTF-8 byte-order mark left out:
// a view of the file's bytes when no conversion was needed, else a copy.
struct DecodedText {
    Encoding encoding = Encoding::Utf8;
    std::string converted;
    std::string_view original;
    std::string_view text() const {
        return encoding == Encoding::Windows1252 ? std::string_view(converted) : original;
    }
};
// Forcing UTF-8 on bytes that are not UTF-8 fails with the line of the first
// bad byte; so does guessing on a file that holds both invalid bytes and
// valid UTF-8 characters of two or more bytes (mixed encodings). UTF-16 files
// (recognised by their byte-order mark) are refused.
dao::Result<DecodedText> decodeText(std::string_view bytes, Encoding wanted);

}  // namespace qrv::csv
