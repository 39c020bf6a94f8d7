// Hashed groups against the sorted walk: the same scenario run both ways must
// write the same table, row for row and bit for bit. The data is seeded
// random and holds what makes grouping hard: Null group values, texts that
// differ only in case (also beyond ASCII), numbers and numeric texts in one
// column (one that keeps each value as given), ties, weights that skip rows,
// the ignore rule, two group fields, and both ways of comparing texts (the
// first field's collation decides).
#include <cstring>
#include <random>

#include "engine/engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class HashedGroupsTest : public EngineTest {
  protected:
    // A table of rows of random group values and numbers; textCollation is
    // the group text column's collation clause.
    void makeTable(const std::string& name, const std::string& textCollation, unsigned seed) {
        static const char* const kTexts[] = {"'a'",       "'A'",  "'b'",      "'B'",
                                             "'Ä'",       "'ä'",  "'Straße'", "'STRASSE'",
                                             "'strasse'", "NULL", "'ab'"};
        static const char* const kKeys[] = {"1",   "2",   "1.5",  "'1'", "'2'",
                                            "'x'", "'X'", "NULL", "2.0"};
        static const char* const kWeights[] = {"1", "1",  "1",    "2",   "0.5",
                                               "0", "-1", "NULL", "3.25"};
        std::mt19937 rng(seed);
        auto pick = [&](auto& list) { return list[rng() % std::size(list)]; };
        auto number = [&]() -> std::string {
            const unsigned r = rng() % 20;
            if (r == 0) return "NULL";
            if (r == 1) return "1234567.25";  // many leading digits in common
            return std::to_string(static_cast<int>(rng() % 41) - 10) + ".0 / 4";
        };
        std::string sql = "CREATE TABLE [" + name + "] (g TEXT" + textCollation +
                          ", k ANYBLOB, x DOUBLE, y DOUBLE, w DOUBLE);";
        for (int i = 0; i < 600; ++i)
            sql += "INSERT INTO [" + name + "] VALUES (" + pick(kTexts) + ", " + pick(kKeys) +
                   ", " + number() + ", " + number() + ", " + pick(kWeights) + ");";
        ASSERT_EQ(rawExec(path, "BEGIN;" + sql + "COMMIT;"), "");
    }

    std::int32_t scenario(const std::string& subtype, const std::string& input, bool weighted,
                          std::vector<std::pair<std::string, Value>> options,
                          const std::string& missingType = "0", Value low = {}, Value high = {}) {
        ScenarioRow s;
        s.subtype = subtype;
        s.input = input;
        s.fields = {{"g", "G"}, {"k", "G"}, {"x", "X"}, {"y", "X"}};
        if (weighted) s.fields.emplace_back("w", "W");
        s.missingType = missingType;
        s.missingLow = low;
        s.missingHigh = high;
        const auto id = addScenario(s);
        setOptions(id, std::move(options));
        return id;
    }

    // Runs the scenario hashed and sorted and compares the two tables.
    void expectSameBothWays(std::int32_t id, size_t minRows) {
        engine.SetHashedGroups(true);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const auto hashed = tableValues("Out1");
        engine.SetHashedGroups(false);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const auto sorted = tableValues("Out1");
        ASSERT_GE(sorted.size(), minRows);
        ASSERT_EQ(hashed.size(), sorted.size());
        for (size_t r = 0; r < sorted.size(); ++r) {
            ASSERT_EQ(hashed[r].size(), sorted[r].size());
            for (size_t c = 0; c < sorted[r].size(); ++c) {
                const Value& h = hashed[r][c];
                const Value& s = sorted[r][c];
                ASSERT_EQ(h.kind(), s.kind()) << "row " << r << " column " << c;
                if (s.isText()) {
                    EXPECT_EQ(h.textRef(), s.textRef()) << "row " << r << " column " << c;
                } else if (!s.isNull()) {
                    const double a = h.asDouble(), b = s.asDouble();
                    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0)
                        << "row " << r << " column " << c << ": " << a << " vs " << b;
                }
            }
        }
    }
};

const std::vector<std::pair<std::string, Value>> kAllSums = {{"Range", true},
                                                             {"VarStd", true},
                                                             {"VarNRadio", "N-1"},
                                                             {"Sum", true},
                                                             {"Mean", true},
                                                             {"Skew", true},
                                                             {"FreqN", true},
                                                             {"FreqP", true},
                                                             {"InterV", 6},
                                                             {"FreqGroupRadio", "Specified"},
                                                             {"FreqInit", -2.0},
                                                             {"FreqWidth", 1.5},
                                                             {"FreqIncRadio", "Lower"},
                                                             {"FreqDispRadio", "Cumulative"}};

TEST_F(HashedGroupsTest, DescribeTextsComparedWithoutCase) {
    makeTable("Folded", " COLLATE NOCASE", 7);
    // Groups of one key whose texts differ in case and sit apart in the sort
    // order are written as the sorted walk meets them.
    expectSameBothWays(scenario("Describe", "Folded", false, kAllSums), 20);
    expectSameBothWays(scenario("Describe", "Folded", true, kAllSums), 20);
}

TEST_F(HashedGroupsTest, DescribeTextsComparedBinary) {
    makeTable("Binary", "", 11);
    expectSameBothWays(scenario("Describe", "Binary", true, kAllSums), 40);
}

TEST_F(HashedGroupsTest, DescribeWithTheIgnoreRule) {
    makeTable("Folded", " COLLATE NOCASE", 13);
    expectSameBothWays(scenario("Describe", "Folded", true, kAllSums, "2", -1.0, 3.0), 20);
}

TEST_F(HashedGroupsTest, FrequencyBothCollations) {
    makeTable("Folded", " COLLATE NOCASE", 17);
    makeTable("Binary", "", 19);
    const std::vector<std::pair<std::string, Value>> options = {
        {"FreqSum", true},  {"InterV", 5},      {"FreqGroupRadio", "Specified"},
        {"FreqInit", -2.5}, {"FreqWidth", 2.0}, {"FreqIncRadio", "Upper"}};
    expectSameBothWays(scenario("Frequency", "Folded", true, options), 100);
    expectSameBothWays(scenario("Frequency", "Binary", false, options), 100);
    expectSameBothWays(scenario("Frequency", "Folded", false, options, "2", 0.0, {}), 100);
}

TEST_F(HashedGroupsTest, SortedValuesPerGroup) {
    makeTable("Folded", " COLLATE NOCASE", 29);
    makeTable("Binary", "", 31);
    const std::vector<std::pair<std::string, Value>> describe = {
        {"Mode", true}, {"Percentile", true}, {"PercentileRadio", "Quartiles"}, {"Sum", true}};
    expectSameBothWays(scenario("Describe", "Folded", true, describe), 20);
    expectSameBothWays(scenario("Describe", "Binary", false, describe), 40);
    expectSameBothWays(
        scenario("Percentiles", "Folded", true, {{"PercentileRadio", "Deciles"}}, "2", -1.0, 3.0),
        100);
    expectSameBothWays(scenario("Percentiles", "Binary", false, {{"PercentileRadio", "Median"}}),
                       40);
}

// The non-parametric tests with fractional weights: counts that are whole
// parts or roundings of weights, and the samples that compare values fall
// into, come out the same however the rows of a group were gathered.
class HashedRankTest : public HashedGroupsTest {
  protected:
    void SetUp() override {
        HashedGroupsTest::SetUp();
        makeTable("Folded", " COLLATE NOCASE", 37);
    }
    std::int32_t rank(const std::string& subtype,
                      std::vector<std::pair<std::string, std::string>> fields,
                      std::vector<std::pair<std::string, Value>> options = {}) {
        ScenarioRow s;
        s.category = "N";
        s.subtype = subtype;
        s.input = "Folded";
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, std::move(options));
        return id;
    }
};

TEST_F(HashedRankTest, Paired) {
    expectSameBothWays(
        rank("Paired Fields", {{"g", "G"}, {"x", "X"}, {"y", "Y"}, {"w", "W"}},
             {{"NPPair_Sign", true}, {"NPPair_Wilcoxon", true}, {"NPPair_Spearman", true}}),
        5);
}

TEST_F(HashedRankTest, KruskalWallis) {
    expectSameBothWays(
        rank("N Sample", {{"g", "G"}, {"k", "C"}, {"x", "X"}, {"y", "X"}, {"w", "W"}}), 5);
}

TEST_F(HashedRankTest, SignAndFriedman) {
    expectSameBothWays(rank("Sign Test", {{"g", "G"}, {"x", "X"}, {"w", "W"}},
                            {{"SignMean", true}, {"SignMedian", true}}),
                       5);
    expectSameBothWays(rank("N Fields", {{"g", "G"}, {"x", "X"}, {"y", "X"}, {"w", "W"}}), 5);
}

TEST_F(HashedGroupsTest, NoGroupFields) {
    makeTable("Folded", " COLLATE NOCASE", 23);
    ScenarioRow s;
    s.input = "Folded";
    s.fields = {{"x", "X"}, {"w", "W"}};
    const auto id = addScenario(s);
    setOptions(id, kAllSums);
    expectSameBothWays(id, 1);
}

}  // namespace
}  // namespace qrv::test
