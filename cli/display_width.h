// How much room a text takes on a terminal: East Asian wide and fullwidth
// characters take two columns, combining marks and other zero-width characters
// none, everything else one. Texts are UTF-8; a byte that is not part of valid
// UTF-8 counts as one column and is shown as U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace qrv::cli {

// Columns one code point takes (0, 1 or 2).
int codePointWidth(char32_t c);

// Columns the whole text takes, once made printable.
int displayWidth(std::string_view text);

// The text as it can be shown on one line: line breaks, tabs and other
// control characters become single blanks, invalid bytes U+FFFD.
std::string printable(std::string_view text);

// The printable text cut to at most `width` columns, ending in "…" when
// something was left out; never splits a character or separates a base
// character from its combining marks.
std::string fitWidth(std::string_view text, int width);

// The text made to take exactly `width` columns: cut as fitWidth does, then
// padded with blanks on the right (or on the left when rightAlign).
std::string padWidth(std::string_view text, int width, bool rightAlign = false);

}  // namespace qrv::cli
