// sql: runs one statement of the query dialect on a database.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "cli/table_printer.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/dialect/sql_dialect.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

struct SqlOptions {
    std::string path, statement, connect;
    long limit = -1;
    bool csv = false;
};

int sql(const SqlOptions& o) {
    // The kind decides how the file is opened; a statement the dialect
    // refuses is reported before the file is touched.
    auto kind = translateStatement(
        o.statement, [](const std::string&) -> Result<std::string> { return std::string("main"); });
    if (!kind) return fail(kind.error().description);
    const bool select = kind->kind == StatementKind::Select;
    auto db = DBEngine::Instance().OpenDatabase(o.path, false, select, o.connect);
    if (!db) return fail(db.error().description);
    if (!select) {
        UpgradeOnWrite(*db);
        auto n = db->Execute(o.statement);
        if (!n) return fail(n.error().description);
        std::cout << *n << (*n == 1 ? " record" : " records") << " affected\n";
        return 0;
    }
    auto rs = db->OpenRecordset(o.statement, dbOpenSnapshot);
    if (!rs) return fail(rs.error().description);
    const Error e =
        o.csv ? printCsv(*rs, std::cout, o.limit) : printAligned(*rs, std::cout, o.limit);
    if (e) return fail(e.description);
    return 0;
}

}  // namespace

void addSqlCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<SqlOptions>();
    CLI::App* c = app.add_subcommand("sql", "run one statement of the query dialect");
    c->add_option("DB", o->path, "database file")->required();
    c->add_option("STATEMENT", o->statement, "one statement")->required();
    c->add_option("--limit", o->limit, "print at most N rows of a SELECT")
        ->type_name("N")
        ->check(checkCount);
    c->add_flag("--csv", o->csv, "print the rows as comma-separated values");
    setExample(*c,
               "  quorvane sql sales.db \"SELECT [Store], Sum([Amount]) AS Total FROM [Orders] "
               "GROUP BY [Store]\"\n"
               "  quorvane sql sales.db \"DELETE * FROM [Orders] WHERE [Amount] < 0\"",
               "A SELECT prints its rows as show does; any other statement prints the\n"
               "number of records it affected.");
    c->callback([o, c, &exitCode] {
        o->connect = databaseConnect(*c);
        exitCode = sql(*o);
    });
}

}  // namespace qrv::cli
