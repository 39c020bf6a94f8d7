// Printing a recordset for the command line: aligned columns for people, or
// CSV (numbers in full precision) for other programs.
#pragma once

#include <ostream>

#include "dataaccess/recordset.h"

namespace qrv::cli {

void printAligned(dao::Recordset& rs, std::ostream& out);
void printCsv(dao::Recordset& rs, std::ostream& out);

}  // namespace qrv::cli
