// export: a table, stored query or SELECT statement to a CSV file.
#include <iostream>

#include "cli/commands.h"
#include "cli/csv_commands.h"
#include "csv/exporter.h"
#include "dataaccess/dataaccess.h"

namespace qrv::cli {

using namespace qrv::dao;

int runExport(const ExportArgs& args) {
    auto db = DBEngine::Instance().OpenDatabase(args.db, false, true, args.connect);
    if (!db) return fail(db.error().description);
    InterruptGuard guard;
    auto rows =
        csv::exportCsv(*db, args.source, args.file, [] { return InterruptGuard::interrupted(); });
    db->Close();
    if (!rows) {
        fail(rows.error().description);
        return InterruptGuard::interrupted() ? kInterruptedExit : 1;
    }
    std::cout << *rows << (*rows == 1 ? " row" : " rows") << " exported to " << args.file << "\n";
    return 0;
}

}  // namespace qrv::cli
