// A database for the scenario-list tests: the scenario tables, a small input
// table "Data" (Grp text, X number) and scenarios stored the way the wizard
// stores them; plus the application state around it with a scripted
// prompter and recorded window actions.
#pragma once

#include <QTemporaryDir>
#include <QtTest>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "designer/app_state.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_tables.h"
#include "scripted_prompter.h"
#include "util/settings.h"

namespace qrv::test {

class ScenarioDb {
  public:
    // rows: rows of Data, X = 1..rows, Grp alternating "a", "b".
    explicit ScenarioDb(int rows = 12) {
        path = (dir.path() + "/user.db").toStdString();
        auto r = dao::DBEngine::Instance().CreateDatabase(path, dao::dbLangGeneral);
        if (!r) qFatal("cannot create %s", path.c_str());
        db = *r;
        scenario::StoreContext ctx{db, nullptr, nullptr};
        if (!scenario::CreateScenarioTables(ctx)) qFatal("scenario tables");
        dao::TableDef t = db.CreateTableDef("Data");
        t.AppendField(dao::Field("Grp", dao::dbText, 10));
        t.AppendField(dao::Field("X", dao::dbDouble));
        if (db.AppendTableDef(t)) qFatal("data table");
        for (int i = 1; i <= rows; ++i)
            exec("INSERT INTO [Data] ([Grp], [X]) VALUES ('" + std::string(i % 2 ? "a" : "b") +
                 "', " + std::to_string(i) + ")");
    }
    ~ScenarioDb() {
        if (db.IsOpen()) db.Close();
    }

    void exec(const std::string& sql) {
        auto r = db.Execute(sql);
        if (!r) qFatal("%s: %s", sql.c_str(), r.error().description.c_str());
    }

    // Doubles Data's rows n times (X keeps distinct values): 12 rows doubled
    // 12 times are 49,152.
    void doubleRows(int n) {
        for (int k = 0; k < n; ++k) {
            auto count = db.OpenRecordset("SELECT Count(*) FROM [Data]");
            const long rows = static_cast<long>(count->GetValue(0).asDouble());
            count->Close();
            exec("INSERT INTO [Data] ([Grp], [X]) SELECT [Grp], [X] + " + std::to_string(rows) +
                 " FROM [Data]");
        }
    }

    // Stores a scenario; fields are name and role letter. Returns its number.
    std::int32_t add(const std::string& subtype, const std::string& description,
                     std::vector<std::pair<std::string, char>> fields = {{"X", 'X'}},
                     const std::string& output1 = "Out1", const std::string& output2 = "",
                     const std::string& input = "Data") {
        const scenario::AnalysisType* type = scenario::FindAnalysisType(subtype);
        if (!type) qFatal("no type %s", subtype.c_str());
        scenario::ScenarioDraft d = scenario::NewDraft(*type);
        d.description = description;
        d.input = input;
        d.output1 = output1;
        d.output2 = output2;
        for (auto& [name, role] : fields) d.addField(name, role);
        auto id = scenario::SaveDraft(db, d);
        if (!id) qFatal("saving %s: %s", subtype.c_str(), id.error().description.c_str());
        return *id;
    }

    // Rows of one scenario in one of the three tables, every column by name.
    using Row = std::map<std::string, std::string>;
    std::vector<Row> rowsOf(const std::string& table, std::int32_t id,
                            const std::string& orderBy = "") {
        std::vector<Row> out;
        auto rs = db.OpenRecordset("SELECT * FROM [" + table +
                                   "] WHERE [Scenario_ID] = " + std::to_string(id) +
                                   (orderBy.empty() ? "" : " ORDER BY " + orderBy));
        if (!rs) qFatal("%s", rs.error().description.c_str());
        for (; !rs->Eof(); rs->MoveNext()) {
            Row r;
            for (int i = 0; i < rs->FieldCount(); ++i)
                r[rs->FieldAt(i).Name] = rs->GetValue(i).toText();
            out.push_back(std::move(r));
        }
        return out;
    }
    long count(const std::string& table, std::int32_t id) {
        return static_cast<long>(rowsOf(table, id).size());
    }
    bool tableExists(const std::string& name) { return db.GetTableDef(name).ok(); }

    QTemporaryDir dir;
    std::string path;
    dao::Database db;
};

// The application state of one test, with every window action recorded.
struct App {
    explicit App(ScenarioDb& data)
        : state(store, prompter, data.dir.path().toStdString(), data.dir.path().toStdString()) {
        state.SetCurrentDatabase(data.db, "admin");
        auto& a = state.Actions();
        a.showTableData = [this](const std::string& name, const std::string& caption) {
            calls.push_back("showTableData(" + name + ", " + caption + ")");
        };
        a.closeTableViewers = [this](const std::string& name) {
            calls.push_back("closeTableViewers(" + name + ")");
        };
        a.runWizard = [this](std::int32_t id, const std::string& subtype, int page) {
            calls.push_back("runWizard(" + std::to_string(id) + ", " + subtype + ", " +
                            std::to_string(page) + ")");
            return wizardAnswer;
        };
        a.generateCode = [this](std::int32_t id) {
            calls.push_back("generateCode(" + std::to_string(id) + ")");
        };
        a.showHelp = [this] { calls.push_back("showHelp()"); };
    }
    util::MemorySettingsStore store;
    ScriptedPrompter prompter;
    designer::AppState state;
    std::vector<std::string> calls;
    designer::DesignerActions::WizardResult wizardAnswer;
};

}  // namespace qrv::test
