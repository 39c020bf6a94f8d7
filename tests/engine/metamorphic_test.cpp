// Every analysis type must write the same tables whatever the order of the
// rows it reads, and when a constant is added to every value of its numeric
// data fields: location statistics then move by that constant, the others
// stay. Scenarios are saved through the authoring checks, as the command
// line's "new" saves them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/scenario_cases.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using scenario::ScenarioDraft;

const std::vector<std::string> kColumns = {"Site", "Batch", "Lvl", "Arm", "K", "A", "B", "C", "W"};
constexpr std::size_t kK = 4;  // K's place in kColumns: whole numbers

// 48 rows of numbers from 0 to 130 in steps of 1/8 (so exact after a shift
// by up to 1e9), with zeros and Nulls spread so that every rule and every
// group drops some of them.
std::vector<std::vector<Value>> baseRows() {
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 16) % 1041) / 8.0;
    };
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 48; ++i) {
        const double a = next(), b = next(), c = next();
        rows.push_back(
            {i % 11 == 7 ? Value() : Value(i % 2 ? "South" : "North"), Value(1 + (i / 4) % 3),
             Value((i * 5) % 7 < 3 ? "hi" : "lo"), Value(std::string(1, 'a' + (i / 2) % 3)),
             Value((i * 7) % 9), i % 9 == 4 ? Value() : Value(i % 10 == 3 ? 0.0 : a),
             i % 8 == 6 ? Value() : Value(i % 12 == 1 ? 0.0 : b), i % 13 == 2 ? Value() : Value(c),
             i % 17 == 3 ? Value() : Value(i % 13 == 5 ? 0.0 : 1 + (i % 4) * 0.5)});
    }
    return rows;
}

double relative(double a, double b) {
    if (a == b) return 0;
    return std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
}

bool isNumber(const Value& v) {
    return v.kind() == ValueKind::Double;
}

// How a column of the shifted run relates to the same column of the first:
// moved by the shift, not simply related (skipped), or unchanged (the rest).
enum class Shift { Moves, Skip, Same };

// Exact column names, case as written. Skipped: sums and sums of squares
// about 0, the coefficient of variation and everything of the intercept
// (these change by more than c, depending on the data).
// clang-format off
const std::pair<const char*, Shift> kShiftRules[] = {
    {"Mean", Shift::Moves}, {"MeanX", Shift::Moves}, {"MeanY", Shift::Moves},
    {"Mean-1", Shift::Moves}, {"Mean-2", Shift::Moves}, {"Minimum", Shift::Moves},
    {"Maximum", Shift::Moves}, {"Mode", Shift::Moves}, {"95%_Lower", Shift::Moves},
    {"95%_Upper", Shift::Moves}, {"25_Percentile", Shift::Moves},
    {"50_Percentile", Shift::Moves}, {"75_Percentile", Shift::Moves},
    {"Population_Mean", Shift::Moves}, {"Low<=Range", Shift::Moves},
    {"Range<High", Shift::Moves}, {"Value", Shift::Moves}, {"TestValue", Shift::Moves},
    {"Estimated_Y", Shift::Moves}, {"X1:A", Shift::Moves}, {"X2:B", Shift::Moves},
    {"Y:C", Shift::Moves},
    {"Sum", Shift::Skip}, {"SumSquared", Shift::Skip}, {"CoeffOfVariance", Shift::Skip},
    {"Y-Intercept", Shift::Skip}, {"SE_of_Y-Intercept", Shift::Skip},
    {"t-Value_of_Y-Intercept", Shift::Skip}, {"Prob_of_Y-Intercept", Shift::Skip},
};
// clang-format on

Shift shiftRule(const std::string& column) {
    for (const auto& [name, rule] : kShiftRules)
        if (column == name) return rule;
    return Shift::Same;
}

std::string show(const Value& v) {
    if (v.isNull()) return "Null";
    if (isNumber(v)) {
        std::ostringstream o;
        o.precision(17);
        o << v.asDouble();
        return o.str();
    }
    return "'" + v.toText() + "'";
}

class MetamorphicTest : public EngineTest, public ::testing::WithParamInterface<std::size_t> {
  protected:
    void store(const std::string& name, const std::vector<std::vector<Value>>& rows) {
        makeTable(name, {Field("Site", dbText, 10), Field("Batch", dbLong), Field("Lvl", dbText, 4),
                         Field("Arm", dbText, 2), Field("K", dbLong), Field("A", dbDouble),
                         Field("B", dbDouble), Field("C", dbDouble), Field("W", dbDouble)});
        appendRows(name, kColumns, rows);
    }

    // Saves s reading input under the rule ignore (shifted by shift), its
    // outputs named after out.
    void save(const ScenarioCase& s, const std::string& input, const std::string& ignore,
              double shift, const std::string& out, Saved& saved) {
        const scenario::AnalysisType* type = scenario::FindAnalysisType(s.type);
        ASSERT_NE(type, nullptr) << s.type;
        ScenarioDraft d = scenario::NewDraft(*type);
        d.description = s.name;
        d.input = input;
        for (const std::string& f : words(s.fields)) d.addField(f.substr(2), f[0]);
        for (const std::string& o : words(s.options)) {
            const std::size_t eq = o.find('=');
            std::string name = o.substr(0, eq), value = o.substr(eq + 1);
            // Values tested against move with the data.
            if (shift != 0 && name == "TTestValue") {
                std::ostringstream v;
                v.precision(17);
                v << std::stod(value) + shift;
                value = v.str();
            }
            auto refused = scenario::ApplySetting(d, name, value);
            ASSERT_FALSE(refused) << s.name << ": " << refused->Text();
        }
        d.output1 = out;
        d.output2 = out + "2";  // dropped where there is no second table
        applyIgnore(d, ignore, shift);
        auto id = scenario::SaveDraft(db, d);
        ASSERT_TRUE(id.ok()) << s.name << ": " << id.error().description;
        saved.id = *id;
        saved.outputs = {d.output1};
        if (!d.output2.empty()) saved.outputs.push_back(d.output2);
    }

    void runFresh(const Saved& s, Tables& out) {
        Quorvane fresh{&prompter};
        fresh.ErrorHandler().SetDestination(dir.file("error.log"));
        RunScenarioArgs args;
        args.ScenarioDb = db;
        ASSERT_TRUE(fresh.RunScenario(s.id, args)) << fresh.ErrorInfo();
        out.clear();
        for (const std::string& name : s.outputs) {
            out.push_back({name, tableColumns(name), tableValues(name)});
            ASSERT_FALSE(out.back().rows.empty())
                << kCases[GetParam()].name << ": [" << name << "]";
        }
    }

    // Columns named after the values they count ("14<=N<28") may be named
    // otherwise when the data moved; the rest must be the same, in order.
    bool sameColumns(const std::vector<std::string>& a, const std::vector<std::string>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i] && !(valueNamedColumns && a[i].find("<=N<") != std::string::npos &&
                                  b[i].find("<=N<") != std::string::npos))
                return false;
        return true;
    }
    bool valueNamedColumns = false;
    // Rows holding one of these texts have their numbers left unchecked.
    std::vector<std::string> looseRows;

    // Compares got with want cell by cell: texts and counts exactly, numbers
    // as judge says (true when they agree); at most a few messages.
    template <typename Judge>
    void compare(const std::string& what, const Tables& want, const Tables& got, Judge judge) {
        ASSERT_EQ(want.size(), got.size());
        int shown = 0;
        auto fail = [&](const std::string& m) {
            if (shown++ < 8) ADD_FAILURE() << kCases[GetParam()].name << ", " << what << ": " << m;
        };
        for (std::size_t t = 0; t < want.size(); ++t) {
            const Table &w = want[t], &g = got[t];
            const std::string table = "table [" + w.name + "]";
            if (!sameColumns(w.columns, g.columns)) {
                fail(table + ": other columns");
                continue;
            }
            if (w.rows.size() != g.rows.size())
                fail(table + ": " + std::to_string(w.rows.size()) + " rows, then " +
                     std::to_string(g.rows.size()));
            for (std::size_t r = 0; r < std::min(w.rows.size(), g.rows.size()); ++r) {
                const bool loose =
                    std::any_of(w.rows[r].begin(), w.rows[r].end(), [&](const Value& v) {
                        return v.kind() == ValueKind::Text &&
                               std::find(looseRows.begin(), looseRows.end(), v.toText()) !=
                                   looseRows.end();
                    });
                for (std::size_t c = 0; c < w.columns.size(); ++c) {
                    const Value &a = w.rows[r][c], &b = g.rows[r][c];
                    bool same;
                    if (isNumber(a) && isNumber(b))
                        same = loose || judge(w.columns[c], a.asDouble(), b.asDouble());
                    else
                        same = a.kind() == b.kind() && a == b;
                    if (!same)
                        fail(table + ", row " + std::to_string(r + 1) + ", column [" +
                             w.columns[c] + "]: " + show(a) + ", then " + show(b));
                }
            }
        }
    }
};

TEST_P(MetamorphicTest, RowOrderChangesNoTable) {
    const ScenarioCase& s = kCases[GetParam()];
    const auto rows = baseRows();
    auto reversed = rows;
    std::reverse(reversed.begin(), reversed.end());
    auto shuffled = rows;
    std::uint32_t seed = 987654321u;  // a fixed Fisher-Yates permutation
    for (std::size_t i = shuffled.size() - 1; i > 0; --i) {
        seed = seed * 1664525u + 1013904223u;
        std::swap(shuffled[i], shuffled[(seed >> 8) % (i + 1)]);
    }
    ASSERT_NO_FATAL_FAILURE(store("Obs", rows));
    ASSERT_NO_FATAL_FAILURE(store("ObsReversed", reversed));
    ASSERT_NO_FATAL_FAILURE(store("ObsShuffled", shuffled));

    Saved first;
    ASSERT_NO_FATAL_FAILURE(save(s, "Obs", s.ignore, 0, "Out_First", first));
    Tables want;
    ASSERT_NO_FATAL_FAILURE(runFresh(first, want));
    double largest = 0;
    for (const char* input : {"ObsReversed", "ObsShuffled"}) {
        Saved other;
        ASSERT_NO_FATAL_FAILURE(save(s, input, s.ignore, 0, std::string("Out_") + input, other));
        Tables got;
        ASSERT_NO_FATAL_FAILURE(runFresh(other, got));
        compare(std::string("rows of ") + input, want, got,
                [&](const std::string&, double a, double b) {
                    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
                    largest = std::max(largest, relative(a, b));
                    return relative(a, b) <= 1e-12;
                });
    }
    std::cout << "[order] " << s.name << ": largest relative difference " << largest << "\n";
}

// Cases left out of a shift (0: of both), and why.
struct LeftOut {
    const char* name;
    double shift;
    const char* why;
};
// clang-format off
const LeftOut kLeftOut[] = {
    {"RegressionPolynomial", 0, "a fit through the origin is not the same fit once the data move"},
};
// clang-format on

TEST_P(MetamorphicTest, ShiftingTheDataMovesOnlyLocation) {
    const ScenarioCase& s = kCases[GetParam()];
    const auto rows = baseRows();
    ASSERT_NO_FATAL_FAILURE(store("Obs", rows));
    Saved first;
    ASSERT_NO_FATAL_FAILURE(save(s, "Obs", s.ignore, 0, "Out_First", first));
    Tables want;
    ASSERT_NO_FATAL_FAILURE(runFresh(first, want));
    valueNamedColumns = true;
    // The K-S Poisson fit depends on where the data lie; the sign test's
    // custom value (a small whole number) cannot move with them.
    looseRows = {"Poisson", "Custom"};
    // Where no field moves (the factors of Chi-Square), neither does the rule.
    const auto fields = words(s.fields);
    const bool moves = std::any_of(fields.begin(), fields.end(),
                                   [](const std::string& f) { return f[0] == 'X' || f[0] == 'Y'; });
    for (const double c : {1e6, 1e9}) {
        const std::string by = c == 1e6 ? "1e6" : "1e9";
        const auto out =
            std::find_if(std::begin(kLeftOut), std::end(kLeftOut), [&](const LeftOut& l) {
                return l.name == std::string(s.name) && (l.shift == 0 || l.shift == c);
            });
        if (out != std::end(kLeftOut)) continue;
        auto moved = rows;
        for (auto& row : moved)
            for (const std::string& f : fields) {
                if (f[0] != 'X' && f[0] != 'Y') continue;
                const std::size_t at = static_cast<std::size_t>(
                    std::find(kColumns.begin(), kColumns.end(), f.substr(2)) - kColumns.begin());
                Value& v = row[at];
                if (v.isNull()) continue;
                v = at == kK ? Value(static_cast<std::int32_t>(v.asDouble() + c))
                             : Value(v.asDouble() + c);
            }
        const std::string input = "ObsShift" + by;
        ASSERT_NO_FATAL_FAILURE(store(input, moved));
        Saved other;
        ASSERT_NO_FATAL_FAILURE(save(s, input, s.ignore, moves ? c : 0, "Out_" + input, other));
        Tables got;
        ASSERT_NO_FATAL_FAILURE(runFresh(other, got));
        double largest = 0;
        std::string where;
        compare("data shifted by " + by, want, got,
                [&](const std::string& column, double a, double b) {
                    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
                    switch (shiftRule(column)) {
                        case Shift::Skip:
                            return true;
                        case Shift::Moves:
                            // b carries c's rounding: a few units in its last place.
                            return std::fabs(b - c - a) <=
                                   1e-9 * std::fabs(a) +
                                       8 * std::numeric_limits<double>::epsilon() * std::fabs(b);
                        case Shift::Same:
                            break;
                    }
                    if (relative(a, b) > largest) largest = relative(a, b), where = column;
                    return relative(a, b) <= 1e-9;
                });
        std::cout << "[shift " << by << "] " << s.name << ": largest relative difference "
                  << largest << (where.empty() ? "" : " in [" + where + "]") << "\n";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryType, MetamorphicTest,
                         ::testing::Range<std::size_t>(0, std::size(kCases)),
                         [](const auto& info) { return std::string(kCases[info.param].name); });

}  // namespace
}  // namespace qrv::test
