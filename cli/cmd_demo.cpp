// demo: builds a deterministic demo database (sample measurements with
// groups, a weight field, some missing values and a stored query, the
// scenario tables and one scenario per available analysis), runs every
// scenario through the engine with progress, and prints the results.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>

#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "cli/progress_display.h"
#include "cli/run_progress.h"
#include "cli/table_printer.h"
#include "dataaccess/dataaccess.h"
#include "engine/quorvane.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/scenario_tables.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

// Normal deviates from a fixed generator, the same on every platform
// (the library's distributions are allowed to differ between implementations).
class Deviates {
  public:
    explicit Deviates(unsigned seed) : gen_(seed) {}
    double uniform() { return (static_cast<double>(gen_()) + 0.5) / 4294967296.0; }
    double normal(double mean, double sd) {
        const double u = uniform(), v = uniform();
        return mean + sd * std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * v);
    }

  private:
    std::mt19937 gen_;
};

Error buildMeasurements(Database& db) {
    TableDef def = db.CreateTableDef("Measurements");
    Field id("ID", dbLong);
    id.Attributes = dbAutoIncrField;
    for (Field f :
         {id, Field("Region", dbText, 20), Field("Plant", dbText, 20), Field("Batch", dbLong),
          Field("Yield", dbDouble), Field("Temperature", dbDouble), Field("Pressure", dbDouble),
          Field("Weight", dbDouble), Field("Inspected", dbDate)})
        if (Error e = def.AppendField(f)) return e;
    Index pk = def.CreateIndex("PrimaryKey");
    pk.AppendField("ID");
    pk.Primary = true;
    if (Error e = def.AppendIndex(pk)) return e;
    if (Error e = db.AppendTableDef(def)) return e;

    const char* regions[] = {"North", "South", "East", "West", "Central"};
    const double regionShift[] = {0.0, 2.5, -1.5, 1.0, 4.0};
    const char* plants[] = {"Alder", "Birch", "Cedar"};
    auto rs = db.OpenRecordset("Measurements", dbOpenTable);
    if (!rs) return rs.error();
    Deviates d(20261206);
    if (Error e = db.BeginTrans()) return e;
    for (int i = 0; i < 3000; ++i) {
        const int r = i % 5, p = (i / 5) % 3;
        const double temp = d.normal(72.0 + r, 4.0);
        const double pressure = d.normal(101.3, 1.2);
        double yield = 50.0 + regionShift[r] + 0.35 * (temp - 72.0) + d.normal(0.0, 3.0);
        if (Error e = rs->AddNew()) return e;
        rs->Collect("Region", regions[r]);
        rs->Collect("Plant", plants[p]);
        rs->Collect("Batch", 1000 + i / 25);
        if (i % 97 != 13) rs->Collect("Yield", std::round(yield * 100.0) / 100.0);  // some missing
        rs->Collect("Temperature", std::round(temp * 10.0) / 10.0);
        if (i % 211 != 7) rs->Collect("Pressure", std::round(pressure * 100.0) / 100.0);
        rs->Collect("Weight", i % 50 == 0 ? 0.0 : 1.0 + (i % 4));
        rs->Collect("Inspected", Value::date(46023.0 + i / 12));  // from 2026-01-01
        if (Error e = rs->Update()) return e;
    }
    if (Error e = db.CommitTrans()) return e;
    rs->Close();
    return db.CreateQueryDef("qryNorthMeasurements",
                             "SELECT [Plant], [Batch], [Yield], [Temperature] FROM "
                             "[Measurements] WHERE [Region] = 'North';");
}

// Orders of six stores through two channels: skewed amounts, whole units,
// and a discount that is often not recorded.
Error buildOrders(Database& db) {
    TableDef def = db.CreateTableDef("Orders");
    Field id("OrderID", dbLong);
    id.Attributes = dbAutoIncrField;
    for (Field f : {id, Field("Store", dbText, 30), Field("Channel", dbText, 10),
                    Field("Amount", dbDouble), Field("Units", dbLong), Field("Discount", dbDouble)})
        if (Error e = def.AppendField(f)) return e;
    Index pk = def.CreateIndex("PrimaryKey");
    pk.AppendField("OrderID");
    pk.Primary = true;
    if (Error e = def.AppendIndex(pk)) return e;
    if (Error e = db.AppendTableDef(def)) return e;

    const char* stores[] = {"Harbour St", "Mill Lane", "Old Market",
                            "Station Rd", "Park View", "Riverside"};
    auto rs = db.OpenRecordset("Orders", dbOpenTable);
    if (!rs) return rs.error();
    Deviates d(424242);
    if (Error e = db.BeginTrans()) return e;
    for (int i = 0; i < 2000; ++i) {
        const bool web = d.uniform() < 0.4;
        const int units = 1 + static_cast<int>(d.uniform() * (web ? 3 : 6));
        const double amount = std::round(std::exp(d.normal(web ? 3.6 : 3.3, 0.6)) * units);
        if (Error e = rs->AddNew()) return e;
        rs->Collect("Store", stores[static_cast<int>(d.uniform() * 6) % 6]);
        rs->Collect("Channel", web ? "Web" : "Shop");
        rs->Collect("Amount", amount);
        rs->Collect("Units", units);
        if (d.uniform() < 0.7) rs->Collect("Discount", std::round(d.uniform() * 20) / 100.0);
        if (Error e = rs->Update()) return e;
    }
    if (Error e = db.CommitTrans()) return e;
    rs->Close();
    return {};
}

struct DemoScenario {
    const char* description;
    const char* subtype;
    const char* input;
    const char* output;
    std::vector<std::pair<const char*, const char*>> fields;  // name, role
    std::vector<std::pair<const char*, Value>> options;
    const char* missingType = "0";
    Value missingLow, missingHigh;
};

std::vector<DemoScenario> demoScenarios() {
    return {
        {"Yield and temperature by region, weighted",
         "Describe",
         "Measurements",
         "Demo_Describe",
         {{"Region", "G"}, {"Yield", "X"}, {"Temperature", "X"}, {"Weight", "W"}},
         {{"Range", true},
          {"VarStd", true},
          {"Sum", false},
          {"Skew", true},
          {"CI", true},
          {"CITypeRadio", "t-Test"},
          {"CI95", true},
          {"TTestMean", true},
          {"TTestValue", 50.0},
          {"Percentile", true},
          {"PercentileRadio", "Quartiles"}},
         "0",
         {},
         {}},
        {"Pressure by plant, readings below 95 ignored",
         "Describe",
         "Measurements",
         "Demo_Describe_Pressure",
         {{"Plant", "G"}, {"Pressure", "X"}},
         {{"Range", true}, {"VarStd", true}, {"Mode", true}, {"Sum", false}},
         "2",
         95.0,
         {}},
        {"Yield distribution by region",
         "Frequency",
         "Measurements",
         "Demo_Frequency",
         {{"Region", "G"}, {"Yield", "X"}},
         {{"InterV", 6}, {"FreqSum", true}},
         "0",
         {},
         {}},
        {"Temperature deciles",
         "Percentiles",
         "Measurements",
         "Demo_Percentiles",
         {{"Temperature", "X"}},
         {{"PercentileRadio", "Deciles"}},
         "0",
         {},
         {}},
        {"Order amounts by channel, in bands of 50",
         "Frequency",
         "Orders",
         "Demo_Frequency_Orders",
         {{"Channel", "G"}, {"Amount", "X"}},
         {{"InterV", 8},
          {"FreqGroupRadio", "Specified"},
          {"FreqInit", 0.0},
          {"FreqWidth", 50.0},
          {"FreqDispRadio", "Cumulative"}},
         "0",
         {},
         {}},
        {"Units and discount per order, by store",
         "Describe",
         "Orders",
         "Demo_Describe_Orders",
         {{"Store", "G"}, {"Units", "X"}, {"Discount", "X"}},
         {{"Range", true}, {"VarStd", true}, {"Sum", true}, {"Mode", true}, {"Mean", false}},
         "0",
         {},
         {}},
        {"North region: yield quartiles by plant (stored query)",
         "Percentiles",
         "qryNorthMeasurements",
         "Demo_Percentiles_North",
         {{"Plant", "G"}, {"Yield", "X"}},
         {{"PercentileRadio", "Quartiles"}},
         "0",
         {},
         {}},
    };
}

Error storeScenario(Database& db, const DemoScenario& d) {
    auto s = db.OpenRecordset(scenario::kScenarioTable, dbOpenTable);
    if (!s) return s.error();
    if (Error e = s->AddNew()) return e;
    const Value id = *s->GetValue("Scenario_ID");
    const std::pair<const char*, Value> row[] = {{"Scenario_Description", d.description},
                                                 {"Scenario_Analysis_Type", "P"},
                                                 {"Scenario_Analysis_SubType", d.subtype},
                                                 {"Scenario_Input_Table_Name", d.input},
                                                 {"Scenario_Output_Table1_Name", d.output},
                                                 {"Scenario_Version", "V5   "},
                                                 {"Scenario_DateCreated", Value::date(46362.0)},
                                                 {"Scenario_LastModified", Value::date(46362.0)},
                                                 {"Scenario_CreatedBy", "demo"},
                                                 {"Scenario_ModifiedBy", "demo"},
                                                 {"MissingType", d.missingType},
                                                 {"MissingLow", d.missingLow},
                                                 {"MissingHigh", d.missingHigh},
                                                 {"PageLockField1", std::string(255, ' ')},
                                                 {"PageLockField2", std::string(255, ' ')},
                                                 {"PageLockField3", std::string(255, ' ')},
                                                 {"PageLockField4", std::string(255, ' ')}};
    for (auto& [column, value] : row)
        if (Error e = s->Collect(column, value)) return e;
    if (Error e = s->Update()) return e;
    auto o = db.OpenRecordset(scenario::kOptionsTable, dbOpenTable);
    if (!o) return o.error();
    o->AddNew();
    o->Collect("Scenario_ID", id);
    for (auto& [column, value] : d.options)
        if (Error e = o->Collect(column, value)) return e;
    if (Error e = o->Update()) return e;
    auto f = db.OpenRecordset(scenario::kFieldsTable, dbOpenTable);
    if (!f) return f.error();
    int position = 1;
    for (auto& [name, role] : d.fields) {
        f->AddNew();
        f->Collect("Scenario_ID", id);
        f->Collect("FieldDef_Name", name);
        f->Collect("FieldDef_Ordinal_Position", position++);
        f->Collect("FieldDef_Choice", role);
        if (Error e = f->Update()) return e;
    }
    return {};
}

int demo(const std::string& folder) {
    std::filesystem::path dir = folder.empty() ? "." : folder;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::string path = (dir / "quorvane-demo.db").string();
    std::filesystem::remove(path, ec);

    auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    if (!db) return fail(db.error().description);
    SilentPrompter yes(true);
    CErr_Zelk handler(&yes, false);
    scenario::StoreContext ctx{*db, &handler, &yes};
    if (!scenario::CheckQuorvaneTables(ctx)) {
        db->Close();
        std::filesystem::remove(path, ec);
        return fail(handler.ErrorDescription());
    }
    Error built = buildMeasurements(*db);
    if (!built) built = buildOrders(*db);
    const auto scenarios = demoScenarios();
    for (const DemoScenario& d : scenarios)
        if (!built) built = storeScenario(*db, d);
    if (built) {
        db->Close();
        std::filesystem::remove(path, ec);
        return fail(built.description);
    }
    std::cout << "Demo database: " << path << "\n\n";
    printTables(path);

    ConsolePrompter prompter;
    Quorvane engine(&prompter);
    ProgressDisplay progress = ProgressDisplay::forStandardError();
    connectProgress(engine, progress);
    int failed = 0;
    for (size_t i = 0; i < scenarios.size(); ++i) {
        const DemoScenario& d = scenarios[i];
        std::cout << "\n== Scenario " << i + 1 << ": " << d.subtype << " - " << d.description
                  << "\n";
        RunScenarioArgs run;
        run.ScenarioDb = *db;
        run.ShowProgress = true;
        const bool ok = engine.RunScenario(static_cast<std::int32_t>(i + 1), run);
        progress.finish();
        if (!ok) {
            ++failed;
            std::cout << "  failed: " << plainLines(engine.ErrorInfo()) << "\n";
            continue;
        }
        auto rs =
            db->OpenRecordset(std::string("SELECT * FROM [") + d.output + "]", dbOpenSnapshot);
        if (!rs) return fail(rs.error().description);
        std::cout << "\n" << d.output << ":\n";
        printAligned(*rs, std::cout);
    }
    db->Close();
    std::cout << "\n"
              << scenarios.size() - failed << " of " << scenarios.size()
              << " scenarios ran. Look again with: quorvane show " << path << " TABLE\n";
    return failed ? kExitFailed : 0;
}

}  // namespace

void addDemoCommand(CLI::App& app, int& exitCode) {
    auto dir = std::make_shared<std::string>();
    CLI::App* c = app.add_subcommand(
        "demo", "build a demo database, run its scenarios and print their results");
    c->add_option("DIR", *dir, "folder for the demo database (made when missing)");
    setExample(*c, "  quorvane demo /tmp/qrv-demo",
               "The database is DIR/quorvane-demo.db (DIR defaults to the current folder);\n"
               "an earlier one there is replaced.");
    c->callback([dir, &exitCode] { exitCode = demo(*dir); });
}

}  // namespace qrv::cli
