// What the wizard's tests share: a database with the scenario tables and a
// small input table, the application state over it with a scripted
// prompter, an options page that stands in for the analyses' own, and
// helpers that read rows back and pick fields on the fields page.
#pragma once

#include <QTemporaryDir>
#include <QtTest>
#include <string>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "designer/app_state.h"
#include "designer/wizard/fields_page.h"
#include "designer/wizard/options_page.h"
#include "designer/wizard/scenario_wizard.h"
#include "scenario/scenario_tables.h"
#include "scripted_prompter.h"
#include "util/settings.h"

namespace qrv::test {

// An options page with one switch: it sets or clears the option named in
// its script when asked, and answers its check from the script.
class StandInOptionsPage final : public designer::OptionsPage {
  public:
    StandInOptionsPage(int number, scenario::ScenarioDraft& draft, Prompter& prompter,
                       QWidget* parent)
        : OptionsPage(draft, prompter, parent), number(number) {
        setObjectName(QStringLiteral("standInOptions"));
    }
    void SetControlValues() override { ++loads; }
    bool CheckPage() override {
        if (refuse) prompter_.inform("Quorvane", "Stand-in refuses");
        return !refuse;
    }
    QString Caption() const override { return QStringLiteral("Options %1").arg(number); }
    void set(const char* option, bool on) {
        draft_.setOption(option, on);
        emit changed();
    }
    int number;
    int loads = 0;
    bool refuse = false;
};

struct WizardFixture {
    WizardFixture() {
        auto r = dao::DBEngine::Instance().CreateDatabase((dir.path() + "/wizard.db").toStdString(),
                                                          dao::dbLangGeneral);
        QVERIFY2(r.ok(), r.ok() ? "" : r.error().description.c_str());
        dao::Database db = *r;
        scenario::StoreContext ctx{db, nullptr, nullptr};
        QVERIFY(scenario::CreateScenarioTables(ctx));
        for (const char* sql :
             {"CREATE TABLE [Measurements] ([Region] TEXT (20), [Plant] TEXT (20), [Yield] "
              "DOUBLE, [Temperature] DOUBLE, [Batch] LONG, [Weight] DOUBLE, [Seen] DATETIME)",
              "INSERT INTO [Measurements] VALUES ('North', 'Alder', 1, 10, 7, 1, #2026-01-01#)"})
            QVERIFY2(db.Execute(sql).ok(), sql);
        app.SetCurrentDatabase(db, "Tester");
    }
    ~WizardFixture() { app.CloseDatabase(); }

    dao::Database& db() { return app.CurrentDatabase(); }

    // Makes stand-in options pages and remembers the last one made.
    designer::OptionsPageFactory pages() {
        return [this](int number, scenario::ScenarioDraft& draft, Prompter& p, QWidget* parent) {
            lastOptions = new StandInOptionsPage(number, draft, p, parent);
            ++optionsMade;
            return lastOptions;
        };
    }

    // Every column of the rows a query gives, as "column=value" texts.
    std::vector<std::string> rows(const std::string& sql) {
        std::vector<std::string> out;
        auto rs = db().OpenRecordset(sql, dao::dbOpenSnapshot);
        if (!rs.ok()) return {"<" + rs.error().description + ">"};
        for (; !rs->Eof(); rs->MoveNext()) {
            std::string row;
            for (int i = 0; i < rs->FieldCount(); ++i)
                row += (i ? "|" : "") + rs->FieldAt(i).Name + "=" + rs->GetValue(i).toText();
            out.push_back(row);
        }
        return out;
    }
    // The first row of a query, column by column, as texts.
    std::vector<std::pair<std::string, std::string>> row(const std::string& sql) {
        std::vector<std::pair<std::string, std::string>> out;
        auto rs = db().OpenRecordset(sql, dao::dbOpenSnapshot);
        if (!rs.ok() || rs->Eof()) return out;
        for (int i = 0; i < rs->FieldCount(); ++i)
            out.emplace_back(rs->FieldAt(i).Name, rs->GetValue(i).toText());
        return out;
    }
    // One value as text; "<no row>" when there is none.
    std::string cell(const std::string& sql) {
        auto rs = db().OpenRecordset(sql, dao::dbOpenSnapshot);
        if (!rs.ok()) return "<" + rs.error().description + ">";
        if (rs->Eof()) return "<no row>";
        return rs->GetValue(0).toText();
    }
    // Every row of the three scenario tables, to show nothing was written.
    std::vector<std::string> snapshot() {
        std::vector<std::string> all;
        for (const char* sql : {"SELECT * FROM [usysQuorvaneScenarios] ORDER BY [Scenario_ID]",
                                "SELECT * FROM [usysQuorvaneOptions] ORDER BY [Scenario_ID]",
                                "SELECT * FROM [usysQuorvaneFields] ORDER BY [Scenario_ID], "
                                "[FieldDef_Name]"})
            for (std::string& r : rows(sql)) all.push_back(std::move(r));
        return all;
    }
    // The texts of every prompt shown so far, beeps left out.
    std::vector<std::string> told() const {
        std::vector<std::string> out;
        for (const auto& s : prompter.shown)
            if (s.kind != "beep") out.push_back(s.text);
        return out;
    }

    QTemporaryDir dir;
    util::MemorySettingsStore store;
    ScriptedPrompter prompter;
    designer::AppState app{store, prompter, "/nonexistent", dir.path().toStdString()};
    StandInOptionsPage* lastOptions = nullptr;
    int optionsMade = 0;
};

template <typename T>
T* child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// Highlights a field in the list of available fields.
inline bool highlight(designer::FieldsPage* page, const QString& field) {
    auto* list = child<QTreeWidget>(page, "lvwAvailableFields");
    for (int i = 0; list && i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->data(0, Qt::UserRole).toString() == field) {
            list->setCurrentItem(list->topLevelItem(i));
            return true;
        }
    return false;
}

// Highlights, then adds to a role's list.
inline void assign(designer::FieldsPage* page, const QString& field, char role) {
    QVERIFY2(highlight(page, field), qPrintable(field));
    page->addTo(role);
}

// The texts of a role's list, in order.
inline QStringList listed(designer::FieldsPage* page, char role) {
    QStringList out;
    auto* list = page->findChild<QListWidget*>(QStringLiteral("lisRole_") + QChar(role));
    for (int i = 0; list && i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

}  // namespace qrv::test
