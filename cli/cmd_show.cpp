// show: prints a table or stored query of a database.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/table_printer.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/dialect/sql_dialect.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

struct ShowOptions {
    std::string path, table, connect;
    long limit = -1;
    bool csv = false;
};

int show(const ShowOptions& o) {
    auto db = DBEngine::Instance().OpenDatabase(o.path, false, true, o.connect);
    if (!db) return fail(db.error().description);
    if (!db->GetTableDef(o.table) && !db->GetQueryDef(o.table))
        return fail("Table or query [" + o.table + "] not found in " + o.path);
    auto rs = db->OpenRecordset("SELECT * FROM " + bracketName(o.table), dbOpenSnapshot);
    if (!rs) return fail(rs.error().description);
    const Error e =
        o.csv ? printCsv(*rs, std::cout, o.limit) : printAligned(*rs, std::cout, o.limit);
    if (e) return fail(e.description);
    return 0;
}

}  // namespace

void addShowCommands(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<ShowOptions>();
    CLI::App* c = app.add_subcommand("show", "print a table or stored query (aligned, or as CSV)");
    c->add_option("DB", o->path, "database file")->required();
    c->add_option("TABLE", o->table, "table or stored query")->required();
    c->add_option("--limit", o->limit, "print at most N rows")->type_name("N")->check(checkCount);
    c->add_flag("--csv", o->csv, "print comma-separated values, numbers in full precision");
    setExample(*c,
               "  quorvane show sales.db Orders --limit 20\n"
               "  quorvane show sales.db Demo_Describe --csv > describe.csv");
    c->callback([o, c, &exitCode] {
        o->connect = databaseConnect(*c);
        exitCode = show(*o);
    });
}

}  // namespace qrv::cli
