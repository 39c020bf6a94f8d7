// Guessing a file's delimiter from its first records: the comma, semicolon
// or tab that splits them into the same number of fields, more than one.
#pragma once

#include <string_view>

namespace qrv::csv {

// Among candidates that split every sampled record alike, the one giving the
// most fields wins (ties: comma, semicolon, tab). When none does, the one that
// splits the header row most (so a ragged file is reported against the
// delimiter its header uses); a one-column file gives a comma.
char sniffDelimiter(std::string_view text);

}  // namespace qrv::csv
