// The two-sample t-test of a compare field with more levels than two says
// which two it compared and which it left out: as a status line and as a
// note of the run, in level order (Null first, numbers, then texts).
#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class TTestLevels : public EngineTest {
  protected:
    // One row per level given (a Value per row), X = 1, 2, ...
    std::int32_t scenario(const std::vector<Value>& levels) {
        makeTable("T", {Field("Region", dbText, 10), Field("N", dbLong), Field("X", dbDouble)});
        std::vector<std::vector<Value>> rows;
        double x = 0;
        for (const Value& v : levels) {
            const bool text = v.kind() == ValueKind::Text;
            rows.push_back({text ? v : Value(), text ? Value() : v, ++x});
            rows.push_back({text ? v : Value(), text ? Value() : v, ++x});
        }
        appendRows("T", {"Region", "N", "X"}, rows);
        const bool byText = levels.empty() || levels[0].kind() == ValueKind::Text;
        ScenarioRow s;
        s.category = "G";
        s.subtype = "Two Sample t-Test";
        s.input = "T";
        s.fields = {{byText ? "Region" : "N", "C"}, {"X", "X"}};
        return addScenario(s);
    }
};

TEST_F(TTestLevels, StatusAndNotesNameTheLevelsComparedAndLeftOut) {
    struct Case {
        const char* what;
        std::vector<Value> levels;  // as stored, in any order
        std::string note;           // empty: none
    };
    const std::vector<Case> cases = {
        {"four texts",
         {Value("West"), Value("East"), Value("South"), Value("North")},
         "Comparing Region = \"East\" with \"North\"; levels left out: \"South\", \"West\""},
        {"seven texts: three named, the rest counted",
         {Value("g"), Value("f"), Value("e"), Value("d"), Value("c"), Value("b"), Value("a")},
         "Comparing Region = \"a\" with \"b\"; levels left out: \"c\", \"d\", \"e\" and 2 more"},
        {"numbers unquoted",
         {Value(30), Value(10), Value(20)},
         "Comparing N = 10 with 20; levels left out: 30"},
        {"two levels: nothing left out, nothing said", {Value("b"), Value("a")}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        (void)db.Execute("DROP TABLE [T]");
        const auto id = scenario(c.levels);
        std::vector<std::string> statuses, raised;
        Quorvane fresh{&prompter};
        fresh.ErrorHandler().SetDestination(dir.file("error.log"));
        fresh.SetShowProgress(true);
        fresh.OnStatStatus([&](const std::string& m) { statuses.push_back(m); });
        fresh.OnRunNote([&](const std::string& n) { raised.push_back(n); });
        RunScenarioArgs args;
        args.ScenarioDb = db;
        ASSERT_TRUE(fresh.RunScenario(id, args)) << fresh.ErrorInfo();
        const std::vector<std::string> want =
            c.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.note};
        EXPECT_EQ(fresh.RunNotes(), want);
        EXPECT_EQ(raised, want);
        const auto shown = std::find(statuses.begin(), statuses.end(), c.note);
        EXPECT_EQ(shown != statuses.end(), !c.note.empty());
        // Said before the rows are read: the user sees it for the whole walk.
        if (!c.note.empty()) {
            EXPECT_LT(shown - statuses.begin(),
                      std::find(statuses.begin(), statuses.end(), "Analyzing records...") -
                          statuses.begin());
        }
        // The next run starts without the last run's notes.
        addRow("a", 1.0);
        ASSERT_TRUE(fresh.RunScenario(addScenario(ScenarioRow{}), args)) << fresh.ErrorInfo();
        EXPECT_TRUE(fresh.RunNotes().empty());
    }
}

}  // namespace
}  // namespace qrv::test
