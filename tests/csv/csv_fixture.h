// A fresh database and folder per test, with helpers to write a CSV file,
// import it and read a table back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "csv/importer.h"
#include "dataaccess/dataaccess.h"
#include "support/temp_dir.h"

namespace qrv::test {

class CsvTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("test.db");
        auto r = dao::DBEngine::Instance().CreateDatabase(path, dao::dbLangGeneral);
        ASSERT_TRUE(r.ok()) << r.error().description;
        db = *r;
    }
    void TearDown() override {
        if (db.IsOpen()) db.Close();
    }

    // Writes bytes to a file of the test folder and imports it.
    dao::Result<csv::ImportResult> import(const std::string& table, const std::string& bytes,
                                          csv::ImportOptions options = {}) {
        const std::string file = dir.file(table + ".csv");
        writeBytes(file, bytes);
        return csv::importCsv(db, table, file, options);
    }

    // Every row of a table as values, in row order.
    std::vector<std::vector<dao::Value>> rows(const std::string& table) {
        std::vector<std::vector<dao::Value>> out;
        auto rs = db.OpenRecordset(table, dao::dbOpenTable);
        EXPECT_TRUE(rs.ok()) << (rs.ok() ? "" : rs.error().description);
        if (!rs.ok()) return out;
        for (; !rs->Eof(); rs->MoveNext()) {
            std::vector<dao::Value> row;
            for (int i = 0; i < rs->FieldCount(); ++i) row.push_back(rs->GetValue(i));
            out.push_back(row);
        }
        return out;
    }

    const dao::Field& field(const std::string& table, int index) {
        auto def = db.GetTableDef(table);
        EXPECT_TRUE(def.ok());
        def_ = *def;
        return def_.Fields()[static_cast<size_t>(index)];
    }

    bool hasTable(const std::string& table) { return db.GetTableDef(table).ok(); }

    TempDir dir;
    std::string path;
    dao::Database db;

  private:
    dao::TableDef def_;
};

}  // namespace qrv::test
