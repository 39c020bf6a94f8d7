// The non-parametric analyses as a user watches them run: the progress texts
// of each (exact sequences), the message box of a row whose compare value
// the run did not list, compare values that differ only in case, weighted
// comparison counts over group values that differ only in case, and
// Spearman's ranks within the run's memory budget. Expected statistics are
// worked by hand in the comments; the probabilities that follow come from
// mpmath at 40 digits (chi-square tail with 1 df as erfc(sqrt(H/2)), the
// one-tailed normal area as erfc(|z|/sqrt 2)/2), rho from Python's fractions.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/sort_budget.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;
using Texts = std::vector<std::string>;

#define EXPECT_REL(actual, expected, tol) \
    EXPECT_NEAR((actual), (expected), std::abs(static_cast<double>(expected)) * (tol) + 1e-300)

class NonParamRuns : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        // Seven records: group a holds four, group b three; samples p and q
        // alternate.
        ASSERT_EQ(rawExec(path,
                          "CREATE TABLE T (Grp TEXT COLLATE NOCASE, S TEXT, X DOUBLE, Y DOUBLE,"
                          " W DOUBLE);"
                          "INSERT INTO T VALUES ('a', 'p', 1, 2, 1), ('a', 'q', 2, 1, 1),"
                          "('a', 'p', 3, 5, 1), ('a', 'q', 4, 3, 1), ('b', 'p', 5, 4, 1),"
                          "('b', 'q', 6, 7, 1), ('b', 'p', 7, 9, 1);"),
                  "");
    }

    std::int32_t scenario(const std::string& subtype, Fields fields,
                          std::vector<std::pair<std::string, Value>> options = {},
                          const std::string& input = "T") {
        ScenarioRow s;
        s.category = "N";
        s.subtype = subtype;
        s.input = input;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        if (!options.empty()) setOptions(id, std::move(options));
        return id;
    }

    // Runs with progress on and gives the StatStatus texts in order.
    Texts statuses(std::int32_t id, bool hashed = true) {
        Texts seen;
        engine.SetHashedGroups(hashed);
        if (!watching_) {
            engine.OnStatStatus([this](const std::string& m) {
                if (seen_) seen_->push_back(m);
                if (onStatus_) onStatus_(m);
            });
            watching_ = true;
        }
        seen_ = &seen;
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.ShowProgress = true;
        EXPECT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
        seen_ = nullptr;
        return seen;
    }

    bool runShowingErrors(std::int32_t id, bool showErrors) {
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.ShowProgress = true;  // the status handler inserts the stray row
        args.ShowErrors = showErrors;
        return engine.RunScenario(id, args);
    }

    bool watching_ = false;
    Texts* seen_ = nullptr;
    std::function<void(const std::string&)> onStatus_;
};

TEST_F(NonParamRuns, ProgressOfTheFieldNamingAnalyses) {
    // Sign test and K-S fit: the field's retrieval, the output, then every
    // fifth record and the last by the field's name.
    const Texts sign = {"Retrieving and sorting [X] data...", "Creating output table...",
                        "Field [X], analyzing record: 5", "Field [X], analyzing record: 7"};
    EXPECT_EQ(statuses(scenario("Sign Test", {{"Grp", "G"}, {"X", "X"}}, {{"SignMean", true}})),
              sign);
    EXPECT_EQ(statuses(scenario("K-S Fit", {{"Grp", "G"}, {"X", "X"}}, {{"FitNormal", true}})),
              sign);
    // The sorted walk also reports the record that ends group a.
    EXPECT_EQ(
        statuses(scenario("Sign Test", {{"Grp", "G"}, {"X", "X"}}, {{"SignMean", true}}), false),
        (Texts{"Retrieving and sorting [X] data...", "Creating output table...",
               "Field [X], analyzing record: 4", "Field [X], analyzing record: 5",
               "Field [X], analyzing record: 7"}));
    // Two fields are read at once: both are retrieved, the records are the
    // engine's.
    EXPECT_EQ(statuses(scenario("Sign Test", {{"Grp", "G"}, {"X", "X"}, {"Y", "X"}},
                                {{"SignMedian", true}})),
              (Texts{"Retrieving and sorting [X] data...", "Creating output table...",
                     "Retrieving and sorting [Y] data...", "Analyzing record: 5",
                     "Analyzing record: 7"}));

    // Runs test: the compare values, the output, then the field.
    EXPECT_EQ(statuses(scenario("2 Sample", {{"Grp", "G"}, {"S", "C"}, {"X", "X"}},
                                {{"NPTwoType", "Wald"}})),
              (Texts{"Retrieving comparison values...", "Creating output table...",
                     "Retrieving and sorting [X] data...", "Field [X], analyzing record: 5",
                     "Field [X], analyzing record: 7"}));

    // Chi-square: each compare field's retrieval, the output after the
    // first, and a count of the summary rows (categories per group) of each
    // field: S has 2 + 2, X has 4 + 3, so only X reaches a fifth.
    EXPECT_EQ(statuses(scenario("Chi-Square", {{"Grp", "G"}, {"S", "C"}, {"X", "C"}})),
              (Texts{"Retrieving and sorting [S] data...", "Creating output table...",
                     "Retrieving and sorting [X] data...", "Field [X], analyzing record: 5"}));
}

TEST_F(NonParamRuns, ProgressOfTheStageAnalyses) {
    const Texts stages = {"Retrieving and sorting data...", "Creating output table...",
                          "Analyzing records...", "Analyzing record: 5", "Analyzing record: 7"};
    Texts compare = stages;
    compare.insert(compare.begin(), "Retrieving comparison values...");
    EXPECT_EQ(statuses(scenario("2 Sample", {{"Grp", "G"}, {"S", "C"}, {"X", "X"}},
                                {{"NPTwoType", "Mann"}})),
              compare);
    EXPECT_EQ(statuses(scenario("N Sample", {{"Grp", "G"}, {"S", "C"}, {"X", "X"}})), compare);
    EXPECT_EQ(statuses(scenario("N Fields", {{"Grp", "G"}, {"X", "X"}, {"Y", "X"}})), stages);

    // Paired fields: each group's rank tests by field name; Spearman only
    // where a group has more than one pair. Hashed, groups are written once
    // all records are read.
    const auto paired = scenario("Paired Fields", {{"Grp", "G"}, {"X", "X"}, {"Y", "Y"}},
                                 {{"NPPair_Wilcoxon", true}, {"NPPair_Spearman", true}});
    Texts hashed = stages;
    for (int group = 0; group < 2; ++group)
        hashed.insert(hashed.end(),
                      {"Calculating Wilcoxon for [X]...", "Calculating Spearman for [X]..."});
    EXPECT_EQ(statuses(paired), hashed);
    EXPECT_EQ(
        statuses(paired, false),
        (Texts{"Retrieving and sorting data...", "Creating output table...", "Analyzing records...",
               "Analyzing record: 4", "Calculating Wilcoxon for [X]...",
               "Calculating Spearman for [X]...", "Analyzing record: 5", "Analyzing record: 7",
               "Calculating Wilcoxon for [X]...", "Calculating Spearman for [X]..."}));
}

TEST_F(NonParamRuns, NoStatusWithoutProgress) {
    Texts seen;
    engine.OnStatStatus([&](const std::string& m) { seen.push_back(m); });
    ASSERT_TRUE(run(scenario("Sign Test", {{"Grp", "G"}, {"X", "X"}}, {{"SignMean", true}})))
        << engine.ErrorInfo();
    ASSERT_TRUE(run(scenario("Chi-Square", {{"Grp", "G"}, {"X", "C"}}))) << engine.ErrorInfo();
    EXPECT_TRUE(seen.empty());
}

TEST_F(NonParamRuns, ARowOfAnUnlistedSampleShowsDataError) {
    // Another client adds rows of a new sample after the compare values were
    // listed and before the rows are read: they belong to no sample, are
    // skipped, and the message comes once for the run.
    bool insert = false;
    onStatus_ = [&](const std::string& m) {
        if (!insert || m != "Retrieving and sorting data...") return;
        EXPECT_EQ(
            rawExec(path, "INSERT INTO T VALUES ('a', 'z', 100, 0, 1), ('b', 'z', 200, 0, 1);"),
            "");
    };
    engine.OnStatStatus([&](const std::string& m) { onStatus_(m); });
    const auto id = scenario("N Sample", {{"Grp", "G"}, {"S", "C"}, {"X", "X"}});

    // Without ShowErrors nothing is shown.
    insert = true;
    ASSERT_TRUE(runShowingErrors(id, false)) << engine.ErrorInfo();
    EXPECT_TRUE(prompter.informs.empty());
    ASSERT_EQ(rawExec(path, "DELETE FROM T WHERE S = 'z';"), "");

    ASSERT_TRUE(runShowingErrors(id, true)) << engine.ErrorInfo();
    ASSERT_EQ(prompter.informs.size(), 1u);
    EXPECT_EQ(prompter.informs[0].first, "Missing group value");
    EXPECT_EQ(prompter.informs[0].second, "Data Error");
    EXPECT_TRUE(prompter.criticals.empty());
    // The stray rows count as missing, not as observations: group a's X
    // 1 3 (p) and 2 4 (q) rank 1 3 | 2 4, S = 16/2 + 36/2 = 26,
    // H = 12·26/20 - 15 = 0.6.
    auto rows = tableRows("Out1", "[Grp]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("Count").asDouble(), 4);
    EXPECT_EQ(rows[0].at("Missing").asDouble(), 1);
    EXPECT_EQ(rows[0].at("Groups").asDouble(), 2);
    EXPECT_REL(rows[0].at("H").asDouble(), 0.6, 1e-14);
}

// Compare values that differ only in case are one sample when texts compare
// without case (the group field's collation decides), whatever order the
// rows come in and whether the rows are walked hashed or sorted.
class CaseVariants : public NonParamRuns {
  protected:
    void SetUp() override {
        NonParamRuns::SetUp();
        // Sample p is spelled p and P; weights 1.5 count once each in ranks.
        // X 1 (p, 1.5), 2 (P, 1.5), 3 (q, 1), 4 (q, 2).
        ASSERT_EQ(rawExec(path,
                          "CREATE TABLE K (Grp TEXT COLLATE NOCASE, S TEXT, X DOUBLE, W DOUBLE);"
                          "INSERT INTO K VALUES ('g', 'q', 4, 2), ('g', 'P', 2, 1.5),"
                          " ('g', 'p', 1, 1.5), ('g', 'q', 3, 1);"),
                  "");
    }
};

TEST_F(CaseVariants, KruskalWallisCountsWholeWeightsPerRow) {
    // Counts 1, 1 | 1, 2: ranks 1, 2 | 3, 4.5 4.5 (the tie of the weight-2
    // row, f = 2). R_p = 3 (n 2), R_q = 3 + 9 = 12 (n 3); N = 5,
    // S = 9/2 + 144/3 = 52.5, H = 12·52.5/30 - 18 = 3, SumTies = 6,
    // H' = 3 / (1 - 6/120) = 60/19.
    const auto id =
        scenario("N Sample", {{"Grp", "G"}, {"S", "C"}, {"X", "X"}, {"W", "W"}}, {}, "K");
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        auto rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 1u);
        const TableRow& r = rows[0];
        EXPECT_EQ(r.at("Groups").asDouble(), 2);
        EXPECT_EQ(r.at("Count").asDouble(), 5);
        EXPECT_EQ(r.at("Observations").asDouble(), 4);
        EXPECT_EQ(r.at("Ties").asDouble(), 2);
        EXPECT_EQ(r.at("SumTies").asDouble(), 6);
        EXPECT_REL(r.at("H").asDouble(), 3.0, 1e-14);
        EXPECT_REL(r.at("Prob").asDouble(), 0.083264516663550401855, 1e-12);
        EXPECT_REL(r.at("H_(ties)").asDouble(), 60.0 / 19, 1e-14);
        EXPECT_REL(r.at("Prob_(ties)").asDouble(), 0.075560567525941309750, 1e-12);
    }
}

TEST_F(CaseVariants, RunsTestSeesTwoSamples) {
    // p P q are two samples, not three. N1 = Int(1.5 + 1.5) = 3,
    // N2 = Int(1 + 2) = 3; in order p p q q: 2 runs at least and at most.
    // Mean 2·9/6 + 1 = 4, sd = sqrt(18·12/(36·5)) = sqrt(1.2),
    // Z = (2 - 4 + 0.5)/sqrt(1.2) (N < 50).
    const auto id = scenario("2 Sample", {{"Grp", "G"}, {"S", "C"}, {"X", "X"}, {"W", "W"}},
                             {{"NPTwoType", "Wald"}}, "K");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    EXPECT_EQ(r.at("Cases-1").asDouble() + r.at("Cases-2").asDouble(), 6);
    EXPECT_EQ(r.at("Wald_Min_Runs").asDouble(), 2);
    EXPECT_EQ(r.at("Wald_Max_Runs").asDouble(), 2);
    EXPECT_REL(r.at("Wald_Mean").asDouble(), 4.0, 1e-15);
    EXPECT_REL(r.at("Wald_StdDev").asDouble(), std::sqrt(1.2), 1e-15);
    EXPECT_REL(r.at("Wald_Min_Z").asDouble(), -1.3693063937629152836, 1e-14);
    EXPECT_REL(r.at("Wald_Min_Prob").asDouble(), 0.085451760115398731984, 1e-12);

    // Three values that are three apart still stop the run.
    ASSERT_EQ(rawExec(path, "INSERT INTO K VALUES ('g', 'r', 5, 1);"), "");
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo(), "Compare Field has 3 values.\r\nOnly two values are permitted.");
}

TEST_F(NonParamRuns, WeightedPairCountsFollowTheRowsAcrossCaseVariants) {
    // Group A (one row, X < Y, weight 1) and group a (one row, X < Y, weight
    // 2.5) are one group. Rounded at every record in the walk's order (A
    // before a): 0 + 1 = 1, then 1 + 2.5 = 3.5 -> 4 (halves to even). Rounding
    // each spelling apart would give 1 + 2 = 3.
    ASSERT_EQ(rawExec(path,
                      "CREATE TABLE P (Grp TEXT COLLATE NOCASE, X DOUBLE, Y DOUBLE, W DOUBLE);"
                      "INSERT INTO P VALUES ('a', 3, 4, 2.5), ('A', 1, 2, 1);"),
              "");
    const auto id = scenario(
        "Paired Fields", {{"Grp", "G"}, {"X", "X"}, {"Y", "Y"}, {"W", "W"}},
        {{"NPPair_Sign", true}, {"NPPair_Wilcoxon", true}, {"NPPair_Spearman", true}}, "P");
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        auto rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 1u);
        const TableRow& r = rows[0];
        EXPECT_EQ(r.at("Count<Y").asDouble(), 4);
        EXPECT_EQ(r.at("Count=Y").asDouble(), 0);
        EXPECT_EQ(r.at("Count_of_Y").asDouble(), 3.5);
        // Both differences are 1: counted 1 + 2 times, ranks 1..3, all
        // negative: sum 6.
        EXPECT_EQ(r.at("Wilcoxon_Neg_SumRank").asDouble(), 6);
        EXPECT_EQ(r.at("Wilcoxon_Pos_SumRank").asDouble(), 0);
    }
}

// This process's spill files (scratch-named files other than the scratch
// database) in the temporary folder.
std::vector<std::string> spillFiles(const std::string& scratch) {
    std::vector<std::string> out;
    const std::string prefix = "qrv" + std::to_string(::getpid()) + "_";
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && e.path().string() != scratch)
            out.push_back(e.path().string());
    }
    return out;
}

TEST_F(NonParamRuns, SpearmanWithinATinyBudget) {
    // X = i, Y = 7i mod 101 for i = 1..100: no ties, sum of d^2 = 145642,
    // rho = 1 - 6·145642/(100·9999) = 104/825 (Python fractions).
    std::string sql = "CREATE TABLE R (X DOUBLE, Y DOUBLE);";
    for (int i = 1; i <= 100; ++i)
        sql += "INSERT INTO R VALUES (" + std::to_string(i) + ", " + std::to_string(i * 7 % 101) +
               ");";
    ASSERT_EQ(rawExec(path, sql), "");
    const auto id = scenario("Paired Fields", {{"X", "X"}, {"Y", "Y"}},
                             {{"NPPair_Wilcoxon", true}, {"NPPair_Spearman", true}}, "R");
    bool spilled = false;
    engine.OnStatStatus([&](const std::string& m) {
        if (m == "Calculating Spearman for [X]...")
            spilled = spilled || !spillFiles(engine.ScratchPath()).empty();
    });
    std::vector<std::vector<Value>> first;
    for (std::size_t budget : {SortBudget::kDefaultBytes, std::size_t{600}}) {
        SCOPED_TRACE("budget " + std::to_string(budget));
        engine.SetSortMemoryBudget(budget);
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.ShowProgress = true;
        ASSERT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
        EXPECT_TRUE(spillFiles(engine.ScratchPath()).empty());
        auto rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_REL(rows[0].at("Spearman").asDouble(), 104.0 / 825, 1e-14);
        EXPECT_EQ(rows[0].at("TiedGroups_X").asDouble(), 0);
        const auto values = tableValues("Out1");
        if (first.empty()) {
            first = values;
            EXPECT_FALSE(spilled);  // 256 MB holds it all
            continue;
        }
        EXPECT_TRUE(spilled);
        ASSERT_EQ(values.size(), first.size());
        for (std::size_t c = 0; c < values[0].size(); ++c) {
            ASSERT_EQ(values[0][c].kind(), first[0][c].kind()) << "column " << c;
            if (values[0][c].isNull() || values[0][c].isText()) continue;
            const double a = values[0][c].asDouble(), b = first[0][c].asDouble();
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "column " << c;
        }
    }
}

}  // namespace
}  // namespace qrv::test
