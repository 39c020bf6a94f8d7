// demo: builds a deterministic demo database (sample measurements with
// groups, a weight field, some missing values and a stored query, plus the
// scenario tables) and shows what it holds.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>

#include "cli/commands.h"
#include "dataaccess/dataaccess.h"
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

}  // namespace

int cmdDemo(const Args& args) {
    if (args.size() > 1) return fail("usage: quorvane demo [DIR]");
    std::filesystem::path dir = args.empty() ? "." : args[0];
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
    if (Error e = buildMeasurements(*db)) {
        db->Close();
        std::filesystem::remove(path, ec);
        return fail(e.description);
    }
    db->Close();
    std::cout << "Demo database: " << path << "\n\n";
    return cmdTables({path});
}

}  // namespace qrv::cli
