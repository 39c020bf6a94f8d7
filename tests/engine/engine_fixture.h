// A database with the scenario tables and a small data table, plus a way to
// store scenarios in it the way the designer does.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "engine/quorvane.h"
#include "errors/cerr_zelk.h"
#include "scenario/scenario_tables.h"
#include "support/temp_dir.h"

namespace qrv::test {

struct ScenarioRow {
    std::string category = "P";
    std::string subtype = "Describe";
    std::string input = "Data";
    std::string output1 = "Out1";
    std::string output2;
    std::string missingType = "0";
    dao::Value missingEqual, missingLow, missingHigh;
    std::vector<std::pair<std::string, std::string>> fields = {{"X", "X"}};  // name, role
    bool withOptions = true;
};

// Records what a Prompter was asked to show; answers questions with answer.
class RecordingPrompter : public Prompter {
  public:
    bool askYesNo(const std::string& caption, const std::string& text) override {
        questions.emplace_back(caption, text);
        return answer;
    }
    // Questions whose Yes destroys something: recorded as questions too.
    bool askDestructive(const std::string& caption, const std::string& text) override {
        ++destructive;
        return askYesNo(caption, text);
    }
    std::vector<std::pair<std::string, std::string>> questions;
    int destructive = 0;
    bool answer = true;
    void inform(const std::string& caption, const std::string& text) override {
        informs.emplace_back(caption, text);
    }
    std::vector<std::pair<std::string, std::string>> informs;
    void critical(const std::string& caption, const std::string& text) override {
        criticals.emplace_back(caption, text);
    }
    void beep() override { ++beeps; }
    std::vector<std::pair<std::string, std::string>> criticals;
    int beeps = 0;
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("user.db");
        auto r = dao::DBEngine::Instance().CreateDatabase(path, dao::dbLangGeneral);
        ASSERT_TRUE(r.ok());
        db = *r;
        scenario::StoreContext ctx{db, nullptr, nullptr};
        ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
        dao::TableDef t = db.CreateTableDef("Data");
        for (dao::Field f : {dao::Field("Grp", dao::dbText, 10), dao::Field("X", dao::dbDouble),
                             dao::Field("Y", dao::dbDouble), dao::Field("W", dao::dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
        engine.ErrorHandler().SetDestination(dir.file("error.log"));
    }
    void TearDown() override {
        if (db.IsOpen()) db.Close();
    }

    void addRow(dao::Value grp, dao::Value x, dao::Value y = {}, dao::Value w = {}) {
        auto rs = db.OpenRecordset("Data");
        ASSERT_FALSE(rs->AddNew());
        rs->Collect("Grp", grp);
        rs->Collect("X", x);
        rs->Collect("Y", y);
        rs->Collect("W", w);
        ASSERT_FALSE(rs->Update());
    }

    // Makes a table of these fields, in order.
    void makeTable(const std::string& name, std::initializer_list<dao::Field> fields) {
        dao::TableDef t = db.CreateTableDef(name);
        for (const dao::Field& f : fields) t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
    }
    // Appends rows in one transaction, each row's values in the order of
    // columns; a refused row undoes them all and fails the test.
    void appendRows(const std::string& table, const std::vector<std::string>& columns,
                    const std::vector<std::vector<dao::Value>>& rows) {
        ASSERT_FALSE(db.BeginTrans());
        auto rs = db.OpenRecordset(table);
        ASSERT_TRUE(rs.ok());
        for (const auto& row : rows) {
            ASSERT_FALSE(rs->AddNew());
            for (std::size_t i = 0; i < columns.size(); ++i) rs->Collect(columns[i], row[i]);
            const dao::Error e = rs->Update();
            if (e) db.Rollback();
            ASSERT_FALSE(e) << e.description;
        }
        rs->Close();
        ASSERT_FALSE(db.CommitTrans());
    }

    // Stores a scenario with its options row and field rows; returns its number.
    std::int32_t addScenario(const ScenarioRow& s) {
        auto rs = db.OpenRecordset("usysQuorvaneScenarios");
        EXPECT_FALSE(rs->AddNew());
        const auto id = static_cast<std::int32_t>(rs->GetValue("Scenario_ID")->asDouble());
        rs->Collect("Scenario_Description", "test " + s.subtype);
        rs->Collect("Scenario_Analysis_Type", s.category);
        rs->Collect("Scenario_Analysis_SubType", s.subtype);
        rs->Collect("Scenario_Input_Table_Name", s.input);
        rs->Collect("Scenario_Output_Table1_Name", s.output1);
        if (!s.output2.empty()) rs->Collect("Scenario_Output_Table2_Name", s.output2);
        rs->Collect("Scenario_Version", "V5   ");
        rs->Collect("Scenario_CreatedBy", "admin");
        rs->Collect("Scenario_ModifiedBy", "admin");
        rs->Collect("MissingType", s.missingType);
        rs->Collect("MissingEqual", s.missingEqual);
        rs->Collect("MissingLow", s.missingLow);
        rs->Collect("MissingHigh", s.missingHigh);
        for (int i = 1; i <= 4; ++i)
            rs->Collect("PageLockField" + std::to_string(i), std::string(255, ' '));
        dao::Error e = rs->Update();
        EXPECT_FALSE(e) << e.description;
        if (s.withOptions) {
            auto o = db.OpenRecordset("usysQuorvaneOptions");
            o->AddNew();
            o->Collect("Scenario_ID", id);
            EXPECT_FALSE(o->Update());
        }
        auto f = db.OpenRecordset("usysQuorvaneFields");
        int pos = 1;
        for (auto& [name, role] : s.fields) {
            f->AddNew();
            f->Collect("Scenario_ID", id);
            f->Collect("FieldDef_Name", name);
            f->Collect("FieldDef_Ordinal_Position", pos++);
            f->Collect("FieldDef_Choice", role);
            EXPECT_FALSE(f->Update());
        }
        return id;
    }

    // Sets option columns of a stored scenario.
    void setOptions(std::int32_t id, std::vector<std::pair<std::string, dao::Value>> options) {
        auto rs = db.OpenRecordset(
            "SELECT * FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = " + std::to_string(id),
            dao::dbOpenDynaset);
        ASSERT_TRUE(rs.ok() && !rs->Eof());
        ASSERT_FALSE(rs->Edit());
        for (auto& [column, value] : options) ASSERT_FALSE(rs->Collect(column, value)) << column;
        dao::Error e = rs->Update();
        ASSERT_FALSE(e) << e.description;
    }

    // Every row of a table as column -> value, in the given order.
    using TableRow = std::map<std::string, dao::Value>;
    std::vector<TableRow> tableRows(const std::string& table, const std::string& orderBy = "") {
        std::vector<TableRow> out;
        auto rs = db.OpenRecordset("SELECT * FROM [" + table + "]" +
                                   (orderBy.empty() ? "" : " ORDER BY " + orderBy));
        EXPECT_TRUE(rs.ok()) << table << ": " << (rs.ok() ? "" : rs.error().description);
        if (!rs.ok()) return out;
        for (; !rs->Eof(); rs->MoveNext()) {
            TableRow r;
            for (int i = 0; i < rs->FieldCount(); ++i) r[rs->FieldAt(i).Name] = rs->GetValue(i);
            out.push_back(std::move(r));
        }
        return out;
    }
    // Every row of a table in the order written, every column by position.
    std::vector<std::vector<dao::Value>> tableValues(const std::string& table) {
        std::vector<std::vector<dao::Value>> out;
        auto rs = db.OpenRecordset(table);
        EXPECT_TRUE(rs.ok()) << table;
        if (!rs) return out;
        for (; !rs->Eof(); rs->MoveNext()) {
            std::vector<dao::Value> row;
            for (int i = 0; i < rs->FieldCount(); ++i) row.push_back(rs->GetValue(i));
            out.push_back(std::move(row));
        }
        return out;
    }
    // Column names of a table in order.
    std::vector<std::string> tableColumns(const std::string& table) {
        std::vector<std::string> out;
        auto def = db.GetTableDef(table);
        if (def)
            for (const dao::Field& f : def->Fields()) out.push_back(f.Name);
        return out;
    }

    // Puts a missing-value rule in force with a run of a small Describe of a
    // table of its own (the rule stays with the engine after the run).
    void setRule(const char* type, dao::Value equal, dao::Value low, dao::Value high) {
        if (!db.GetTableDef("RuleProbe")) {
            makeTable("RuleProbe", {dao::Field("X", dao::dbDouble)});
            appendRows("RuleProbe", {"X"}, {{dao::Value(5.0)}});
        }
        ScenarioRow s;
        s.input = "RuleProbe";
        s.output1 = "RuleProbeOut";
        s.missingType = type;
        s.missingEqual = equal;
        s.missingLow = low;
        s.missingHigh = high;
        ASSERT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
    }

    bool run(std::int32_t id) {
        RunScenarioArgs args;
        args.ScenarioDb = db;
        return engine.RunScenario(id, args);
    }

    TempDir dir;
    std::string path;
    dao::Database db;
    // Says Yes to replacing tables other scenarios wrote, as a user who reuses
    // an output name would.
    RecordingPrompter prompter;
    Quorvane engine{&prompter};
};

}  // namespace qrv::test
