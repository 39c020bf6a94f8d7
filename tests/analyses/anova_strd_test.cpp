// The certified one-way ANOVA reference data sets run through the whole
// engine: each set is loaded into a table as written in its file, the group
// analysis runs on it, and the F value it writes must reach within half a
// digit of what exact arithmetic on the parsed data reaches (the ceilings of
// tests/numeric/strd_anova_test.cpp, from tests/numeric/reference/
// strd_ceiling.py); the degrees of freedom and sums of squares must match
// the certified table.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_fixture.h"
#include "support/strd.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Data set and its F ceiling in correct digits.
const std::pair<const char*, double> kSets[] = {
    {"SiRstv", 13.1},  {"SmLs01", 15.0}, {"SmLs02", 15.0}, {"SmLs03", 15.0},
    {"AtmWtAg", 10.2}, {"SmLs04", 10.4}, {"SmLs05", 10.2}, {"SmLs06", 10.2},
    {"SmLs07", 4.4},   {"SmLs08", 4.2},  {"SmLs09", 4.2},
};

class AnovaStrdTest : public EngineTest {
  protected:
    void load(const StrdSet& set) {
        TableDef t = db.CreateTableDef(set.name);
        for (Field f : {Field("Lvl", dbLong), Field("Y", dbDouble)}) t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
        ASSERT_FALSE(db.BeginTrans());
        for (const auto& row : set.rows) {
            auto r = db.Execute("INSERT INTO [" + set.name + "] ([Lvl], [Y]) VALUES (" +
                                numberToText(row[0]) + ", " + numberToText(row[1]) + ");");
            ASSERT_TRUE(r.ok());
        }
        ASSERT_FALSE(db.CommitTrans());
    }
};

TEST_F(AnovaStrdTest, ReachesTheCeilingThroughTheEngine) {
    for (const auto& [name, ceiling] : kSets) {
        SCOPED_TRACE(name);
        const StrdSet set = readStrd(std::string(QRV_TEST_DATA_DIR) + "/strd/" + name + ".txt");
        ASSERT_FALSE(set.rows.empty());
        load(set);
        ScenarioRow s;
        s.category = "G";
        s.subtype = "ANOVA";
        s.input = name;
        s.output1 = std::string("Anova") + name;
        s.fields = {{"Lvl", "C"}, {"Y", "X"}};
        ASSERT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
        const auto rows = tableRows(s.output1, "[Index]");
        ASSERT_EQ(rows.size(), 4u);
        const TableRow& main = rows[0];
        const TableRow& residual = rows[2];
        EXPECT_EQ(main.at("DF").asDouble(), set.certified.at("model_df"));
        EXPECT_EQ(residual.at("DF").asDouble(), set.certified.at("resid_df"));
        const double f = main.at("F-Value").asDouble();
        EXPECT_GE(correctDigits(f, set.certified.at("f")), ceiling - 0.5) << "F = " << f;
        // The sums of squares are certified too; they share the F's ceiling
        // within a digit (F is their ratio).
        EXPECT_GE(correctDigits(main.at("Sum_of_Squares").asDouble(), set.certified.at("model_ss")),
                  ceiling - 1.0);
        EXPECT_GE(
            correctDigits(residual.at("Sum_of_Squares").asDouble(), set.certified.at("resid_ss")),
            ceiling - 1.0);
        EXPECT_GE(
            correctDigits(residual.at("Mean_Square").asDouble(), set.certified.at("resid_ms")),
            ceiling - 1.0);
    }
}

}  // namespace
}  // namespace qrv::test
