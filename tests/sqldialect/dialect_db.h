// Test fixture for the dialect translator: an in-memory SQLite database with
// the dialect functions registered. Tests set up tables in plain SQLite,
// send dialect SQL through the translator and compare the rows that come
// back with values worked out by hand.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/dialect/sql_functions.h"

namespace qrv::dao::testing {

// Each cell as SQLite's text form; "NULL" marks a null.
using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

class DialectDb : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        ASSERT_EQ(registerDialectFunctions(db_), SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db_); }

    // Plain SQLite, for setting up and inspecting tables.
    void exec(const std::string& sqliteSql) {
        char* msg = nullptr;
        const int rc = sqlite3_exec(db_, sqliteSql.c_str(), nullptr, nullptr, &msg);
        ASSERT_EQ(rc, SQLITE_OK) << (msg ? msg : "") << "\n  in: " << sqliteSql;
        sqlite3_free(msg);
    }

    // Runs SQLite SQL and returns all rows; an SQLite error is a test failure
    // and gives no rows.
    Rows query(const std::string& sqliteSql) {
        Rows rows;
        std::string error;
        if (!tryQuery(sqliteSql, rows, error)) ADD_FAILURE() << error << "\n  in: " << sqliteSql;
        return rows;
    }

    bool tryQuery(const std::string& sqliteSql, Rows& rows, std::string& error) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sqliteSql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(db_);
            return false;
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            Row row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) error = sqlite3_errmsg(db_);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    }

    // Translates a dialect statement; a translation error is a test failure.
    std::string translate(std::string_view dialect) {
        Result<TranslatedSql> r = translateStatement(dialect, attach);
        if (!r) {
            ADD_FAILURE() << "error " << r.error().number << " " << r.error().description
                          << "\n  for: " << dialect;
            return {};
        }
        return r->sql;
    }

    // Translates and runs a dialect statement.
    Rows run(std::string_view dialect) {
        const std::string sql = translate(dialect);
        if (sql.empty()) return {};
        return query(sql);
    }

    // The first column of every row, for queries that return one column.
    std::vector<std::string> column(std::string_view dialect) {
        std::vector<std::string> out;
        for (const Row& row : run(dialect)) out.push_back(row.at(0));
        return out;
    }

    // The one value of a one-row, one-column query.
    std::string scalar(std::string_view dialect) {
        const Rows rows = run(dialect);
        if (rows.size() != 1 || rows[0].size() != 1) {
            ADD_FAILURE() << "expected one value from: " << dialect;
            return {};
        }
        return rows[0][0];
    }

    // Error number of a statement the translator should refuse (0 if it accepted it).
    int errorOf(std::string_view dialect) {
        Result<TranslatedSql> r = translateStatement(dialect, attach);
        return r ? 0 : r.error().number;
    }

    sqlite3* db_ = nullptr;
    AttachFn attach;  // tests that use source clauses set it
};

}  // namespace qrv::dao::testing
