// What the rank tests read from the walk, through a small analysis of this
// test's own: per group, one field's values in tie runs tagged with their
// sample (rank sums of two samples), differences of two fields per row
// (signed ranks of the absolute differences), each row's rank back by its
// row number, and one field read twice (a median, then counts against it).
// Weights count as whole numbers of values. Every figure is worked by hand
// below, and must come out the same in both walks, with the values in
// memory and with a budget so small that every group's values spill, and
// with a group spelt in two cases (parts merged).
#include <cmath>
#include <map>

#include "engine/analysis_run.h"
#include "engine/engine_fixture.h"
#include "engine/quorvane.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct Figures {
    std::map<std::int64_t, double> rankSum;  // by sample
    double tieSum = 0;                       // t^3 - t over tie runs
    double positive = 0, negative = 0;       // signed-rank sums
    double median = 0, below = 0, equal = 0, above = 0;
    std::map<std::int64_t, double> rankOfRow;
    long records = 0;
    bool operator==(const Figures&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Figures& f) {
    os << "R";
    for (auto [s, r] : f.rankSum) os << " " << s << ":" << r;
    os << " ties " << f.tieSum << " W+ " << f.positive << " W- " << f.negative << " median "
       << f.median << " " << f.below << "/" << f.equal << "/" << f.above << " rows";
    for (auto [row, r] : f.rankOfRow) os << " " << row << ":" << r;
    return os << " records " << f.records;
}

// Field list: Grp (group), S (sample), X, Y, Id (row number), W (weight, last).
class RankProbe : private AnalysisRun {
  public:
    std::string Go(Quorvane& engine, const std::string& input) {
        return Run(engine, {input, {"Grp", "S", "X", "Y", "Id", "W"}, 1, 4, true},
                   Walk::SortedValues);
    }
    std::map<std::string, Figures> byGroup;

  private:
    enum { kS = 1, kX = 2, kY = 3, kId = 4 };
    // Fields of the sorted values: X by sample, |X - Y| by sign, X by row.
    enum { kBySample = 1, kDifference = 2, kByRow = 3 };
    struct Group : GroupState {
        void Merge(const GroupState&) override {}  // all of it is in the values
    };

    std::string CreateOutput() override { return {}; }
    std::unique_ptr<GroupState> NewGroup() override { return std::make_unique<Group>(); }

    std::string AddRow(GroupState& g) override {
        double w = 1;
        if (std::string e = reader().Weight(w); !e.empty()) return e;
        if (w <= 0) return {};
        const double count = std::trunc(w);  // whole values only
        std::optional<double> sample, x, y, row, px, py;
        for (auto [position, out] : {std::pair{kS, &sample}, {kId, &row}})
            if (std::string e = reader().Number(position, *out); !e.empty()) return e;
        if (std::string e = reader().UsableAt(kX, x); !e.empty()) return e;
        if (std::string e = reader().UsablePair(kX, kY, px, py); !e.empty()) return e;
        if (x) {
            if (Error e = g.values.Append(kBySample, *x, count, static_cast<std::int64_t>(*sample)))
                return Unexpected(e);
            if (Error e = g.values.Append(kByRow, *x, count, static_cast<std::int64_t>(*row)))
                return Unexpected(e);
        }
        if (px && *px != *py) {
            const double d = *px - *py;
            if (Error e = g.values.Append(kDifference, std::fabs(d), count, d > 0 ? 1 : 0))
                return Unexpected(e);
        }
        return {};
    }

    std::string WriteGroup(GroupState& g, const std::vector<Value>& group, long records) override {
        Figures f;
        f.records = records;
        TieRuns bySample = g.values.Runs(kBySample, true);
        for (TieRun run; bySample.Next(run);) {
            for (auto [tag, count] : run.tags) f.rankSum[tag] += count * run.meanRank;
            if (run.tied()) f.tieSum += run.count * run.count * run.count - run.count;
        }
        TieRuns signs = g.values.Runs(kDifference, true);
        for (TieRun run; signs.Next(run);)
            for (auto [tag, count] : run.tags)
                (tag == 1 ? f.positive : f.negative) += count * run.meanRank;
        RankedValues ranked = g.values.Ranked(kByRow);
        SortItem it;
        for (double mean; ranked.Next(it, mean);) f.rankOfRow[it.tag] = mean;
        // The median: the first value whose running count reaches half of all.
        const double half = bySample.Counted() / 2;
        double running = 0;
        SortedStream first = g.values.Read(kBySample);
        while (first.Next(it) && (running += it.weight) < half) {
        }
        f.median = it.value;
        // And a second read for the counts against it.
        SortedStream second = g.values.Read(kBySample);
        while (second.Next(it))
            (it.value < f.median ? f.below : it.value == f.median ? f.equal : f.above) += it.weight;
        for (const Error* e :
             {&bySample.error(), &signs.error(), &ranked.error(), &first.error(), &second.error()})
            if (*e) return Unexpected(*e);
        std::string key = group[0].toText();
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        byGroup[key] = f;
        return {};
    }
};

class RankWalk : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        // Group a, every weight 1. X of sample 1: 1 3 3 6; of sample 2: 3 5 6 8 9.
        // Group b, weights 2.7 (two values), 1, 3, 1; a row without X and one
        // without Y. Row 4 spells its group "A".
        // Made as the engine's own tables are, so that texts of groups compare
        // without regard to case.
        TableDef t = db.CreateTableDef("R");
        for (Field f : {Field("Id", dbLong), Field("Grp", dbText, 10), Field("S", dbLong),
                        Field("X", dbDouble), Field("Y", dbDouble), Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
        ASSERT_EQ(rawExec(path,
                          "INSERT INTO R VALUES (1, 'a', 1, 1, 0.5, 1), (2, 'a', 1, 3, 2, 1),"
                          "(3, 'a', 1, 3, 4, 1), (4, 'A', 1, 6, 6, 1), (5, 'a', 2, 3, 1, 1),"
                          "(6, 'a', 2, 5, 4.5, 1), (7, 'a', 2, 6, 7, 1), (8, 'a', 2, 8, 6, 1),"
                          "(9, 'a', 2, 9, 11.5, 1),"
                          "(10, 'b', 1, 2, 1, 2.7), (11, 'b', 2, 2, 3, 1), (12, 'b', 2, 4, 4, 3),"
                          "(13, 'b', 1, 7, 9, 1), (14, 'b', 2, NULL, 3, 1),"
                          "(15, 'b', 1, 10, NULL, 1), (16, 'b', 1, 50, 1, 0);"),
                  "");
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
    }
};

Figures groupA() {
    Figures f;
    // 1 | 3 3 3 | 5 | 6 6 | 8 | 9: ranks 1, 3, 5, 6.5, 8, 9. Sample 1 holds
    // 1, two 3s and a 6: 1 + 6 + 6.5; sample 2 the rest: 3 + 5 + 6.5 + 8 + 9.
    f.rankSum = {{1, 13.5}, {2, 31.5}};
    f.tieSum = (27 - 3) + (8 - 2);
    // X - Y: 0.5 1 -1 (0) 2 0.5 -1 2 -2.5. |d| 0.5 0.5 | 1 1 1 | 2 2 | 2.5 take
    // mean ranks 1.5, 4, 6.5, 8: W+ = 2(1.5) + 4 + 2(6.5), W- = 2(4) + 8.
    f.positive = 20;
    f.negative = 16;
    // 1 3 3 3 5 6 6 8 9: the count reaches 4.5 at the fifth value.
    f.median = 5;
    f.below = 4;
    f.equal = 1;
    f.above = 4;
    f.rankOfRow = {{1, 1}, {2, 3}, {3, 3}, {4, 6.5}, {5, 3}, {6, 5}, {7, 6.5}, {8, 8}, {9, 9}};
    f.records = 9;
    return f;
}

Figures groupB() {
    Figures f;
    // X with counts: 2 (twice in sample 1, once in 2) | 4 (three times, 2) |
    // 7 (1) | 10 (1): ranks 1-3 (mean 2), 4-6 (mean 5), 7, 8.
    // R1 = 2(2) + 7 + 8, R2 = 2 + 3(5). Ties of 3 and 3: 24 + 24.
    f.rankSum = {{1, 19}, {2, 17}};
    f.tieSum = 48;
    // X - Y: +1 (twice), -1, (0), -2: |d| 1 1 1 | 2, mean ranks 2 and 4.
    f.positive = 4;
    f.negative = 2 + 4;
    // 2 2 2 4 4 4 7 10: the count reaches 4 at the first 4.
    f.median = 4;
    f.below = 3;
    f.equal = 3;
    f.above = 2;
    f.rankOfRow = {{10, 2}, {11, 2}, {12, 5}, {13, 7}, {15, 8}};
    f.records = 7;  // the weight-0 row is a record of the group all the same
    return f;
}

TEST_F(RankWalk, RanksSignedRanksAndTwoReadsByHand) {
    for (bool hashed : {true, false})
        for (std::size_t budget : {SortBudget::kDefaultBytes, std::size_t{600}}) {
            SCOPED_TRACE(std::string(hashed ? "hashed" : "sorted") + " walk, budget " +
                         std::to_string(budget));
            engine.SetHashedGroups(hashed);
            engine.SetSortMemoryBudget(budget);
            RankProbe probe;
            ASSERT_EQ(probe.Go(engine, "R"), "");
            ASSERT_EQ(probe.byGroup.size(), 2u);
            EXPECT_EQ(probe.byGroup["a"], groupA());
            EXPECT_EQ(probe.byGroup["b"], groupB());
        }
}

TEST_F(RankWalk, ATextThatIsNotANumberInEitherOfAPairEndsTheRun) {
    ASSERT_EQ(rawExec(path, "INSERT INTO R VALUES (20, 'c', 1, NULL, 'seven', 1);"), "");
    RankProbe probe;
    EXPECT_EQ(probe.Go(engine, "R"), "Field [Y] holds a value that is not a number: 'seven'");
}

}  // namespace
}  // namespace qrv::test
