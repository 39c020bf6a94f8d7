// Printing a recordset for the command line: aligned columns for people, or
// CSV (numbers in full precision) for other programs. Rows are read as they
// are printed, never all held; an error met on the way ends the printing.
#pragma once

#include <ostream>

#include "dataaccess/recordset.h"

namespace qrv::cli {

dao::Error printAligned(dao::Recordset& rs, std::ostream& out);
dao::Error printCsv(dao::Recordset& rs, std::ostream& out);

}  // namespace qrv::cli
