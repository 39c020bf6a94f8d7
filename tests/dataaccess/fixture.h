// A fresh database file per test, plus shortcuts for building small tables.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "support/temp_dir.h"

namespace qrv::test {

class DbTest : public ::testing::Test {
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

    // Closes and reopens the file, so definitions are read back from disk.
    void reopen() {
        db.Close();
        auto r = dao::DBEngine::Instance().OpenDatabase(path);
        ASSERT_TRUE(r.ok()) << r.error().description;
        db = *r;
    }

    // A table of (Name Text 50, Amount Double) rows; a null amount is written as Null.
    void makeNamesTable(const std::string& table,
                        std::initializer_list<std::pair<const char*, dao::Value>> rows) {
        dao::TableDef def = db.CreateTableDef(table);
        ASSERT_FALSE(def.AppendField(dao::Field("Name", dao::dbText, 50)));
        ASSERT_FALSE(def.AppendField(dao::Field("Amount", dao::dbDouble)));
        ASSERT_FALSE(db.AppendTableDef(def)) << "creating " << table;
        auto rs = db.OpenRecordset(table, dao::dbOpenTable);
        ASSERT_TRUE(rs.ok());
        for (auto& [name, amount] : rows) {
            ASSERT_FALSE(rs->AddNew());
            ASSERT_FALSE(rs->Collect("Name", name));
            ASSERT_FALSE(rs->Collect("Amount", amount));
            dao::Error e = rs->Update();
            ASSERT_FALSE(e) << e.description;
        }
    }

    // Records a statement affected (an expected success), or -1.
    long count(const std::string& sql) {
        auto r = db.Execute(sql);
        EXPECT_TRUE(r.ok()) << sql << ": " << (r.ok() ? "" : r.error().description);
        return r.ok() ? *r : -1;
    }
    // The error number of a statement, 0 when it succeeds.
    int errorOf(const std::string& sql) {
        auto r = db.Execute(sql);
        return r.ok() ? 0 : r.error().number;
    }

    // All values of column 0 of a query, as text.
    std::vector<std::string> column(const std::string& sql, int col = 0) {
        std::vector<std::string> out;
        auto rs = db.OpenRecordset(sql);
        EXPECT_TRUE(rs.ok()) << sql << ": " << (rs.ok() ? "" : rs.error().description);
        if (!rs.ok()) return out;
        for (; !rs->Eof(); rs->MoveNext()) out.push_back(rs->GetValue(col).toText());
        return out;
    }

    TempDir dir;
    std::string path;
    dao::Database db;
};

}  // namespace qrv::test
