// query: stores a query of the query dialect under a name, so that scenarios
// can read it, or prints the text of a stored one.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "scenario/scenario_author.h"

namespace qrv::cli {

using namespace qrv::scenario;

namespace {

struct QueryArgs {
    std::string db, name, sql, connect;
    CLI::Option* sqlOpt = nullptr;
};

int runQuery(const QueryArgs& a) {
    const bool store = a.sqlOpt->count() > 0;
    auto db = openForAuthoring(a.db, a.connect, !store, false);
    if (!db) return 1;
    if (!store) {
        auto text = QueryText(*db, a.name);
        if (!text) return report(text.error());
        std::cout << *text << "\n";
        return 0;
    }
    if (dao::Error e = StoreQuery(*db, a.name, a.sql)) return report(e);
    std::cout << "Query " << a.name << " stored\n";
    return 0;
}

}  // namespace

void addQueryCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<QueryArgs>();
    CLI::App* c =
        app.add_subcommand("query", "store, replace or print a query of the query dialect");
    c->add_option("DB", a->db, "database file")->required();
    c->add_option("NAME", a->name, "query name (never a table's)")->required();
    a->sqlOpt = c->add_option("SQL", a->sql, "the query's text");
    setExample(
        *c,
        "  "
        "quorvane query data.db qryNorth \"SELECT [Plant], [Yield] FROM [Measurements] "
        "WHERE [Region] = 'North'\"",
        "Store a query (a SELECT of the query dialect) under NAME, replacing a query of that "
        "name, so that scenarios can use it as their input; without SQL print the stored text.\n"
        "A query may read a table of another file with FROM [Table] IN 'file'. A relative path "
        "is taken from the folder of DB, so the query reads the same file wherever the program "
        "runs (a one-off sql statement takes it from the current folder). A file with a "
        "password is read with the --password that opens DB. When the file is missing later, "
        "reading the query fails naming it; DB still opens.");
    c->callback([a, c, &exitCode] {
        a->connect = databaseConnect(*c);
        exitCode = runQuery(*a);
    });
}

}  // namespace qrv::cli
