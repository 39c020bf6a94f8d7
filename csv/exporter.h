// Exporting a table, a stored query or a SELECT statement to a CSV file:
// UTF-8 without a byte-order mark, a header row of field names, CRLF line
// ends, comma delimiters (value forms in csv_format.h). The file is written
// under a temporary name beside the target and renamed over it only when
// complete, so a failed or interrupted export leaves the old file (or none).
#pragma once

#include <functional>
#include <string>

#include "dataaccess/objects/database.h"

namespace qrv::csv {

// Returns the number of rows written. Fails with 3265 when source is neither
// a table, a stored query nor a SELECT statement.
dao::Result<long> exportCsv(dao::Database& db, const std::string& source, const std::string& path,
                            const std::function<bool()>& cancelled = {});

// The temporary file an export to path writes first (same folder, hidden).
std::string exportTempPath(const std::string& path, long pid);

}  // namespace qrv::csv
