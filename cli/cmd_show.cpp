// show: prints a table or stored query of a database.
#include <iostream>

#include "cli/commands.h"
#include "cli/table_printer.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/sql_dialect.h"

namespace qrv::cli {

using namespace qrv::dao;

int cmdShow(const Args& args) {
    const char* usage = "usage: quorvane show DB TABLE [--csv]";
    std::string path, table;
    bool csv = false;
    for (const std::string& a : args) {
        if (a == "--csv")
            csv = true;
        else if (path.empty())
            path = a;
        else if (table.empty())
            table = a;
        else
            return fail(usage);
    }
    if (table.empty()) return fail(usage);
    auto db = DBEngine::Instance().OpenDatabase(path, false, true);
    if (!db) return fail(db.error().description);
    if (!db->GetTableDef(table) && !db->GetQueryDef(table))
        return fail("Table or query [" + table + "] not found in " + path);
    auto rs = db->OpenRecordset("SELECT * FROM " + bracketName(table), dbOpenSnapshot);
    if (!rs) return fail(rs.error().description);
    const Error e = csv ? printCsv(*rs, std::cout) : printAligned(*rs, std::cout);
    if (e) return fail(e.description);
    return 0;
}

}  // namespace qrv::cli
