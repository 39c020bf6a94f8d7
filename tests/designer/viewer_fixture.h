// A designer state over a fresh database in a private folder, for the table
// viewer's tests: tables are made through the data-access layer.
#pragma once

#include <QTemporaryDir>
#include <QtTest>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "dataaccess/dataaccess.h"
#include "designer/app_state.h"
#include "scripted_prompter.h"
#include "util/settings.h"

namespace qrv::test {

struct ViewerFixture {
    ViewerFixture() {
        const std::string path = (dir.path() + "/viewer.db").toStdString();
        auto r = dao::DBEngine::Instance().CreateDatabase(path, dao::dbLangGeneral);
        if (!r) qFatal("cannot create the test database: %s", r.error().description.c_str());
        db = *r;
        app = std::make_unique<designer::AppState>(store, prompter, dir.path().toStdString(),
                                                   dir.path().toStdString());
        app->SetCurrentDatabase(db, "Admin");
    }
    ~ViewerFixture() { app->CloseDatabase(); }

    // Makes a table of the given fields (name, type).
    bool makeTable(const std::string& name,
                   std::initializer_list<std::pair<const char*, int>> fields) {
        dao::TableDef t = db.CreateTableDef(name);
        for (auto& [field, type] : fields)
            t.AppendField(dao::Field(field, type, type == dao::dbText ? 50 : 0));
        return !db.AppendTableDef(t);
    }
    // Appends one row, values by field name.
    bool addRow(const std::string& table,
                std::initializer_list<std::pair<const char*, dao::Value>> values) {
        auto rs = db.OpenRecordset(table);
        if (!rs || rs->AddNew()) return false;
        for (auto& [field, v] : values)
            if (rs->Collect(field, v)) return false;
        return !rs->Update();
    }

    QTemporaryDir dir;
    util::MemorySettingsStore store;
    ScriptedPrompter prompter;
    dao::Database db;
    std::unique_ptr<designer::AppState> app;
};

}  // namespace qrv::test
