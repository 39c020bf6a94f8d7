// Recomputing quartiles through a copy of the writing scenario, changed into
// a Describe with the range and quartiles, run into a private database.
#include "designer/viewer/chart_quartiles.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "dataaccess/fold.h"
#include "engine/quorvane.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_tables.h"

namespace qrv::designer {

namespace {

constexpr const char* kResultTable = "qrvChartQuartiles";

// What decides the values read: two scenarios that agree on it give the
// same quartiles.
bool sameSource(const scenario::ScenarioDraft& a, const scenario::ScenarioDraft& b) {
    auto same = [](const dao::Value& v, const dao::Value& w) {
        return v.isNull() == w.isNull() && (v.isNull() || v.asDouble() == w.asDouble());
    };
    if (!dao::iequal(a.input, b.input) || a.missingType != b.missingType ||
        !same(a.missingEqual, b.missingEqual) || !same(a.missingLow, b.missingLow) ||
        !same(a.missingHigh, b.missingHigh) || a.fields.size() != b.fields.size())
        return false;
    for (size_t i = 0; i < a.fields.size(); ++i)
        if (!dao::iequal(a.fields[i].name, b.fields[i].name) ||
            a.fields[i].role != b.fields[i].role)
            return false;
    return true;
}

// The scenario whose first output is table, among those that write
// statistics per group and field; the reason when there is none to use.
std::string writerOf(dao::Database& db, const std::string& table, scenario::ScenarioDraft& writer) {
    auto rs = db.OpenRecordset(std::string("SELECT [Scenario_ID], [Scenario_Output_Table1_Name], "
                                           "[Scenario_Analysis_SubType] FROM [") +
                                   scenario::kScenarioTable + "]",
                               0, dao::dbReadOnly);
    if (!rs) return "The scenarios of this database could not be read: " + rs.error().description;
    std::vector<scenario::ScenarioDraft> writers;
    for (; !rs->Eof(); rs->MoveNext()) {
        const dao::Value out = rs->GetValue(1), type = rs->GetValue(2);
        if (out.isNull() || !dao::iequal(out.toText(), table) || type.isNull()) continue;
        const std::string subtype = type.toText();
        if (!dao::iequal(subtype, "Describe") && !dao::iequal(subtype, "Percentiles") &&
            !dao::iequal(subtype, "K-S Fit"))
            continue;
        auto d = scenario::LoadDraft(db, static_cast<std::int32_t>(rs->GetValue(0).asDouble()));
        if (!d)
            return "The scenario that writes this table could not be read: " +
                   d.error().description;
        writers.push_back(std::move(*d));
    }
    if (writers.empty()) return "No scenario of this database writes this table.";
    for (const auto& w : writers)
        if (!sameSource(w, writers.front()))
            return "Several scenarios write this table from different data.";
    writer = std::move(writers.front());
    return {};
}

}  // namespace

std::string RecomputeQuartiles(dao::Database& db, const std::string& table, std::string* input,
                               const std::function<void(dao::Recordset&)>& read) {
    scenario::ScenarioDraft writer;
    if (std::string why = writerOf(db, table, writer); !why.empty()) return why;
    if (input) *input = writer.input;

    QTemporaryDir dir;
    if (!dir.isValid()) return "No folder for the computation could be made.";
    const std::string folder = dir.path().toStdString();
    auto made =
        dao::DBEngine::Instance().CreateDatabase(folder + "/quartiles.db", dao::dbLangGeneral);
    if (!made) return "No file for the computation could be made: " + made.error().description;
    dao::Database work = *made;
    struct Closer {
        dao::Database& db;
        ~Closer() { db.Close(); }
    } closer{work};

    scenario::StoreContext ctx{work, nullptr, nullptr};
    if (!scenario::CreateScenarioTables(ctx)) return "The computation could not be prepared.";
    scenario::ScenarioDraft d = scenario::NewDraft(*scenario::FindAnalysisType("Describe"));
    d.description = "Quartiles for a chart of " + table;
    d.input = writer.input;
    d.output1 = kResultTable;
    d.missingType = writer.missingType;
    d.missingEqual = writer.missingEqual;
    d.missingLow = writer.missingLow;
    d.missingHigh = writer.missingHigh;
    for (const auto& f : writer.fields) d.addField(f.name, f.role);
    d.setOption("Range", true);
    d.setOption("Percentile", true);
    d.setOption("PercentileRadio", "Quartiles");
    auto id = scenario::SaveDraft(work, d, std::nullopt, scenario::DraftFiles{&db, &work});
    if (!id) return "The quartiles could not be computed: " + id.error().description;

    // The run reads the whole input: the user sees that something is at work.
    struct Busy {
        Busy() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
        ~Busy() { QGuiApplication::restoreOverrideCursor(); }
    } busy;
    Quorvane engine;
    engine.ErrorHandler().SetDestination(folder + "/errors.log");
    RunScenarioArgs args;
    args.ScenarioDb = work;
    args.SourceDb = db;
    args.OutputDb = work;
    if (!engine.RunScenario(*id, args))
        return "The quartiles could not be computed from [" + writer.input +
               "]: " + engine.ErrorInfo();
    auto rs = work.OpenRecordset(kResultTable, 0, dao::dbReadOnly);
    if (!rs) return "The quartiles could not be read: " + rs.error().description;
    read(*rs);
    return {};
}

}  // namespace qrv::designer
