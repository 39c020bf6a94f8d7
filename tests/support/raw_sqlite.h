// Another SQLite client: plain statements on a database file, bypassing the
// data-access layer, the way a shell or a CSV loader would write it.
#pragma once

#include <sqlite3.h>

#include <string>

namespace qrv::test {

// Runs the statements (making the file when there is none); returns
// SQLite's error message, empty on success.
inline std::string rawExec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "cannot open";
    } else {
        sqlite3_busy_timeout(db, 5000);
        char* msg = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            error = msg ? msg : "failed";
            sqlite3_free(msg);
        }
    }
    sqlite3_close(db);
    return error;
}

}  // namespace qrv::test
