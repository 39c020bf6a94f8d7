// Scenario tables as an earlier version wrote them: no key or type checks,
// the options key as SQLite's row id, and the property catalog filed by
// object name; with two scenarios (3 and 7) written by that version. The
// tests of the upgrade to today's layout start from here.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "errors/prompter.h"
#include "scenario/options_catalogue.h"
#include "scenario/scenario_tables.h"
#include "support/raw_sqlite.h"
#include "support/temp_dir.h"

namespace qrv::test {

using namespace qrv::dao;

struct Column {
    std::string name;
    int type;
    long size;
    bool zeroLength;
    std::string deflt;
    std::string description;
};

inline std::string sqlType(int type) {
    switch (type) {
        case dbBoolean:
            return "BOOLEAN";
        case dbInteger:
            return "SMALLINT";
        case dbLong:
            return "INTEGER";
        case dbDouble:
            return "DOUBLE";
        case dbDate:
            return "DATETIME";
        default:
            return "VARCHAR";
    }
}

// The CREATE TABLE text and catalog rows the earlier version wrote.
inline void earlierTable(std::string& sql, const std::string& table,
                         const std::vector<Column>& cols, const std::string& key) {
    sql += "CREATE TABLE \"" + table + "\" (";
    std::string catalog;
    auto row = [&](const std::string& item, const std::string& prop, int type,
                   const std::string& value) {
        catalog += "INSERT INTO qrv_properties VALUES ('" + table + "', '" + item + "', '" + prop +
                   "', " + std::to_string(type) + ", " + value + ");";
    };
    for (size_t i = 0; i < cols.size(); ++i) {
        const Column& c = cols[i];
        const std::string q = "\"" + c.name + "\"";
        if (i) sql += ", ";
        if (c.name == "Scenario_ID" && table == "usysQuorvaneScenarios") {
            sql += q + " INTEGER PRIMARY KEY AUTOINCREMENT";
            continue;
        }
        sql += q + " " + sqlType(c.type);
        if (c.type == dbText) {
            sql += '(';
            sql += std::to_string(c.size);
            sql += ") COLLATE NOCASE";
        }
        if (!c.deflt.empty())
            sql += " DEFAULT (" +
                   (c.type == dbText      ? quoteLiteral(c.deflt)
                    : c.type == dbBoolean ? std::string(c.deflt == "True" ? "1" : "0")
                                          : c.deflt) +
                   ")";
        if (c.type == dbText && !c.zeroLength)
            sql += " CONSTRAINT \"qrv_zero_length:" + c.name + "\" CHECK (" + q + " <> '')";
        if (c.type == dbText)
            sql += " CONSTRAINT \"qrv_size:" + c.name + "\" CHECK (length(" + q +
                   ") <= " + std::to_string(c.size) + ")";
        if (c.name == "FreqWidth") {
            sql += " CONSTRAINT \"Interval Width must be greater than zero\" CHECK (" + q +
                   " IS NULL OR " + q + " > 0)";
            row(c.name, "ValidationRule", dbText, "'Is Null Or >0'");
            row(c.name, "ValidationText", dbText, "'Interval Width must be greater than zero'");
        }
        if (c.type == dbText) row(c.name, "AllowZeroLength", dbBoolean, c.zeroLength ? "1" : "0");
        if (!c.deflt.empty()) row(c.name, "DefaultValue", dbText, quoteLiteral(c.deflt));
        if (!c.description.empty()) row(c.name, "Description", dbText, quoteLiteral(c.description));
    }
    if (!key.empty()) sql += ", PRIMARY KEY (" + key + ")";
    sql += ");";
    row("", "PrimaryIndexName", dbText, "'PrimaryKey'");
    sql += catalog;
}

inline std::string earlierScenarioTables() {
    std::string sql =
        "CREATE TABLE qrv_properties (ObjectName TEXT NOT NULL COLLATE NOCASE, ItemName TEXT NOT "
        "NULL COLLATE NOCASE, PropertyName TEXT NOT NULL COLLATE NOCASE, PropertyType INTEGER, "
        "PropertyValue, PRIMARY KEY (ObjectName, ItemName, PropertyName));"
        "INSERT INTO qrv_properties VALUES ('', '', 'Locale', 10, ';LANGID=0x0409;CP=1252');";
    std::vector<Column> scenarios = {{"Scenario_ID", dbLong, 4, false, "", ""},
                                     {"SortOrder", dbInteger, 2, false, "", ""},
                                     {"Scenario_Description", dbText, 255, false, "", ""},
                                     {"Scenario_Analysis_Type", dbText, 1, false, "", ""},
                                     {"Scenario_Analysis_SubType", dbText, 30, false, "", ""},
                                     {"Scenario_Input_Table_Name", dbText, 64, true, "", ""},
                                     {"Scenario_Output_Table1_Name", dbText, 50, true, "", ""},
                                     {"Scenario_Output_Table2_Name", dbText, 64, true, "", ""},
                                     {"Scenario_Version", dbText, 5, false, "", ""},
                                     {"Scenario_DateCreated", dbDate, 8, false, "", ""},
                                     {"Scenario_LastModified", dbDate, 8, false, "", ""},
                                     {"Scenario_CreatedBy", dbText, 15, false, "", ""},
                                     {"Scenario_ModifiedBy", dbText, 50, false, "", ""},
                                     {"MissingType", dbText, 1, false, "", ""},
                                     {"MissingEqual", dbDouble, 8, false, "", ""},
                                     {"MissingLow", dbDouble, 8, false, "", ""},
                                     {"MissingHigh", dbDouble, 8, false, "", ""}};
    for (int i = 1; i <= 4; ++i)
        scenarios.push_back({"PageLockField" + std::to_string(i), dbText, 255, false, "", ""});
    earlierTable(sql, "usysQuorvaneScenarios", scenarios, "");

    std::vector<Column> options = {{"Scenario_ID", dbLong, 4, false, "", "Scenario ID"}};
    for (const scenario::OptionColumn& c : scenario::OptionColumns())
        options.push_back({c.name, c.type, c.size, false, c.deflt ? c.deflt : "",
                           c.description ? c.description : ""});
    earlierTable(sql, "usysQuorvaneOptions", options, "\"Scenario_ID\"");

    earlierTable(sql, "usysQuorvaneFields",
                 {{"Scenario_ID", dbLong, 4, false, "", "Scenario ID"},
                  {"FieldDef_Name", dbText, 64, false, "", "Field Name"},
                  {"FieldDef_Ordinal_Position", dbInteger, 2, false, "",
                   "The field's ordinal position in the set"},
                  {"FieldDef_Choice", dbText, 1, false, "", "Field assignment type (X, Y, etc.)"}},
                 "\"Scenario_ID\", \"FieldDef_Name\"");
    sql +=
        "CREATE INDEX \"usysQuorvaneFields.IX_Scenario_ID\" ON \"usysQuorvaneFields\" "
        "(\"Scenario_ID\");";
    return sql;
}

class RecordingPrompter : public Prompter {
  public:
    bool askYesNo(const std::string&, const std::string&) override {
        ++asked;
        return false;
    }
    void inform(const std::string& caption, const std::string& text) override {
        told.push_back(caption + ": " + text);
    }
    void critical(const std::string&, const std::string&) override {}
    void beep() override {}
    int asked = 0;
    std::vector<std::string> told;
};

class EarlierLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("earlier.db");
        other(earlierScenarioTables() +
              // Scenarios 3 and 7 are left of nine (the counter stands at 9).
              "INSERT INTO usysQuorvaneScenarios (Scenario_ID, Scenario_Description, "
              "Scenario_Analysis_Type, Scenario_Analysis_SubType, Scenario_DateCreated, "
              "MissingType, MissingLow) VALUES (3, 'Sales by region', 'P', 'Describe', "
              "'2021-05-06 07:08:09', '2', -1.5), (7, 'Yield', 'P', 'Frequency', NULL, '0', "
              "NULL);"
              "UPDATE sqlite_sequence SET seq = 9 WHERE name = 'usysQuorvaneScenarios';"
              "INSERT INTO usysQuorvaneOptions (Scenario_ID, CIUser, FreqWidth, VarNRadio) VALUES "
              "(3, 90, 2.5, 'N'), (7, NULL, NULL, 'N-1');"
              "INSERT INTO usysQuorvaneFields VALUES (3, 'Region', 1, 'G'), (3, 'Amount', 2, "
              "'X'), (7, 'Yield', 1, 'X');"
              "INSERT INTO qrv_properties VALUES ('usysQuorvaneOptions', '', 'Description', 10, "
              "'Our options, annotated');");
    }
    void open() {
        auto r = DBEngine::Instance().OpenDatabase(path);
        ASSERT_TRUE(r.ok()) << r.error().description;
        db = *r;
    }
    void TearDown() override {
        if (db.IsOpen()) db.Close();
    }
    std::string other(const std::string& sql) { return rawExec(path, sql); }
    // Every row of a table, every column quoted, in row-id order; "sqlite_master"
    // gives the layout of the file.
    std::string dump(const std::string& table) {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        std::string out;
        EXPECT_EQ(
            sqlite3_prepare_v2(raw, ("SELECT _rowid_, * FROM \"" + table + "\" ORDER BY 1").c_str(),
                               -1, &st, nullptr),
            SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* t = sqlite3_column_text(st, c);
                out += t ? std::string(reinterpret_cast<const char*>(t)) + "/" +
                               std::to_string(sqlite3_column_type(st, c))
                         : "NULL";
                out += "|";
            }
            out += "\n";
        }
        sqlite3_finalize(st);
        sqlite3_close(raw);
        return out;
    }

    // All the file holds of the scenario tables: their layout, and their rows.
    std::string everything() {
        return dump("sqlite_master") + dump("usysQuorvaneScenarios") + dump("usysQuorvaneOptions") +
               dump("usysQuorvaneFields");
    }
    // Whether each of the three tables is stored as this version makes it.
    std::vector<bool> current() {
        return {db.SameDefinition(scenario::ScenarioTableDef()),
                db.SameDefinition(scenario::OptionsTableDef()),
                db.SameDefinition(scenario::FieldsTableDef())};
    }

    TempDir dir;
    std::string path;
    Database db;
};

}  // namespace qrv::test
