// Fuzz target for the dialect translator: any bytes as a statement, an
// expression, a table rule and a field rule. Besides crashes, hangs and
// sanitizer reports it catches a translation that SQLite reads as more than
// one statement, the one thing the translator must never produce. Expressions
// with no names in them are also run, which exercises the dialect functions.
#include <sqlite3.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/dialect/sql_functions.h"

namespace {

sqlite3* connection() {
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        if (sqlite3_open(":memory:", &d) != SQLITE_OK || qrv::dao::registerDialectFunctions(d))
            std::abort();
        sqlite3_exec(d, "CREATE TABLE t (a, b, \"Units\", \"Name\")", nullptr, nullptr, nullptr);
        // Stops a statement after a bounded amount of work: the fuzzer looks for
        // the translator's faults, not for slow SQL.
        sqlite3_progress_handler(
            d, 1000, [](void*) { return 1; }, nullptr);
        return d;
    }();
    return db;
}

// Prepares (and for `run`, steps) SQLite SQL; a second statement after the
// first one is a translator fault.
void check(const std::string& sql, bool run) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(connection(), sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt);
        return;
    }
    for (; tail != nullptr && *tail != '\0'; ++tail) {
        if (!std::isspace(static_cast<unsigned char>(*tail))) std::abort();
    }
    if (run && sqlite3_stmt_readonly(stmt)) {
        for (int rows = 0; rows < 10 && sqlite3_step(stmt) == SQLITE_ROW; ++rows) {
        }
    }
    sqlite3_finalize(stmt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qrv::dao::AttachFn attach = [](const std::string&) -> qrv::dao::Result<std::string> {
        return std::string("main");
    };
    // Some names come back from the lookup in another spelling, one with
    // quote characters in it: they must stay names.
    const qrv::dao::NameLookup names = [](std::string_view n) -> std::optional<std::string> {
        if (n.size() % 2 == 0) return std::nullopt;
        return std::string(n) + "\"]'";
    };
    if (auto st = qrv::dao::translateStatement(text, attach)) check(st->sql, false);
    if (auto st = qrv::dao::translateStatement(text, attach, &names)) check(st->sql, false);
    if (auto ex = qrv::dao::translateExpression(text)) check("SELECT " + *ex, true);
    if (auto rule = qrv::dao::translateTableRule(text)) check("SELECT " + *rule + " FROM t", true);
    if (auto rule = qrv::dao::translateFieldRule(text, "a"))
        check("SELECT 1 FROM t WHERE " + *rule, true);
    return 0;
}
