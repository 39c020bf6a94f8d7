// Output names that would destroy data are refused before anything is read,
// with the table and the reason named and nothing changed; a table another
// scenario or program wrote is replaced only after a Yes; a scenario replaces
// its own output without asking, and that record follows the table itself.
#include <algorithm>

#include "engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class OutputGuard : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (double x : {1.0, 2.0, 3.0}) addRow("g", x);
    }
    std::int32_t describeInto(const std::string& out1, const std::string& out2 = "",
                              const std::string& input = "Data") {
        ScenarioRow s;
        s.input = input;
        s.output1 = out1;
        s.output2 = out2;
        return addScenario(s);
    }
    // A chi-square of Data's Grp, writing out1 and its detail table out2.
    std::int32_t chiSquareInto(const std::string& out1, const std::string& out2) {
        ScenarioRow chi;
        chi.subtype = "Chi-Square";
        chi.category = "N";
        chi.output1 = out1;
        chi.output2 = out2;
        chi.fields = {{"Grp", "C"}};
        return addScenario(chi);
    }
    // A fingerprint of every row of a table, to prove it unchanged.
    std::string contents(const std::string& table) {
        std::string out;
        for (const TableRow& r : tableRows(table)) {
            for (auto& [k, v] : r) out += k + "=" + v.toText() + ";";
            out += "\n";
        }
        return out;
    }
    void makeUserTable(const std::string& name) {
        ASSERT_EQ(rawExec(path, "CREATE TABLE \"" + name +
                                    "\" (Note TEXT);"
                                    "INSERT INTO \"" +
                                    name + "\" VALUES ('precious');"),
                  "");
    }
};

TEST_F(OutputGuard, NamesThatWouldReplaceWhatTheRunReadsOrKeepsAreRefused) {
    ASSERT_FALSE(db.CreateQueryDef("Inner", "SELECT [Grp], [X] FROM [Data] WHERE [X] > 1"));
    ASSERT_FALSE(db.CreateQueryDef("Outer", "SELECT * FROM [Inner]"));
    const std::string data = contents("Data");
    struct Case {
        std::string out1, out2, input, message;
    } cases[] = {
        {"data", "", "Data",
         "The output table [data] is the scenario's input; choose another name."},
        {"DATA", "", "Outer",
         "The output table [DATA] is read by the input query [Outer]; choose another name."},
        {"USYSQUORVANESCENARIOS", "", "Data",
         "The output table [USYSQUORVANESCENARIOS] is one of the scenario tables; choose "
         "another name."},
        {"Out1", "usysquorvanefields", "Data",
         "The output table [usysquorvanefields] is one of the scenario tables; choose another "
         "name."},
        {"QRV_Properties", "", "Data",
         "The output table [QRV_Properties] has a name reserved for Quorvane's own tables; "
         "choose another name."},
        {"~qrvwork_x", "", "Data",
         "The output table [~qrvwork_x] has a name reserved for Quorvane's own tables; choose "
         "another name."},
        {"Result", "RESULT", "Data",
         "Output tables 1 and 2 are both named [Result]; each output needs a table of its own."},
        {"Inner", "", "Data",
         "The output table [Inner] is the name of a stored query; choose another name."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out1 + " / " + c.out2);
        const auto id = describeInto(c.out1, c.out2, c.input);
        EXPECT_FALSE(run(id));
        EXPECT_EQ(engine.ErrorInfo(), c.message);
    }
    EXPECT_EQ(contents("Data"), data) << "the input is unchanged";
    EXPECT_EQ(tableRows("usysQuorvaneScenarios").size(), std::size(cases));
    EXPECT_EQ(tableRows("usysQuorvaneFields").size(), std::size(cases));
    EXPECT_FALSE(db.GetTableDef("Result").ok());
    EXPECT_TRUE(prompter.questions.empty()) << "nothing to ask about refused names";
}

TEST_F(OutputGuard, ATableTheScenarioDidNotWriteIsReplacedOnlyAfterAYes) {
    makeUserTable("Results");
    const auto id = describeInto("results");
    prompter.answer = false;
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo(),
              "The output table(s) [Results] already exist and were not written by this "
              "scenario; they were left as they are.");
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.destructive, 1) << "asked with No as the safe answer";
    EXPECT_EQ(prompter.questions[0].second,
              "Results\r\n\r\nThe following output table(s) already exist in the current "
              "database and hold data that no run of this scenario wrote. Replacing them deletes "
              "that data. Do you want to replace them?");
    EXPECT_EQ(contents("Results"), "Note=precious;\n");

    prompter.answer = true;
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(tableRows("Results").at(0).at("Mean").asDouble(), 2.0);
    EXPECT_EQ(prompter.questions.size(), 2u);

    // Its own output: replaced without a question, run after run.
    prompter.answer = false;
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(prompter.questions.size(), 2u);

    // Another scenario's output is not its own.
    const auto other = describeInto("Results");
    EXPECT_FALSE(run(other));
    EXPECT_EQ(prompter.questions.size(), 3u);
}

TEST_F(OutputGuard, TheRecordOfWhoWroteATableFollowsTheTable) {
    const auto id = describeInto("Out");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    prompter.answer = false;

    // Renamed by another program: the new table of the old name is not ours.
    ASSERT_EQ(rawExec(path, "ALTER TABLE \"Out\" RENAME TO \"Kept\";"), "");
    makeUserTable("Out");
    EXPECT_FALSE(run(id));
    EXPECT_EQ(contents("Out"), "Note=precious;\n");

    // Dropped and made again by another program: not ours either.
    ASSERT_EQ(rawExec(path, "DROP TABLE \"Out\"; ALTER TABLE \"Kept\" RENAME TO \"Out\";"), "");
    ASSERT_TRUE(run(id)) << "renamed back, it is ours again: " << engine.ErrorInfo();
    ASSERT_EQ(rawExec(path, "DROP TABLE \"Out\";"), "");
    makeUserTable("Out");
    EXPECT_FALSE(run(id));
    EXPECT_EQ(contents("Out"), "Note=precious;\n");
    EXPECT_EQ(prompter.questions.size(), 2u);
}

TEST_F(OutputGuard, AnOutputDroppedElsewhereIsWrittenAgainWithoutAQuestion) {
    const auto id = describeInto("Out");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    // Dropped by another program, then by a statement through our own layer:
    // what was recorded of the old table neither blocks nor changes the new.
    ASSERT_EQ(rawExec(path, "DROP TABLE \"Out\";"), "");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    ASSERT_TRUE(db.Execute("drop table [Out]").ok());
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(tableRows("Out").at(0).at("Mean").asDouble(), 2.0);
    EXPECT_TRUE(prompter.questions.empty());
}

// What a run reports as written is what it put in place: both names of a
// chi-square with its detail table, the first alone without it (even with
// the detail table of the run before still there), nothing when it failed.
TEST_F(OutputGuard, WrittenOutputsAreTheTablesTheRunPutInPlace) {
    const auto id = chiSquareInto("C1", "C2");
    struct Case {
        const char* what;
        bool detail;
        bool dropInput;
        std::vector<std::string> written;
    };
    const std::vector<Case> cases = {
        {"with the detail table", true, false, {"C1", "C2"}},
        {"without it", false, false, {"C1"}},
        {"a failed run", true, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setOptions(id, {{"ChiDetail", c.detail}});
        if (c.dropInput) {
            ASSERT_FALSE(db.DeleteTableDef("Data"));
        }
        EXPECT_EQ(run(id), !c.dropInput) << engine.ErrorInfo();
        std::vector<std::string> written = engine.WrittenOutputs();
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.written);
    }
    // The detail table of the first run is still there: a name is not proof.
    EXPECT_TRUE(db.GetTableDef("C2").ok());
}

// A detail table the run will not write is not asked about, nor touched.
TEST_F(OutputGuard, ADetailTableTurnedOffIsNeitherAskedAboutNorTouched) {
    makeUserTable("C2");
    const auto id = chiSquareInto("C1", "C2");
    setOptions(id, {{"ChiDetail", false}});
    prompter.answer = false;
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(contents("C2"), "Note=precious;\n");
    // Turned on, the same table is the user's data again: asked, No keeps it.
    setOptions(id, {{"ChiDetail", true}});
    EXPECT_FALSE(run(id));
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(contents("C2"), "Note=precious;\n");
}

TEST_F(OutputGuard, AQueryBrokenLaterFailsOnlyTheRunsThatReadIt) {
    ASSERT_EQ(rawExec(path, "CREATE TABLE \"Gone\" (X REAL);"), "");
    ASSERT_FALSE(db.CreateQueryDef("qGone", "SELECT [X] FROM [Gone]"));
    ASSERT_FALSE(db.DeleteTableDef("Gone"));
    const auto id = describeInto("Out");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    // A query over the output, missing its table only while the run swaps
    // the new one in, is no obstacle either.
    ASSERT_FALSE(db.CreateQueryDef("qOut", "SELECT [Mean] FROM [Out]"));
    ASSERT_TRUE(run(id)) << "replacing its own output: " << engine.ErrorInfo();
    EXPECT_EQ(tableRows("qOut").at(0).at("Mean").asDouble(), 2.0);

    const auto broken = describeInto("Out2", "", "qGone");
    EXPECT_FALSE(run(broken));
    EXPECT_NE(engine.ErrorInfo().find("cannot find the input table or query 'Gone'"),
              std::string::npos)
        << engine.ErrorInfo();
    EXPECT_FALSE(db.GetTableDef("Out2").ok());
}

}  // namespace
}  // namespace qrv::test
