// The dialect's statistical aggregates and First/Last, through translated
// queries: textbook values, Null handling, the too-few-values cases, and
// NIST's certified standard deviations for data with a large common offset.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

class AggregateTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        // Group a: 2 4 4 4 5 5 7 9 and a Null. Mean 5, squared deviations sum to 32.
        // Group b: one value. Group c: only Null.
        exec(R"(CREATE TABLE Vals (g TEXT, x REAL);
                INSERT INTO Vals VALUES ('a', 2), ('a', 4), ('a', 4), ('a', NULL), ('a', 4),
                  ('a', 5), ('a', 5), ('a', 7), ('a', 9), ('b', 3), ('c', NULL);)");
    }

    double number(const std::string& dialect) {
        const std::string text = scalar(dialect);
        EXPECT_NE(text, "NULL") << dialect;
        return std::strtod(text.c_str(), nullptr);
    }
};

TEST_F(AggregateTest, SampleAndPopulationSpreadOfATextbookSample) {
    EXPECT_NEAR(number("SELECT StDev([x]) FROM [Vals] WHERE [g] = 'a'"), std::sqrt(32.0 / 7.0),
                1e-14);
    EXPECT_NEAR(number("SELECT Var([x]) FROM [Vals] WHERE [g] = 'a'"), 32.0 / 7.0, 1e-14);
    EXPECT_NEAR(number("SELECT StDevP([x]) FROM [Vals] WHERE [g] = 'a'"), 2.0, 1e-14);
    EXPECT_NEAR(number("SELECT VarP([x]) FROM [Vals] WHERE [g] = 'a'"), 4.0, 1e-14);
}

TEST_F(AggregateTest, PerGroupWithTooFewValues) {
    // b has one value: no sample spread, population spread 0. c has none at all.
    EXPECT_EQ(run("SELECT [g], StDev([x]), Var([x]), StDevP([x]), VarP([x]) FROM [Vals] "
                  "WHERE [g] <> 'a' GROUP BY [g] ORDER BY [g]"),
              (Rows{{"b", "NULL", "NULL", "0.0", "0.0"}, {"c", "NULL", "NULL", "NULL", "NULL"}}));
    EXPECT_EQ(scalar("SELECT StDevP([x]) FROM [Vals] WHERE [g] = 'none'"), "NULL");
}

TEST_F(AggregateTest, TextThatIsNotANumberIsAMismatch) {
    exec("INSERT INTO Vals VALUES ('d', 1), ('d', 'abc')");
    const std::string sql = translate("SELECT StDev([x]) FROM [Vals] WHERE [g] = 'd'");
    Rows rows;
    std::string error;
    EXPECT_FALSE(tryQuery(sql, rows, error));
    EXPECT_NE(error.find("Data type mismatch"), std::string::npos) << error;
}

// NIST StRD univariate sets whose values share a large offset (1e6, 1e7):
// a sum-of-squares formula loses every significant digit here.
double certifiedSd(const std::string& name, std::vector<std::string>& values) {
    std::ifstream in(std::string(QRV_TEST_DATA_DIR) + "/strd/" + name + ".txt");
    EXPECT_TRUE(in.good()) << name;
    std::string line;
    double sd = NAN;
    bool data = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (data) {
            values.push_back(line);
            continue;
        }
        if (line == "data") data = true;
        std::istringstream words(line);
        std::string key, what;
        words >> key >> what;
        if (key == "certified" && what == "sd") words >> sd;
    }
    return sd;
}

TEST_F(AggregateTest, CertifiedStandardDeviationsWithLargeOffsets) {
    for (const char* name : {"NumAcc1", "NumAcc3", "NumAcc4"}) {
        std::vector<std::string> values;
        const double certified = certifiedSd(name, values);
        ASSERT_FALSE(values.empty()) << name;
        exec("DROP TABLE IF EXISTS Acc; CREATE TABLE Acc (y REAL)");
        exec("BEGIN");
        for (const std::string& v : values) exec("INSERT INTO Acc VALUES (" + v + ")");
        exec("COMMIT");
        // The decimal data are not exact in binary: that alone moves NumAcc4's
        // variance by 1.1e-8 relative. A naive formula is off by orders of magnitude.
        const double sd = number("SELECT StDev([y]) FROM [Acc]");
        EXPECT_NEAR(sd / certified, 1.0, 2e-8) << name;
        const double var = number("SELECT Var([y]) FROM [Acc]");
        EXPECT_NEAR(var / (certified * certified), 1.0, 4e-8) << name;
    }
}

TEST_F(AggregateTest, SpreadBeyondTheDoublesIsNullAndTheLastBitCounts) {
    // o: 1e200, 2e200, 3e200, whose sample variance 1e400 has no double.
    // l: 1, 1+2^-52 twice each, deviations +-2^-53: sample variance
    // 4 * 2^-106 / 3 = 1.6434602192104412e-32, population 2^-106.
    // t: 0.1 three times, exactly no spread.
    exec(R"(INSERT INTO Vals VALUES ('o', 1e200), ('o', 2e200), ('o', 3e200),
              ('l', 1), ('l', 1.0000000000000002220446049250313), ('l', 1),
              ('l', 1.0000000000000002220446049250313), ('t', 0.1), ('t', 0.1), ('t', 0.1);)");
    EXPECT_EQ(run("SELECT StDev([x]), Var([x]), StDevP([x]), VarP([x]) FROM [Vals] "
                  "WHERE [g] = 'o'"),
              (Rows{{"NULL", "NULL", "NULL", "NULL"}}));
    const struct {
        const char* sql;
        double want;
    } cases[] = {
        {"SELECT Var([x]) FROM [Vals] WHERE [g] = 'l'", 1.6434602192104412e-32},
        {"SELECT VarP([x]) FROM [Vals] WHERE [g] = 'l'", 0x1p-106},
        {"SELECT StDevP([x]) FROM [Vals] WHERE [g] = 'l'", 0x1p-53},
    };
    for (const auto& c : cases) EXPECT_NEAR(number(c.sql) / c.want, 1.0, 1e-14) << c.sql;
    EXPECT_EQ(run("SELECT StDev([x]), Var([x]) FROM [Vals] WHERE [g] = 't'"),
              (Rows{{"0.0", "0.0"}}));
}

TEST_F(AggregateTest, FirstAndLastFollowRowOrderAndKeepNull) {
    // A full scan returns the rows in insertion order: 2 first, 9 last.
    EXPECT_EQ(run("SELECT First([x]), Last([x]) FROM [Vals] WHERE [g] = 'a'"),
              (Rows{{"2.0", "9.0"}}));
    // Rows ('b', 3) then ('c', Null): Last reports the Null rather than skipping back to 3.
    EXPECT_EQ(run("SELECT First([x]), Last([x]) FROM [Vals] WHERE [g] <> 'a'"),
              (Rows{{"3.0", "NULL"}}));
    EXPECT_EQ(run("SELECT First([x]), Last([x]) FROM [Vals] WHERE [g] = 'c'"),
              (Rows{{"NULL", "NULL"}}));
    EXPECT_EQ(run("SELECT First([g]), Last([g]) FROM [Vals]"), (Rows{{"a", "c"}}));
    EXPECT_EQ(run("SELECT First([x]) FROM [Vals] WHERE [g] = 'none'"), (Rows{{"NULL"}}));
}

TEST_F(AggregateTest, FirstKeepsTheValueType) {
    exec("CREATE TABLE Mixed (v); INSERT INTO Mixed VALUES ('07'), (7), (7.5)");
    // The storage class is SQLite's to tell: typeof is no function of the dialect.
    EXPECT_EQ(query("SELECT typeof(f), f, typeof(l) FROM (" +
                    translate("SELECT First([v]) AS f, Last([v]) AS l FROM [Mixed]") + ")"),
              (Rows{{"text", "07", "real"}}));
}

}  // namespace
}  // namespace qrv::dao::testing
