// A database with the scenario tables and one small input table, for the
// tests of scenario authoring; and a snapshot of the three scenario tables,
// row by row, to show that a refused command changed nothing.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "scenario/scenario_tables.h"
#include "support/temp_dir.h"

namespace qrv::test {

class AuthoringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        using namespace qrv::dao;
        auto r = DBEngine::Instance().CreateDatabase(dir.file("author.db"), dbLangGeneral);
        ASSERT_TRUE(r.ok());
        db = *r;
        scenario::StoreContext ctx{db, nullptr, nullptr};
        ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
        // Measurements: a text, a date and four numeric fields.
        for (const char* sql :
             {"CREATE TABLE [Measurements] ([Region] TEXT (20), [Plant] TEXT (20), [Yield] "
              "DOUBLE, [Temperature] DOUBLE, [Batch] LONG, [Weight] DOUBLE, [Seen] DATETIME)",
              "INSERT INTO [Measurements] VALUES ('North', 'Alder', 1, 10, 7, 1, #2026-01-01#)",
              "INSERT INTO [Measurements] VALUES ('South', 'Birch', 2, 20, 8, 2, #2026-01-02#)"})
            ASSERT_TRUE(db.Execute(sql).ok()) << sql;
    }
    void TearDown() override { db.Close(); }

    // Every row of the three scenario tables, every column as text, in key order.
    std::vector<std::string> snapshot() {
        std::vector<std::string> rows;
        for (const char* sql :
             {"SELECT * FROM [usysQuorvaneScenarios] ORDER BY [Scenario_ID]",
              "SELECT * FROM [usysQuorvaneOptions] ORDER BY [Scenario_ID]",
              "SELECT * FROM [usysQuorvaneFields] ORDER BY [Scenario_ID], [FieldDef_Name]"}) {
            auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
            EXPECT_TRUE(rs.ok()) << sql;
            if (!rs.ok()) continue;
            for (; !rs->Eof(); rs->MoveNext()) {
                std::string row = sql;
                for (int i = 0; i < rs->FieldCount(); ++i)
                    row += "|" + rs->FieldAt(i).Name + "=" + rs->GetValue(i).toText();
                rows.push_back(row);
            }
        }
        return rows;
    }
    // One value of one row, as text; "<no row>" when there is none.
    std::string cell(const std::string& sql) {
        auto rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
        if (!rs.ok()) return "<" + rs.error().description + ">";
        if (rs->Eof()) return "<no row>";
        return rs->GetValue(0).toText();
    }
    long count(const std::string& table, int id) {
        auto rs = db.OpenRecordset(
            "SELECT Count(*) FROM [" + table + "] WHERE [Scenario_ID] = " + std::to_string(id),
            dao::dbOpenSnapshot);
        return rs.ok() ? static_cast<long>(rs->GetValue(0).asDouble()) : -1;
    }

    TempDir dir;
    dao::Database db;
};

}  // namespace qrv::test
