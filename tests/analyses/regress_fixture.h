// Shared by the regression tests: stored regression scenarios, extra data
// tables, reference data sets loaded into a table, and reading the output.
#pragma once

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_fixture.h"
#include "numeric/strd_fits.h"

namespace qrv::test {

class RegressTest : public EngineTest {
  protected:
    using Options = std::vector<std::pair<std::string, dao::Value>>;
    using Fields = std::vector<std::pair<std::string, std::string>>;

    // A regression scenario of the given type over input; options after the
    // type, intercept on and ANOVA off unless they say otherwise.
    std::int32_t regression(const std::string& type, Fields fields, Options options = {},
                            const std::string& residual = "", const std::string& input = "Data") {
        ScenarioRow s;
        s.subtype = "Regression";
        s.fields = std::move(fields);
        s.output2 = residual;
        s.input = input;
        const auto id = addScenario(s);
        Options all = {{"RegressType", type}, {"RYInt", true}, {"RAnova", false}};
        for (auto& o : options) all.push_back(std::move(o));
        setOptions(id, all);
        return id;
    }

    // A table of double columns filled with rows (a Null where the value is NaN).
    void makeTable(const std::string& name, const std::vector<std::string>& columns,
                   const std::vector<std::vector<double>>& rows,
                   const std::string& textColumn = "") {
        dao::TableDef t = db.CreateTableDef(name);
        if (!textColumn.empty()) t.AppendField(dao::Field(textColumn, dao::dbText, 10));
        for (const auto& c : columns) t.AppendField(dao::Field(c, dao::dbDouble));
        ASSERT_FALSE(db.AppendTableDef(t));
        ASSERT_FALSE(db.BeginTrans());
        auto rs = db.OpenRecordset(name);
        ASSERT_TRUE(rs.ok());
        for (const auto& r : rows) {
            ASSERT_FALSE(rs->AddNew());
            for (std::size_t i = 0; i < columns.size() && i < r.size(); ++i)
                if (!std::isnan(r[i])) rs->Collect(columns[i], r[i]);
            ASSERT_FALSE(rs->Update());
        }
        rs->Close();
        ASSERT_FALSE(db.CommitTrans());
    }

    // A reference data set as table name with its columns ("y", "x" ...).
    StrdSet loadSet(const std::string& name) {
        StrdSet set = loadStrd(name);
        makeTable(name, set.columns, set.rows);
        return set;
    }

    static double num(const TableRow& r, const std::string& column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        if (it == r.end()) return NAN;
        EXPECT_FALSE(it->second.isNull()) << column << " is Null";
        return it->second.isNull() ? NAN : it->second.asDouble();
    }
    static bool isNull(const TableRow& r, const std::string& column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it != r.end() && it->second.isNull();
    }
    // Relative closeness for values from exact arithmetic.
    static void near(const TableRow& r, const std::string& column, double expected,
                     double rel = 1e-13) {
        EXPECT_NEAR(num(r, column), expected, std::fabs(expected) * rel + 1e-300) << column;
    }
    // Digits of the output against a certified value.
    static void digits(const TableRow& r, const std::string& column, const StrdSet& set,
                       const std::string& key, double atLeast) {
        EXPECT_GE(digitsCorrect(num(r, column), set.certified.at(key)), atLeast) << column;
    }
};

}  // namespace qrv::test
