// sql: runs one statement of the query dialect on a database.
#include <iostream>

#include "cli/commands.h"
#include "cli/table_printer.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/sql_dialect.h"

namespace qrv::cli {

using namespace qrv::dao;

int cmdSql(const Args& args) {
    const char* usage = "usage: quorvane sql DB STATEMENT [--csv]";
    std::string path, statement;
    bool csv = false, haveStatement = false;
    for (const std::string& a : args) {
        if (a == "--csv")
            csv = true;
        else if (a.rfind("--", 0) == 0)
            return fail(usage);  // never a file name: a mistyped option must not become one
        else if (path.empty())
            path = a;
        else if (!haveStatement) {
            statement = a;
            haveStatement = true;
        } else
            return fail(usage);
    }
    if (path.empty() || !haveStatement) return fail(usage);
    // The kind decides how the file is opened; a statement the dialect
    // refuses is reported before the file is touched.
    auto kind = translateStatement(
        statement, [](const std::string&) -> Result<std::string> { return std::string("main"); });
    if (!kind) return fail(kind.error().description);
    const bool select = kind->kind == StatementKind::Select;
    auto db = DBEngine::Instance().OpenDatabase(path, false, select);
    if (!db) return fail(db.error().description);
    if (!select) {
        auto n = db->Execute(statement);
        if (!n) return fail(n.error().description);
        std::cout << *n << (*n == 1 ? " record" : " records") << " affected\n";
        return 0;
    }
    // One read transaction: both walks of the aligned printer see the same rows.
    if (Error e = db->BeginTrans()) return fail(e.description);
    auto rs = db->OpenRecordset(statement, dbOpenSnapshot);
    if (!rs) return fail(rs.error().description);
    const Error e = csv ? printCsv(*rs, std::cout) : printAligned(*rs, std::cout);
    if (e) return fail(e.description);
    return 0;
}

}  // namespace qrv::cli
