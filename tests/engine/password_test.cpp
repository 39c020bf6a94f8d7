// A database with a password, given to the engine by path: refused without
// the password, run with it, its output written through a second connection
// that needs the password as well.
#include "engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class EnginePassword : public EngineTest {
  protected:
    // A Describe of X over 1, 2, 3, 4 in a file guarded by "pw".
    std::int32_t protectedScenario() {
        for (double x : {1.0, 2.0, 3.0, 4.0}) addRow("a", x);
        const auto id = addScenario(ScenarioRow{});
        EXPECT_FALSE(db.NewPassword("", "pw"));
        db.Close();
        return id;
    }
};

TEST_F(EnginePassword, PathWithoutPasswordIsRefused) {
    const auto id = protectedScenario();
    Error e = engine.SetScenarioDatabase(path);
    EXPECT_EQ(e.number, 3031);
    EXPECT_EQ(e.description, "Not a valid password.");
    RunScenarioArgs args;
    args.ScenarioDb = path;
    EXPECT_FALSE(engine.RunScenario(id, args));
    // As for any file that cannot be opened: the run has no scenario database.
    EXPECT_EQ(engine.ErrorInfo(), "Scenario database property not assigned or opened");
    engine.SetDatabasePassword("wrong");
    EXPECT_EQ(engine.SetScenarioDatabase(path).number, 3031);
}

TEST_F(EnginePassword, RunsWithThePasswordAndWritesItsOutput) {
    const auto id = protectedScenario();
    engine.SetDatabasePassword("pw");
    RunScenarioArgs args;
    args.ScenarioDb = path;
    ASSERT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();

    auto out = DBEngine::Instance().OpenDatabase(path, false, true, ";pwd=pw");
    ASSERT_TRUE(out.ok()) << out.error().description;
    auto rs = out->OpenRecordset("SELECT [Mean] FROM [Out1]");
    ASSERT_TRUE(rs.ok()) << rs.error().description;
    ASSERT_FALSE(rs->Eof());
    // (1 + 2 + 3 + 4) / 4, by hand.
    EXPECT_DOUBLE_EQ(rs->GetValue(0).asDouble(), 2.5);
    out->Close();
    // The run left the password in place.
    EXPECT_EQ(DBEngine::Instance().OpenDatabase(path).error().number, 3031);
}

}  // namespace
}  // namespace qrv::test
