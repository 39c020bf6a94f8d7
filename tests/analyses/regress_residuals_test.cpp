// Residual tables of the three regressions: rows only for the groups whose
// model could be fitted, each row fitted with its own group's model, the
// groups in order; and a residual run that is cancelled or fails leaves the
// tables as they were. Coefficients were computed independently in exact
// rational arithmetic (Python fractions, normal equations).
#include <algorithm>
#include <cmath>
#include <map>

#include "analyses/regress_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Group "a" has X1 = 3 and X2 = 6 throughout: no line, plane or curve can be
// fitted. "b" and "c" have fits of their own. The input interleaves the
// groups, and "a" sorts first, so a row given the wrong group's model shows.
struct Point {
    const char* g;
    double x1, x2, y;
};
const std::vector<Point> kPoints = {
    {"c", 3, 5, 6}, {"a", 3, 6, 1}, {"b", 4, 3, 7},  {"c", 0, 1, 1}, {"b", 1, 2, 3},
    {"a", 3, 6, 2}, {"c", 5, 1, 8}, {"b", 5, 6, 12}, {"c", 2, 2, 2}, {"a", 3, 6, 4},
    {"b", 3, 4, 8}, {"c", 1, 0, 3}, {"b", 2, 1, 4},  {"c", 4, 3, 5},
};

class RegressResidualsTest : public RegressTest {
  protected:
    void SetUp() override {
        RegressTest::SetUp();
        std::vector<std::vector<Value>> rows;
        for (const Point& p : kPoints) rows.push_back({p.g, p.x1, p.x2, p.y});
        EngineTest::makeTable("R", {Field("G", dbText, 10), Field("X1", dbDouble),
                                    Field("X2", dbDouble), Field("Y", dbDouble)});
        appendRows("R", {"G", "X1", "X2", "Y"}, rows);
    }
};

struct Case {
    const char* type;  // RegressType
    std::vector<std::pair<std::string, std::string>> fields;
    std::vector<std::string> columns;
    // a, then the coefficients of the terms, for groups b and c.
    std::vector<double> b, c;
    // The model's terms at a point.
    std::vector<double> (*terms)(const Point&);
};

const std::vector<Case> kCases = {
    {"S",
     {{"G", "G"}, {"X1", "X"}, {"Y", "Y"}},
     {"G", "DataField", "X_Value", "Y:Y", "Estimated_Y", "Residual"},
     {1.0 / 2, 21.0 / 10},
     {20.0 / 21, 9.0 / 7},
     [](const Point& p) { return std::vector<double>{p.x1}; }},
    {"M",
     {{"G", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}},
     {"G", "X1:X1", "X2:X2", "Y:Y", "Estimated_Y", "Residual"},
     {17.0 / 60, 61.0 / 60, 13.0 / 12},
     {170.0 / 183, 78.0 / 61, 5.0 / 244},
     [](const Point& p) {
         return std::vector<double>{p.x1, p.x2};
     }},
    {"P",
     {{"G", "G"}, {"X1", "X"}, {"Y", "Y"}},
     {"G", "DataField", "X_Value", "Y:Y", "Estimated_Y", "Residual"},
     {2.0, 57.0 / 70, 3.0 / 14},
     {5.0 / 4, 47.0 / 56, 5.0 / 56},
     [](const Point& p) {
         return std::vector<double>{p.x1, p.x1 * p.x1};
     }},
};

TEST_F(RegressResidualsTest, RowsOnlyForFittedGroupsEachFromItsOwnModel) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.type);
        ASSERT_TRUE(run(regression(c.type, c.fields, {}, "Resid", "R"))) << engine.ErrorInfo();
        const auto fits = tableRows("Out1");
        ASSERT_EQ(fits.size(), 3u);
        EXPECT_TRUE(isNull(fits[0], "R-Square"));  // group a: no model
        EXPECT_EQ(tableColumns("Resid"), c.columns);
        const auto res = tableRows("Resid");
        // Five rows of b, then six of c, each group's in the order of X1.
        ASSERT_EQ(res.size(), 11u);
        double lastX = -1;
        for (std::size_t i = 0; i < res.size(); ++i) {
            const TableRow& r = res[i];
            const std::string g = r.at("G").toText();
            EXPECT_EQ(g, i < 5 ? "b" : "c") << i;
            const bool simple = c.columns[1] == "DataField";
            const double x1 = num(r, simple ? "X_Value" : "X1:X1");
            if (i != 5) {
                EXPECT_GT(x1, lastX) << i;
            }
            lastX = x1;
            const Point* p = nullptr;
            for (const Point& q : kPoints)
                if (g == q.g && q.x1 == x1) p = &q;
            ASSERT_NE(p, nullptr) << "no point " << g << " " << x1;
            if (simple) {
                EXPECT_EQ(r.at("DataField").toText(), "X1");
            } else {
                near(r, "X2:X2", p->x2);
            }
            near(r, "Y:Y", p->y);
            const std::vector<double>& coef = g == "b" ? c.b : c.c;
            const std::vector<double> t = c.terms(*p);
            double fitted = coef[0];
            for (std::size_t j = 0; j < t.size(); ++j) fitted += coef[j + 1] * t[j];
            EXPECT_NEAR(num(r, "Estimated_Y"), fitted, 1e-13) << i;
            EXPECT_NEAR(num(r, "Residual"), p->y - fitted, 1e-13) << i;
        }
    }
}

// The residual pass reads the input again: its progress starts again from
// 0 of the same total and rises to it, counting rows read (the regression
// per X field writes two residual rows for each of them here).
TEST_F(RegressTest, ResidualPassReportsProgressOfItsOwn) {
    constexpr long kRows = 2000;
    std::vector<std::vector<double>> rows;
    for (long i = 0; i < kRows; ++i) {
        const double x1 = static_cast<double>(i % 97), x2 = static_cast<double>(i % 13);
        rows.push_back({static_cast<double>(i % 2), x1, x2, 1 + 2 * x1 + x2 / 2 + (i % 7) / 10.0});
    }
    makeTable("P", {"G", "X1", "X2", "Y"}, rows);
    struct Report {
        long done, total;
        bool inPass;
    };
    std::vector<Report> reports;
    bool inPass = false;
    engine.OnStatStatus([&](const std::string& m) {
        if (m == "Performing residual analysis...") inPass = true;
    });
    engine.OnStatProgress([&](long done, long total) { reports.push_back({done, total, inPass}); });
    const std::vector<std::pair<const char*, Fields>> cases = {
        {"S", {{"G", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}},
        {"M", {{"G", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}},
        {"P", {{"X1", "X"}, {"Y", "Y"}}},
    };
    for (const auto& [type, fields] : cases) {
        SCOPED_TRACE(type);
        reports.clear();
        inPass = false;
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.ShowProgress = true;
        ASSERT_TRUE(engine.RunScenario(regression(type, fields, {}, "Resid", "P"), args))
            << engine.ErrorInfo();
        // The stage's report comes just before its status line: the restart.
        auto pass =
            std::find_if(reports.begin(), reports.end(), [](const Report& r) { return r.inPass; });
        ASSERT_GE(pass - reports.begin(), 2) << "no report in the residual pass";
        --pass;
        EXPECT_EQ(pass[-1].done, kRows) << "the walk ends at all rows";
        EXPECT_EQ(pass->done, 0) << "the pass starts again";
        long during = 0;
        for (auto r = pass; r != reports.end(); ++r) {
            EXPECT_EQ(r->total, kRows);
            EXPECT_LE(r->done, kRows);
            if (r != pass) {
                EXPECT_GE(r->done, r[-1].done);
            }
            if (r->done > 0 && r->done < kRows) ++during;
        }
        EXPECT_GT(during, 10) << "reports while the residuals are written";
        EXPECT_EQ(reports.back().done, kRows);
    }
}

// Runs that end in the residual pass, after the fits were written: the
// tables of the run before are left as they were, and no working table.
class ResidualRunEndsEarly : public RegressResidualsTest {
  protected:
    void SetUp() override {
        RegressResidualsTest::SetUp();
        id_ = regression("S", {{"G", "G"}, {"X1", "X"}, {"Y", "Y"}}, {}, "Resid", "R");
        ASSERT_TRUE(run(id_)) << engine.ErrorInfo();
        before_ = tableValues("Resid");
        ASSERT_EQ(before_.size(), 11u);
        // Y moved so that a run that got through would write other values.
        ASSERT_TRUE(db.Execute("UPDATE [R] SET [Y] = [Y] + 100").ok());
    }
    bool runWithStatus(const std::function<void(const std::string&)>& onStatus) {
        engine.OnStatStatus([&, this](const std::string& m) {
            statuses_.push_back(m);
            onStatus(m);
        });
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.ShowProgress = true;
        return engine.RunScenario(id_, args);
    }
    void expectTablesAsBefore() {
        EXPECT_EQ(tableValues("Resid"), before_);
        near(tableRows("Out1")[1], "Y-Intercept", 1.0 / 2);
        for (const std::string& t : db.TableDefNames(true))
            EXPECT_FALSE(Quorvane::IsWorkingTableName(t)) << t;
    }
    std::int32_t id_ = 0;
    std::vector<std::vector<Value>> before_;
    std::vector<std::string> statuses_;
};

TEST_F(ResidualRunEndsEarly, CancelledWhileWritingRows) {
    EXPECT_FALSE(runWithStatus([this](const std::string& m) {
        if (m == "Residual analysis record: 5") engine.RequestCancel();
    }));
    EXPECT_EQ(engine.ErrorInfo(), "Action Cancelled by User");
    ASSERT_FALSE(statuses_.empty());
    EXPECT_EQ(statuses_.back(), "Residual analysis record: 5");
    expectTablesAsBefore();
}

TEST_F(ResidualRunEndsEarly, InputChangedBetweenTheFitsAndTheResiduals) {
    // A row added once the fits are written: the models no longer belong
    // to the rows, and the run fails rather than write them.
    EXPECT_FALSE(runWithStatus([this](const std::string& m) {
        if (m == "Performing residual analysis...") {
            EXPECT_TRUE(db.Execute("INSERT INTO [R] VALUES ('b', 9, 9, 9)").ok());
        }
    }));
    EXPECT_NE(engine.ErrorInfo().find("changed"), std::string::npos) << engine.ErrorInfo();
    expectTablesAsBefore();
}

}  // namespace
}  // namespace qrv::test
