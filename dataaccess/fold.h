// Case folding of names. Names that differ only in letter case are one name,
// in every script: the fold is ICU's full case folding (so "Straße" and
// "STRASSE" are one name), with a fast path for ASCII, which most names are.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qrv::dao {

// The case fold of a UTF-8 text, as UTF-8. Bytes that are not valid UTF-8
// are kept as they are, so two different malformed texts never fold alike.
std::string foldCase(std::string_view text);

// True when a and b have the same case fold.
bool iequal(std::string_view a, std::string_view b);

// Orders texts by their case fold, and texts of equal fold by their bytes:
// negative, zero or positive. Fold-equal texts sort next to each other and
// identical texts next to each other within them.
int compareFolded(std::string_view a, std::string_view b);
// Orders texts by their case fold alone: zero for texts equal but for case.
int compareFoldOnly(std::string_view a, std::string_view b);

// The number of characters (code points) of a valid UTF-8 text; nothing when
// the text is not valid UTF-8.
std::optional<std::size_t> utf8Length(std::string_view text);

}  // namespace qrv::dao
