// The scenario tables as created in a new database, checked column by column
// against their definitions copied verbatim into this file, and the
// first-open check's question, answers and failure behaviour.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/scenario_tables.h"
#include "support/temp_dir.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Column | Type | Size | Zero length
const char* const kScenarioColumns = R"(
| `Scenario_ID` | Long, auto-increment (attribute 16) | 4 |  |
| `SortOrder` | Integer | 2 |  |
| `Scenario_Description` | Text | 255 | no |
| `Scenario_Analysis_Type` | Text | 1 | no |
| `Scenario_Analysis_SubType` | Text | 30 | no |
| `Scenario_Input_Table_Name` | Text | 64 | yes |
| `Scenario_Output_Table1_Name` | Text | 50 | yes |
| `Scenario_Output_Table2_Name` | Text | 64 | yes |
| `Scenario_Version` | Text | 5 | no |
| `Scenario_DateCreated` | Date/Time | 8 |  |
| `Scenario_LastModified` | Date/Time | 8 |  |
| `Scenario_CreatedBy` | Text | 15 | no |
| `Scenario_ModifiedBy` | Text | 50 | no |
| `MissingType` | Text | 1 | no |
| `MissingEqual` | Double | 8 |  |
| `MissingLow` | Double | 8 |  |
| `MissingHigh` | Double | 8 |  |
| `PageLockField1` ... `PageLockField4` | Text | 255 each | no |
)";

// # | Column | Type (size) | Default | Description property
const char* const kOptionColumns = R"(
| 1 | `Scenario_ID` | Long (4) | - | "Scenario ID" |
| 2 | `Range` | Yes/No | True | "Describe: Range" |
| 3 | `VarStd` | Yes/No | True | "Describe: Stanard deviation, variance" |
| 4 | `VarNRadio` | Text (3) | "N-1" | "Describe: N or N-1 Method" |
| 5 | `Mean` | Yes/No | False | "Describe: Harmonic, Geometric, RMS" |
| 6 | `Skew` | Yes/No | False | "Describe: Skewness, Kurtosis" |
| 7 | `Sum` | Yes/No | True | "Describe: Sum, Sum Squared" |
| 8 | `Mode` | Yes/No | False | "Describe: Mode, Mode Count" |
| 9 | `CI` | Yes/No | False | "Describe: Confidence Intervals" |
| 10 | `CITypeRadio` | Text (7) | "t-Test" | "Describe: t-Test or Normal CI method" |
| 11 | `CIStdDev` | Double | - | "Describe: std. dev. for Normal calc" |
| 12 | `CI95` | Yes/No | True | "Describe: CI 95% option" |
| 13 | `CIUser` | Integer | - | "Describe: CI User % option" |
| 14 | `TTestMean` | Yes/No | False | "Describe: t-Test vs. Mean" |
| 15 | `TTestValue` | Double | - | "Describe: t-Test vs. Mean value to test" |
| 16 | `Percentile` | Yes/No | False | "Describe: Percentile" |
| 17 | `PercentileRadio` | Text (11) | "Median" | "Percentile type: Median, Quartiles, etc." |
| 18 | `FreqN` | Yes/No | False | "Describe: Frequency Count" |
| 19 | `FreqP` | Yes/No | False | "Describe: Frequency Percent" |
| 20 | `InterV` | Integer | "10" | "Frequency: Number of intervals" |
| 21 | `FreqIncRadio` | Text (11) | "Lower" | "Frequency: Include border in lower or upper range" |
| 22 | `FreqDispRadio` | Text (10) | "Count" | "Frequency: Count or cumulative" |
| 23 | `FreqGroupRadio` | Text (10) | "Default" | "Frequency: Default or specified" |
| 24 | `FreqWidth` | Double | - | "Frequency: Specified interval width" |
| 25 | `FreqInit` | Double | - | "Frequency: Specified initial interval value" |
| 26 | `FreqSum` | Yes/No | - | "Frequency: Sum intervals" |
| 27 | `FreqType` | Text (1) | - | none |
| 28 | `CountXY` | Yes/No | True | "Compare: Count" |
| 29 | `MeanXY` | Yes/No | True | "Compare: Mean X-Y" |
| 30 | `CorrXY` | Yes/No | True | "Compare: Correlation" |
| 31 | `TTest` | Yes/No | True | "Compare: t-Test" |
| 32 | `Chi` | Yes/No | False | "Compare: Chi-Square" |
| 33 | `MCnt` | Yes/No | False | "Matrix: Count" |
| 34 | `MMis` | Yes/No | False | "Matrix: Missing" |
| 35 | `MMean` | Yes/No | False | "Matrix: Mean X-Y" |
| 36 | `MDev` | Yes/No | False | "Matrix: Std. Dev X-Y" |
| 37 | `MCov` | Yes/No | False | "Matrix: Covariance" |
| 38 | `MCor` | Yes/No | False | "Matrix: Correlation" |
| 39 | `MR2` | Yes/No | False | "Matrix: R-Square" |
| 40 | `MT` | Yes/No | False | "Matrix: t-Test" |
| 41 | `MProb` | Yes/No | False | "Matrix: Probability" |
| 42 | `MProbTail` | Text (6) | - | "Matrix: Probability tails" |
| 43 | `RegressType` | Text (1) | "S" | "Regression: Type" |
| 44 | `RPoly` | Integer | "2" | "Regression: Polynomial order" |
| 45 | `RYInt` | Yes/No | True | "Regression: Y-intercept" |
| 46 | `RANova` | Yes/No | True | "Regression: ANOVA" |
| 47 | `Residual` | Yes/No | False | "Regression: Residual table" |
| 48 | `XType` | Text (1) | "C" | "Crosstab: Type" |
| 49 | `XRowPCnt` | Yes/No | - | "Crosstab: % of row" |
| 50 | `XColPcnt` | Yes/No | - | "Crosstab: % of column" |
| 51 | `xTotPcnt` | Yes/No | - | "Crosstab: % of total" |
| 52 | `xExpectPcnt` | Yes/No | - | "Crosstab: % of expected" |
| 53 | `xExpect` | Yes/No | - | "Crosstab: Expected" |
| 54 | `xChi` | Yes/No | - | "Crosstab: Chi-Square" |
| 55 | `GroupIgnoreBlanks` | Yes/No | False | "Group: Ignore blanks" |
| 56 | `GroupDetail` | Yes/No | False | "Group: Create detail table" |
| 57 | `ChiAll` | Yes/No | False | "Chi-Square: All groups use the compare values" |
| 58 | `ChiIgnoreBlanks` | Yes/No | False | "Chi-Square: Ignore blanks" |
| 59 | `ChiDetail` | Yes/No | True | "Chi-Square: Detail table" |
| 60 | `SignMean` | Yes/No | True | "Sign Test: Mean" |
| 61 | `SignMedian` | Yes/No | False | "Sign Test: Median" |
| 62 | `SignCustom` | Yes/No | False | "Sign Test: Custom" |
| 63 | `SignValue` | Integer | - | "Sign Test: Custom value" |
| 64 | `FitUniform` | Yes/No | True | "K-S Fit: Uniform distribution" |
| 65 | `FitNormal` | Yes/No | False | "K-S Fit: Normal distribution" |
| 66 | `FitPoisson` | Yes/No | True | "K-S Fit: Poisson distribution" |
| 67 | `NPPair_Sign` | Yes/No | True | "Paired: Sign Test" |
| 68 | `NPPair_Wilcoxon` | Yes/No | True | "Paired: Wilcoxon" |
| 69 | `NPPair_Spearman` | Yes/No | True | "Paired: Spearman" |
| 70 | `NPPair_Tau` | Yes/No | False | "Paired: Tau - disabled" |
| 71 | `NPFriedmanDetail` | Yes/No | True | "N Fields: Friedman Detail" |
| 72 | `NPTwoType` | Text (4) | "Mann" | "2 Sample: Wald-Wolfowitz Runs or Mann-Whitney" |
| 73 | `NPKruskalDetail` | Yes/No | True | "N Sample: Kruskal Wallis detail table" |
)";

struct Expected {
    std::string name;
    int type = 0;
    long size = 0;
    bool autoIncrement = false;
    std::string zeroLength;  // "yes", "no" or "" for non-text
    std::string deflt;       // "" for none
    std::string description;
};

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::string cell;
    std::stringstream in(line.substr(1));
    while (std::getline(in, cell, '|')) {
        auto b = cell.find_first_not_of(' '), e = cell.find_last_not_of(' ');
        out.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
    }
    return out;
}

std::string unquote(std::string s) {
    if (s.size() >= 2 && (s.front() == '`' || s.front() == '"')) return s.substr(1, s.size() - 2);
    return s;
}

int typeCode(const std::string& t) {
    if (t.rfind("Long", 0) == 0) return dbLong;
    if (t.rfind("Integer", 0) == 0) return dbInteger;
    if (t.rfind("Text", 0) == 0) return dbText;
    if (t.rfind("Yes/No", 0) == 0) return dbBoolean;
    if (t.rfind("Double", 0) == 0) return dbDouble;
    if (t.rfind("Date/Time", 0) == 0) return dbDate;
    ADD_FAILURE() << "unknown type " << t;
    return 0;
}

std::vector<Expected> scenarioColumns() {
    std::vector<Expected> out;
    std::stringstream in(kScenarioColumns);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        auto c = cells(line);
        Expected e;
        e.type = typeCode(c[1]);
        e.size = std::stol(c[2]);
        e.autoIncrement = c[1].find("auto-increment") != std::string::npos;
        e.zeroLength = e.type == dbText ? c[3] : "";
        if (c[0].find("...") != std::string::npos) {  // PageLockField1 ... PageLockField4
            for (int i = 1; i <= 4; ++i) {
                e.name = "PageLockField" + std::to_string(i);
                out.push_back(e);
            }
            continue;
        }
        e.name = unquote(c[0]);
        out.push_back(e);
    }
    return out;
}

std::vector<Expected> optionColumns() {
    std::vector<Expected> out;
    std::stringstream in(kOptionColumns);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        auto c = cells(line);
        Expected e;
        e.name = unquote(c[1]);
        e.type = typeCode(c[2]);
        auto p = c[2].find('(');
        e.size = p != std::string::npos ? std::stol(c[2].substr(p + 1)) : fixedSizeOf(e.type);
        e.zeroLength = e.type == dbText ? "no" : "";
        e.deflt = c[3] == "-" ? "" : unquote(c[3]);
        e.description = c[4] == "none" ? "" : unquote(c[4]);
        out.push_back(e);
    }
    return out;
}

class ScriptedPrompter : public Prompter {
  public:
    explicit ScriptedPrompter(bool answer) : answer_(answer) {}
    bool askYesNo(const std::string& caption, const std::string& text) override {
        ++asked;
        lastCaption = caption;
        lastText = text;
        return answer_;
    }
    void inform(const std::string&, const std::string&) override {}
    void critical(const std::string&, const std::string&) override {}
    void beep() override {}
    int asked = 0;
    std::string lastCaption, lastText;

  private:
    bool answer_;
};

class ScenarioTablesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("user.db");
        auto r = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        ASSERT_TRUE(r.ok());
        db = *r;
        handler.SetDestination(dir.file("error.log"));
    }
    void reopen() {
        db.Close();
        db = *DBEngine::Instance().OpenDatabase(path);
    }
    void checkTable(const char* table, const std::vector<Expected>& expected) {
        auto def = db.GetTableDef(table);
        ASSERT_TRUE(def.ok()) << table;
        ASSERT_EQ(def->Fields().size(), expected.size()) << table;
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected& e = expected[i];
            const Field& f = def->Fields()[i];
            SCOPED_TRACE(std::string(table) + "." + e.name);
            EXPECT_EQ(f.Name, e.name) << "column order";
            EXPECT_EQ(f.Type, e.type);
            EXPECT_EQ(f.Size, e.size);
            EXPECT_EQ((f.Attributes & dbAutoIncrField) != 0, e.autoIncrement);
            if (!e.zeroLength.empty()) {
                EXPECT_EQ(f.AllowZeroLength, e.zeroLength == "yes");
            }
            if (!e.description.empty()) {
                auto d = f.GetProperty("Description");
                ASSERT_TRUE(d.ok());
                EXPECT_EQ(d->toText(), e.description);
            }
            if (e.deflt.empty()) {
                EXPECT_EQ(f.DefaultValue, "");
            } else {
                EXPECT_EQ(f.DefaultValue, e.deflt);
            }
        }
    }

    TempDir dir;
    std::string path;
    Database db;
    SilentPrompter silent;
    CErr_Zelk handler{&silent, false};
};

TEST_F(ScenarioTablesTest, NewDatabaseAsksOnceAndGetsEveryColumn) {
    ScriptedPrompter yes(true);
    scenario::StoreContext ctx{db, &handler, &yes};
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_EQ(yes.asked, 1);
    EXPECT_EQ(yes.lastCaption, "Initialize Database");
    EXPECT_EQ(yes.lastText,
              "This is the first time you have opened this database for use with Quorvane.\r\n\r\n"
              "The Scenario information tables must be created in your database in order for "
              "Quorvane to work. \r\n\r\nWould you like to add the Quorvane scenario tables to "
              "this database?");
    reopen();
    ctx.db = db;
    EXPECT_TRUE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_EQ(yes.asked, 1) << "a second open asks nothing";

    checkTable("usysQuorvaneScenarios", scenarioColumns());
    checkTable("usysQuorvaneOptions", optionColumns());
    std::vector<Expected> fields = {
        {"Scenario_ID", dbLong, 4, false, "", "", "Scenario ID"},
        {"FieldDef_Name", dbText, 64, false, "no", "", "Field Name"},
        {"FieldDef_Ordinal_Position", dbInteger, 2, false, "", "",
         "The field's ordinal position in the set"},
        {"FieldDef_Choice", dbText, 1, false, "no", "", "Field assignment type (X, Y, etc.)"}};
    checkTable("usysQuorvaneFields", fields);

    auto scen = db.GetTableDef("usysQuorvaneScenarios");
    ASSERT_NE(scen->FindIndex("PrimaryKey"), nullptr);
    EXPECT_TRUE(scen->FindIndex("PrimaryKey")->Primary);
    EXPECT_EQ(scen->FindIndex("PrimaryKey")->Fields, std::vector<std::string>{"Scenario_ID"});
    auto fl = db.GetTableDef("usysQuorvaneFields");
    EXPECT_EQ(fl->FindIndex("PrimaryKey")->Fields,
              (std::vector<std::string>{"Scenario_ID", "FieldDef_Name"}));
    ASSERT_NE(fl->FindIndex("IX_Scenario_ID"), nullptr);
    EXPECT_FALSE(fl->FindIndex("IX_Scenario_ID")->Primary);
    // The options a user types within a range keep it; the others have no rule.
    auto op = db.GetTableDef("usysQuorvaneOptions");
    const std::pair<const char*, const char*> ruled[] = {
        {"CIStdDev", "Is Null Or >0"},
        {"CIUser", "Is Null Or =0 Or Between 1 And 99.999"},
        {"InterV", "Is Null Or Between 2 And 50"},
        {"RPoly", "Is Null Or Between 2 And 9"},
        {"FreqWidth", "Is Null Or >0"}};
    for (const Field& f : op->Fields()) {
        std::string want;
        for (const auto& [name, rule] : ruled)
            if (f.Name == name) want = rule;
        EXPECT_EQ(f.ValidationRule, want) << f.Name;
    }
    EXPECT_EQ(op->FindField("FreqWidth")->ValidationText,
              "Interval Width must be greater than zero");
    EXPECT_EQ(scen->FindField("MissingType")->ValidationRule, "Is Null Or In ('0', '1', '2')");
    EXPECT_EQ(fl->FindField("FieldDef_Choice")->ValidationRule, "In ('G', 'C', 'X', 'Y', 'W')");
}

TEST_F(ScenarioTablesTest, NewOptionsRowHoldsTheDefaults) {
    scenario::StoreContext ctx{db, &handler, nullptr};
    ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
    ASSERT_TRUE(db.Execute("INSERT INTO [usysQuorvaneOptions] ([Scenario_ID]) VALUES (7)").ok());
    auto rs = db.OpenRecordset("SELECT * FROM [usysQuorvaneOptions] WHERE Scenario_ID = 7");
    ASSERT_TRUE(rs.ok());
    for (const Expected& e : optionColumns()) {
        if (e.name == "Scenario_ID") continue;
        Value v = *rs->GetValue(e.name);
        SCOPED_TRACE(e.name);
        if (e.deflt.empty()) {
            EXPECT_TRUE(v.isNull());
        } else if (e.type == dbBoolean) {
            EXPECT_EQ(v.kind(), ValueKind::Bool);
            EXPECT_EQ(v.asBool(), e.deflt == "True");
        } else if (e.type == dbText) {
            EXPECT_EQ(v.toText(), e.deflt);
        } else {
            EXPECT_EQ(v.asDouble(), std::stod(e.deflt));
        }
    }
    auto w = db.Execute("UPDATE [usysQuorvaneOptions] SET [FreqWidth] = 0");
    ASSERT_FALSE(w.ok());
    EXPECT_EQ(w.error().description, "Interval Width must be greater than zero");
    EXPECT_FALSE(db.Execute("UPDATE [usysQuorvaneOptions] SET [FreqWidth] = -2").ok());
    EXPECT_TRUE(db.Execute("UPDATE [usysQuorvaneOptions] SET [FreqWidth] = Null").ok());
    EXPECT_TRUE(db.Execute("UPDATE [usysQuorvaneOptions] SET [FreqWidth] = 0.5").ok());
}

TEST_F(ScenarioTablesTest, NoMeansNoTables) {
    ScriptedPrompter no(false);
    scenario::StoreContext ctx{db, &handler, &no};
    EXPECT_FALSE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_EQ(no.asked, 1);
    EXPECT_TRUE(db.TableDefNames().empty());
}

TEST_F(ScenarioTablesTest, PartialSetFailsOnTheExistingTableAndStops) {
    scenario::StoreContext ctx{db, &handler, nullptr};
    ASSERT_TRUE(scenario::BuildScenarioTable(ctx));
    ScriptedPrompter yes(true);
    ctx.prompter = &yes;
    EXPECT_FALSE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_EQ(yes.asked, 1);
    EXPECT_EQ(db.TableDefNames(), std::vector<std::string>{"usysQuorvaneScenarios"})
        << "nothing further is created";
    EXPECT_TRUE(handler.HasError());
    EXPECT_EQ(handler.ErrorNumber(), 3010);
    EXPECT_NE(handler.ErrorDescription().find("usysQuorvaneScenarios"), std::string::npos);
    EXPECT_EQ(handler.Depth(), 0u) << "the handler left the failed procedure";
    EXPECT_NE(readBytes(dir.file("error.log")).find("BuildScenarioTable"), std::string::npos);
}

TEST_F(ScenarioTablesTest, AFieldHoldsOneRolePerScenario) {
    scenario::StoreContext ctx{db, &handler, nullptr};
    ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
    auto rs = db.OpenRecordset("usysQuorvaneFields");
    auto add = [&](int id, const char* name, const char* role) {
        rs->AddNew();
        rs->Collect("Scenario_ID", id);
        rs->Collect("FieldDef_Name", name);
        rs->Collect("FieldDef_Ordinal_Position", 1);
        rs->Collect("FieldDef_Choice", role);
        Error e = rs->Update();
        if (e) rs->CancelUpdate();
        return e;
    };
    EXPECT_FALSE(add(1, "Yield", "X"));
    EXPECT_EQ(add(1, "Yield", "Y").number, 3022);
    EXPECT_EQ(add(1, "YIELD", "G").number, 3022) << "names ignore case";
    EXPECT_FALSE(add(2, "Yield", "Y"));
}

TEST_F(ScenarioTablesTest, ScenarioIdsAreNumberedAndReadBackThroughTheJoin) {
    scenario::StoreContext ctx{db, &handler, nullptr};
    ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
    auto s = db.OpenRecordset("usysQuorvaneScenarios");
    auto o = db.OpenRecordset("usysQuorvaneOptions");
    for (const char* desc : {"first", "second"}) {
        ASSERT_FALSE(s->AddNew());
        Value id = *s->GetValue("Scenario_ID");
        s->Collect("Scenario_Description", desc);
        s->Collect("Scenario_Analysis_Type", "P");
        s->Collect("Scenario_Analysis_SubType", "Describe");
        s->Collect("Scenario_Version", "V5   ");
        s->Collect("Scenario_CreatedBy", "admin");
        s->Collect("Scenario_ModifiedBy", "admin");
        s->Collect("MissingType", "0");
        for (int i = 1; i <= 4; ++i)
            s->Collect("PageLockField" + std::to_string(i), std::string(255, ' '));
        ASSERT_FALSE(s->Update());
        o->AddNew();
        o->Collect("Scenario_ID", id);
        ASSERT_FALSE(o->Update());
    }
    EXPECT_EQ(scenario::GetScenOptionSQL(2),
              "SELECT  * FROM [usysQuorvaneScenarios] INNER JOIN [usysQuorvaneOptions] ON "
              "[usysQuorvaneScenarios].Scenario_ID = [usysQuorvaneOptions].Scenario_ID WHERE "
              "[usysQuorvaneScenarios].Scenario_ID=2");
    EXPECT_EQ(scenario::GetScenOptionSQL(0),
              "SELECT  * FROM [usysQuorvaneScenarios] INNER JOIN [usysQuorvaneOptions] ON "
              "[usysQuorvaneScenarios].Scenario_ID = [usysQuorvaneOptions].Scenario_ID ");
    EXPECT_EQ(scenario::GetFieldListSQL(5),
              "SELECT * FROM [usysQuorvaneFields] WHERE Scenario_ID=5 order by FieldDef_Choice, "
              "FieldDef_Ordinal_Position");
    auto one = db.OpenRecordset(scenario::GetScenOptionSQL(2));
    ASSERT_TRUE(one.ok()) << one.error().description;
    EXPECT_EQ(one->GetValue("Scenario_Description")->toText(), "second");
    EXPECT_EQ(one->GetValue("VarNRadio")->toText(), "N-1");
    ASSERT_FALSE(one->MoveLast());
    EXPECT_EQ(one->RecordCount(), 1);
    auto all = db.OpenRecordset(scenario::GetScenOptionSQL(0));
    ASSERT_FALSE(all->MoveLast());
    EXPECT_EQ(all->RecordCount(), 2);
    auto fields = db.OpenRecordset(scenario::GetFieldListSQL(1));
    ASSERT_TRUE(fields.ok());
    EXPECT_TRUE(fields->Eof());
}

}  // namespace
}  // namespace qrv::test
