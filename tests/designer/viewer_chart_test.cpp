// Charts of output tables, made by really running Frequency, Describe,
// Percentiles, K-S Fit and simple regression scenarios on a small table: the
// kind of chart is told from the columns, the bars, boxes and points carry
// the numbers worked out by hand from the data, each group's chart is drawn
// from that group's rows, boxes stand only on real quartiles, a large
// residual table is sampled over its whole range, and a chart saves as PNG
// and SVG with its title.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <tuple>

#include "designer/viewer/chart_panel.h"
#include "designer/viewer/table_viewer.h"
#include "engine/quorvane.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_tables.h"
#include "viewer_fixture.h"

using namespace qrv;
using designer::BoxStats;
using designer::ChartKind;
using designer::ChartPanel;
using designer::TableViewer;

namespace {

// Group a: x = -3 1 2 3 4 12 15 25 40; group b: x = 2 3 22. y is about 2x + 1.
struct Row {
    const char* grp;
    double x, y;
};
constexpr Row kRows[] = {{"a", 1, 3.5}, {"a", 2, 4.5}, {"b", 2, 5},   {"a", 3, 7.5},
                         {"a", 4, 8.5}, {"b", 3, 7.5}, {"a", 12, 25}, {"a", 15, 31},
                         {"a", 25, 51}, {"b", 22, 45}, {"a", -3, -5}, {"a", 40, 81}};

constexpr long kBigRows = 100000;

template <class T>
T* seriesOf(QChart* chart) {
    for (QAbstractSeries* s : chart->series())
        if (auto* t = qobject_cast<T*>(s)) return t;
    return nullptr;
}

void expectBox(const BoxStats& b, double low, double q1, double median, double q3, double high) {
    QCOMPARE(b.low, low);
    QCOMPARE(b.q1, q1);
    QCOMPARE(b.median, median);
    QCOMPARE(b.q3, q3);
    QCOMPARE(b.high, high);
}

bool near(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

// What the chart on screen draws for one group: the bars of a histogram or a
// scatter's points and then its line (x and y in turn, by x) when the title
// names the group, or the five numbers of the box that stands over the
// group's value. Empty when the chart shows no such group.
std::vector<double> drawnFor(QChart* chart, const QString& group, const QString& value) {
    std::vector<double> out;
    if (auto* bars = seriesOf<QBarSeries>(chart)) {
        if (!chart->title().contains(group) || bars->count() != 1) return out;
        const QBarSet* set = bars->barSets().at(0);
        for (int i = 0; i < set->count(); ++i) out.push_back(set->at(i));
    } else if (auto* boxes = seriesOf<QBoxPlotSeries>(chart)) {
        // The n-th box stands at the n-th category of the axis.
        auto* x = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
        const int at = x ? static_cast<int>(x->categories().indexOf(value)) : -1;
        if (at < 0 || at >= boxes->count()) return out;
        const QBoxSet* b = boxes->boxSets().at(at);
        for (auto part : {QBoxSet::LowerExtreme, QBoxSet::LowerQuartile, QBoxSet::Median,
                          QBoxSet::UpperQuartile, QBoxSet::UpperExtreme})
            out.push_back(b->at(part));
    } else if (auto* dots = seriesOf<QScatterSeries>(chart)) {
        if (!chart->title().contains(group)) return out;
        for (QXYSeries* s : {static_cast<QXYSeries*>(dots),
                             static_cast<QXYSeries*>(seriesOf<QLineSeries>(chart))}) {
            QList<QPointF> points = s ? s->points() : QList<QPointF>{};
            std::sort(points.begin(), points.end(),
                      [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
            for (const QPointF& p : points) out.insert(out.end(), {p.x(), p.y()});
        }
    }
    return out;
}

// The axis a chart's values are read on: y for bars and boxes, x for a scatter.
QValueAxis* valueAxis(QChart* chart) {
    const bool scatter = seriesOf<QScatterSeries>(chart) != nullptr;
    for (QAbstractAxis* a : chart->axes(scatter ? Qt::Horizontal : Qt::Vertical))
        if (auto* v = qobject_cast<QValueAxis*>(a)) return v;
    return nullptr;
}

}  // namespace

class ViewerChartTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::ViewerFixture> fx;

    std::int32_t save(const char* type, const std::string& out1, const std::string& out2,
                      std::initializer_list<std::pair<const char*, char>> fields,
                      std::initializer_list<std::pair<const char*, dao::Value>> options,
                      std::optional<double> ignoreAbove = std::nullopt) {
        scenario::ScenarioDraft d = scenario::NewDraft(*scenario::FindAnalysisType(type));
        if (ignoreAbove) scenario::SetIgnoreRange(d, std::nullopt, *ignoreAbove);
        d.description = std::string("chart ") + type;
        d.input = "Data";
        d.output1 = out1;
        d.output2 = out2;
        for (auto& [name, role] : fields) d.addField(name, role);
        for (auto& [name, v] : options) d.setOption(name, v);
        auto id = scenario::SaveDraft(fx->db, d);
        if (!id) qFatal("scenario not saved: %s", id.error().description.c_str());
        return *id;
    }
    void run(std::int32_t id) {
        test::ScriptedPrompter quiet;
        Quorvane engine(&quiet);
        engine.ErrorHandler().SetDestination(fx->dir.path().toStdString() + "/run.log");
        RunScenarioArgs args;
        args.ScenarioDb = fx->db;
        QVERIFY2(engine.RunScenario(id, args), engine.ErrorInfo().c_str());
    }
    // A viewer on an output table with its chart shown.
    std::unique_ptr<TableViewer> chartOf(const std::string& table, ChartPanel** panel) {
        std::unique_ptr<TableViewer> v(
            designer::CreateTableViewer(*fx->app, table, "Scenario Output Table", nullptr));
        if (!v) return v;
        v->setAttribute(Qt::WA_DeleteOnClose, false);
        v->resize(800, 600);
        v->show();
        *panel = v->ShowChart();
        return v;
    }

  private slots:
    void initTestCase() {
        fx = std::make_unique<test::ViewerFixture>();
        scenario::StoreContext ctx{fx->db, nullptr, nullptr};
        QVERIFY(scenario::CreateScenarioTables(ctx));
        QVERIFY(fx->makeTable("Data",
                              {{"Grp", dao::dbText}, {"X", dao::dbDouble}, {"Y", dao::dbDouble}}));
        for (const Row& r : kRows)
            QVERIFY(fx->addRow("Data", {{"Grp", r.grp}, {"X", r.x}, {"Y", r.y}}));

        run(save("Frequency", "FreqOut", "", {{"Grp", 'G'}, {"X", 'X'}},
                 {{"FreqGroupRadio", "Specified"},
                  {"FreqInit", 0.0},
                  {"FreqWidth", 10.0},
                  {"InterV", 3},
                  {"FreqIncRadio", "Lower"}}));
        run(save("Frequency", "FreqUp", "", {{"Grp", 'G'}, {"X", 'X'}},
                 {{"FreqGroupRadio", "Specified"},
                  {"FreqInit", 0.0},
                  {"FreqWidth", 10.0},
                  {"InterV", 3},
                  {"FreqIncRadio", "Upper"}}));
        run(save("Describe", "DescOut", "", {{"Grp", 'G'}, {"X", 'X'}, {"Y", 'X'}},
                 {{"Range", true}, {"Percentile", true}, {"PercentileRadio", "Quartiles"}}));
        run(save("Describe", "DescRange", "", {{"Grp", 'G'}, {"X", 'X'}}, {{"Range", true}}));
        run(save("Percentiles", "PctOut", "", {{"Grp", 'G'}, {"X", 'X'}},
                 {{"PercentileRadio", "Deciles"}}));
        run(save("Percentiles", "PctQ", "", {{"Grp", 'G'}, {"X", 'X'}},
                 {{"PercentileRadio", "Quartiles"}}));
        run(save("K-S Fit", "KSOut", "", {{"Grp", 'G'}, {"X", 'X'}},
                 {{"FitUniform", true}, {"FitNormal", true}, {"FitPoisson", false}}));
        run(save("K-S Fit", "KSIgnored", "", {{"Grp", 'G'}, {"X", 'X'}},
                 {{"FitUniform", true}, {"FitNormal", false}, {"FitPoisson", false}}, 30.0));
        run(save("Regression", "RegOut", "ResidOut", {{"Grp", 'G'}, {"X", 'X'}, {"Y", 'Y'}},
                 {{"RegressType", "S"}, {"RYInt", true}, {"Residual", true}}));

        // A residual table of 100000 rows in x order: x = 0 .. 99999, fitted
        // 2x, residual (x mod 100 - 50) / 10, made by joining a table of
        // 0 .. 999 with itself.
        QVERIFY(fx->makeTable("Thousand", {{"K", dao::dbLong}}));
        QVERIFY(!fx->db.BeginTrans());
        for (int k = 0; k < 1000; ++k) QVERIFY(fx->addRow("Thousand", {{"K", k}}));
        QVERIFY(fx->makeTable("BigResid", {{"DataField", dao::dbText},
                                           {"X_Value", dao::dbDouble},
                                           {"Y:Y", dao::dbDouble},
                                           {"Estimated_Y", dao::dbDouble},
                                           {"Residual", dao::dbDouble}}));
        auto n = fx->db.Execute(
            "INSERT INTO [BigResid] ([DataField], [X_Value], [Y:Y], [Estimated_Y], [Residual]) "
            "SELECT 'X', [a].[K] * 100 + [b].[K], 2 * ([a].[K] * 100 + [b].[K]) + "
            "([b].[K] - 50) / 10, 2 * ([a].[K] * 100 + [b].[K]), ([b].[K] - 50) / 10 "
            "FROM [Thousand] AS a, [Thousand] AS b WHERE [a].[K] < 1000 AND [b].[K] < 100 "
            "ORDER BY [a].[K], [b].[K]");
        QVERIFY2(n.ok(), n.ok() ? "" : n.error().description.c_str());
        QCOMPARE(*n, kBigRows);
        QVERIFY(!fx->db.CommitTrans());
    }
    void cleanupTestCase() { fx.reset(); }

    // --- Which tables chart ----------------------------------------------------

    void kindsAreToldFromTheColumns() {
        auto kind = [&](const std::string& table) {
            auto rs = fx->db.OpenRecordset(table);
            std::vector<std::string> names;
            for (int i = 0; rs && i < rs->FieldCount(); ++i) names.push_back(rs->FieldAt(i).Name);
            return designer::DetectChart(names).kind;
        };
        QCOMPARE(kind("FreqOut"), ChartKind::Histogram);
        QCOMPARE(kind("DescOut"), ChartKind::BoxPlot);
        QCOMPARE(kind("PctOut"), ChartKind::BoxPlot);
        QCOMPARE(kind("KSOut"), ChartKind::BoxPlot);  // from its Minimum and Maximum
        QCOMPARE(kind("ResidOut"), ChartKind::Scatter);
        QCOMPARE(kind("RegOut"), ChartKind::None);
        QCOMPARE(kind("Data"), ChartKind::None);
        // Upper-closed frequency borders chart too; a Describe table without
        // range or cut points does not.
        QCOMPARE(designer::DetectChart(
                     {"DataField", "Interval", "Low<Range", "Range<=High", "Count", "Cumulative"})
                     .kind,
                 ChartKind::Histogram);
        QCOMPARE(designer::DetectChart({"DataField", "Count", "Missing", "Mean"}).kind,
                 ChartKind::None);
    }

    // --- Numbers on the charts --------------------------------------------------

    void histogramBarsAreTheCountsPerInterval() {
        ChartPanel* panel = nullptr;
        auto v = chartOf("FreqOut", &panel);
        QVERIFY(v && panel);
        const auto& pages = panel->Data().pages;
        QCOMPARE(pages.size(), size_t(2));
        QCOMPARE(pages[0].title, std::string("X (Grp = a)"));
        QCOMPARE(pages[1].title, std::string("X (Grp = b)"));
        // Borders 0, 10, 20, 30, lower border included, values outside counted apart.
        const std::vector<std::string> labels = {"under 0", "[0, 10)", "[10, 20)", "[20, 30)",
                                                 "30 or more"};
        QCOMPARE(pages[0].barLabels, labels);
        QCOMPARE(pages[0].barHeights,
                 (std::vector<double>{1, 4, 2, 1, 1}));  // -3 | 1 2 3 4 | 12 15 | 25 | 40
        QCOMPARE(pages[1].barHeights, (std::vector<double>{0, 2, 0, 1, 0}));  // 2 3 | 22
        auto* bars = seriesOf<QBarSeries>(panel->Chart());
        QVERIFY(bars && bars->count() == 1);
        QBarSet* set = bars->barSets().at(0);
        QCOMPARE(set->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(set->at(i), pages[0].barHeights[static_cast<size_t>(i)]);
        auto axes = panel->Chart()->axes(Qt::Horizontal);
        auto* x = qobject_cast<QBarCategoryAxis*>(axes.value(0));
        QVERIFY(x);
        QCOMPARE(x->categories().value(0), QString("under 0"));
        QCOMPARE(x->categories().value(2), QString("[10,<br>20)"));  // borders on two lines
        // The second page, chosen as a user would.
        auto* combo = panel->findChild<QComboBox*>("cboChartPage");
        QVERIFY(combo);
        combo->setCurrentIndex(1);
        set = seriesOf<QBarSeries>(panel->Chart())->barSets().at(0);
        QCOMPARE(set->at(1), 2.0);
        QCOMPARE(set->at(3), 1.0);
        QCOMPARE(panel->CurrentPage(), 1);
    }

    void upperClosedIntervalsAreLabelledSo() {
        ChartPanel* panel = nullptr;
        auto v = chartOf("FreqUp", &panel);
        QVERIFY(v && panel);
        const auto& page = panel->Data().pages.at(0);
        QCOMPARE(page.barLabels, (std::vector<std::string>{"0 or less", "(0, 10]", "(10, 20]",
                                                           "(20, 30]", "over 30"}));
        // No value of a lies on a border, so the counts are those of [0, 10) and so on.
        QCOMPARE(page.barHeights, (std::vector<double>{1, 4, 2, 1, 1}));
        QVERIFY(page.note.find("upper border") != std::string::npos);
    }

    void describeBoxesRunFromMinimumToMaximum() {
        ChartPanel* panel = nullptr;
        auto v = chartOf("DescOut", &panel);
        QVERIFY(v && panel);
        const auto& pages = panel->Data().pages;
        QCOMPARE(pages.size(), size_t(3));  // every box, then one page per field
        QCOMPARE(pages[0].title, std::string("All fields"));
        QCOMPARE(pages[0].boxes.size(), size_t(4));
        QCOMPARE(pages[1].title, std::string("X"));
        QCOMPARE(pages[1].boxes.size(), size_t(2));
        QCOMPARE(pages[1].boxes[0].label, std::string("a"));
        // Unweighted quartiles sit at rows 1 + (n - 1)j/4 of the sorted values.
        // a: -3 1 2 3 4 12 15 25 40 (rows 3, 5, 7); b: 2 3 22 (rows 1.5, 2, 2.5).
        expectBox(pages[1].boxes[0], -3, 2, 4, 15, 40);
        expectBox(pages[1].boxes[1], 2, 2.5, 3, 12.5, 22);
        // y of a: -5 3.5 4.5 7.5 8.5 25 31 51 81; of b: 5 7.5 45.
        QCOMPARE(pages[2].title, std::string("Y"));
        expectBox(pages[2].boxes[0], -5, 4.5, 8.5, 31, 81);
        expectBox(pages[2].boxes[1], 5, 6.25, 7.5, 26.25, 45);
        QCOMPARE(pages[0].boxes[3].label, std::string("Y"));
        QCOMPARE(pages[0].boxes[3].series, std::string("Grp = b"));
        QVERIFY(!pages[1].boxes[0].estimated);
        QCOMPARE(pages[1].boxes[0].lowName, std::string("Minimum"));
        // Every field's page: a series per group, a box per field in each.
        const auto all = panel->Chart()->series();
        QCOMPARE(all.size(), 2);
        auto* series = qobject_cast<QBoxPlotSeries*>(all.at(1));
        QVERIFY(series);
        QCOMPARE(series->name(), QString("Grp = b"));
        QCOMPARE(series->count(), 2);
        QBoxSet* b = series->boxSets().at(0);
        QCOMPARE(b->at(QBoxSet::LowerExtreme), 2.0);
        QCOMPARE(b->at(QBoxSet::LowerQuartile), 2.5);
        QCOMPARE(b->at(QBoxSet::Median), 3.0);
        QCOMPARE(b->at(QBoxSet::UpperQuartile), 12.5);
        QCOMPARE(b->at(QBoxSet::UpperExtreme), 22.0);
    }

    // Deciles and K-S Fit's range hold no quartiles: the boxes are the
    // quartiles of the scenario's own input, fields, groups and ignore rule.
    void boxesWithoutQuartilesInTheTableAreComputed_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<std::vector<double>>("a");
        QTest::addColumn<std::vector<double>>("b");
        QTest::addColumn<QString>("lacking");
        // Rows 1 + (n - 1)j/4 of the sorted values, as in the Percentiles
        // analysis. a: -3 1 2 3 4 12 15 25 40 (rows 3, 5, 7); b: 2 3 22.
        QTest::newRow("deciles") << "PctOut" << std::vector<double>{-3, 2, 4, 15, 40}
                                 << std::vector<double>{2, 2.5, 3, 12.5, 22} << "quartiles";
        QTest::newRow("K-S fit") << "KSOut" << std::vector<double>{-3, 2, 4, 15, 40}
                                 << std::vector<double>{2, 2.5, 3, 12.5, 22} << "quartiles";
        // Quartiles without the range: the whiskers need the ends.
        QTest::newRow("quartiles")
            << "PctQ" << std::vector<double>{-3, 2, 4, 15, 40}
            << std::vector<double>{2, 2.5, 3, 12.5, 22} << "minimum and maximum";
        // Values above 30 ignored: a is -3 1 2 3 4 12 15 25, rows 2.75, 4.5, 6.25.
        QTest::newRow("K-S fit, ignoring above 30")
            << "KSIgnored" << std::vector<double>{-3, 1.75, 3.5, 12.75, 25}
            << std::vector<double>{2, 2.5, 3, 12.5, 22} << "quartiles";
    }
    void boxesWithoutQuartilesInTheTableAreComputed() {
        QFETCH(QString, table);
        QFETCH(std::vector<double>, a);
        QFETCH(std::vector<double>, b);
        QFETCH(QString, lacking);
        ChartPanel* panel = nullptr;
        auto v = chartOf(table.toStdString(), &panel);
        QVERIFY(v && panel);
        QVERIFY2(panel->Message().isEmpty(), qPrintable(panel->Message()));
        const auto& boxes = panel->Data().pages.at(0).boxes;
        QCOMPARE(boxes.size(), size_t(2));
        expectBox(boxes[0], a[0], a[1], a[2], a[3], a[4]);
        expectBox(boxes[1], b[0], b[1], b[2], b[3], b[4]);
        QVERIFY2(panel->ChartNote().contains("The table holds no " + lacking +
                                             ": the boxes are computed from [Data]"),
                 qPrintable(panel->ChartNote()));
    }

    void computedQuartilesEqualThePercentilesAnalysis() {
        auto rs = fx->db.OpenRecordset("PctQ");
        QVERIFY(rs.ok());
        std::map<std::pair<std::string, double>, double> quartiles;
        for (; !rs->Eof(); rs->MoveNext())
            quartiles[{rs->GetValue("Grp")->toText(), rs->GetValue("Percentile")->asDouble()}] =
                rs->GetValue("Value")->asDouble();
        QCOMPARE(quartiles.size(), size_t(6));
        ChartPanel* panel = nullptr;
        auto v = chartOf("KSOut", &panel);
        QVERIFY(v && panel);
        const auto& boxes = panel->Data().pages.at(0).boxes;
        QCOMPARE(boxes.size(), size_t(2));
        for (size_t g = 0; g < 2; ++g) {
            const std::string grp = g == 0 ? "a" : "b";
            QCOMPARE(boxes[g].q1, (quartiles[{grp, 25}]));
            QCOMPARE(boxes[g].median, (quartiles[{grp, 50}]));
            QCOMPARE(boxes[g].q3, (quartiles[{grp, 75}]));
        }
    }

    void noBoxWithoutQuartilesToHave() {
        // Cut points 0, 50 and 100 of a table no scenario writes.
        QVERIFY(fx->makeTable(
            "NoQuartiles",
            {{"DataField", dao::dbText}, {"Percentile", dao::dbDouble}, {"Value", dao::dbDouble}}));
        for (auto [percent, value] : {std::pair{0.0, 1.0}, {50.0, 2.0}, {100.0, 3.0}})
            QVERIFY(fx->addRow(
                "NoQuartiles",
                {{"DataField", dao::Value::text("X")}, {"Percentile", percent}, {"Value", value}}));
        ChartPanel* panel = nullptr;
        auto v = chartOf("NoQuartiles", &panel);
        QVERIFY(v && panel);
        QVERIFY(panel->Data().pages.empty());
        QVERIFY(panel->Message().contains("needs the quartiles"));
        QVERIFY(panel->Message().contains("No scenario"));
        QVERIFY(!seriesOf<QBoxPlotSeries>(panel->Chart()));
        QVERIFY(!panel->findChild<QPushButton*>("cmdSaveChart")->isEnabled());
    }

    void boxNumbersFromCutPoints() {
        // A median alone: a flat box, whiskers where the cut points end.
        auto m = designer::BoxFromCutPoints({{50, 7}});
        QVERIFY(m);
        expectBox(*m, 7, 7, 7, 7, 7);
        QVERIFY(m->estimated);
        QVERIFY(!designer::BoxFromCutPoints({}));
        // Quintiles with the range: 25 is a quarter of the way from 20 to 40.
        auto q =
            designer::BoxFromCutPoints({{0, 0}, {20, 8}, {40, 16}, {60, 24}, {80, 32}, {100, 50}});
        QVERIFY(q);
        expectBox(*q, 0, 10, 20, 30, 50);  // 8 + 8/4; 16 + 8/2; 24 + 8·3/4
        QCOMPARE(q->highName, std::string("Maximum"));
    }

    void residualTablesPlotObservedAndResidualsAgainstFitted() {
        ChartPanel* panel = nullptr;
        auto v = chartOf("ResidOut", &panel);
        QVERIFY(v && panel);
        const auto& pages = panel->Data().pages;
        QCOMPARE(pages.size(), size_t(4));  // two plots of each group
        // Least squares by hand in exact fractions: a: slope 3087/1544,
        // intercept 1555/1544; b: slope 505/254, intercept 485/381.
        const double slope[] = {3087.0 / 1544, 505.0 / 254};
        const double intercept[] = {1555.0 / 1544, 485.0 / 381};
        const double ends[][2] = {{-3, 40}, {2, 22}};  // x of each group
        for (size_t g = 0; g < 2; ++g) {
            auto fit = [&](double x) { return intercept[g] + slope[g] * x; };
            std::vector<std::pair<double, double>> observed, residuals;
            for (const Row& r : kRows)
                if (r.grp == std::string(g == 0 ? "a" : "b")) {
                    observed.emplace_back(fit(r.x), r.y);
                    residuals.emplace_back(fit(r.x), r.y - fit(r.x));
                }
            const designer::ChartPage& o = pages[2 * g];
            const designer::ChartPage& e = pages[2 * g + 1];
            QCOMPARE(o.plot, designer::ScatterPlot::Observed);
            QCOMPARE(e.plot, designer::ScatterPlot::Residuals);
            for (auto [page, want] : {std::pair{&o, &observed}, {&e, &residuals}}) {
                QCOMPARE(page->points.size(), want->size());
                for (const auto& w : *want)
                    QVERIFY2(std::any_of(page->points.begin(), page->points.end(),
                                         [&](const auto& p) {
                                             return near(p.first, w.first) &&
                                                    near(p.second, w.second);
                                         }),
                             qPrintable(QString("%1, %2").arg(w.first).arg(w.second)));
                QVERIFY(page->note.empty());  // every point drawn
            }
            // The line y = fitted, and the zero line, across the fitted range.
            QCOMPARE(o.line.size(), size_t(2));
            QVERIFY(near(o.line[0].first, fit(ends[g][0])) &&
                    near(o.line[0].second, fit(ends[g][0])));
            QVERIFY(near(o.line[1].first, fit(ends[g][1])) &&
                    near(o.line[1].second, fit(ends[g][1])));
            QCOMPARE(e.line, (std::vector<std::pair<double, double>>{{o.line[0].first, 0.0},
                                                                     {o.line[1].first, 0.0}}));
        }
        // The residual plot, chosen as a user would.
        auto* combo = panel->findChild<QComboBox*>("cboChartPage");
        QVERIFY(combo);
        combo->setCurrentIndex(1);
        auto* dots = seriesOf<QScatterSeries>(panel->Chart());
        auto* line = seriesOf<QLineSeries>(panel->Chart());
        QVERIFY(dots && line && !qobject_cast<QScatterSeries*>(line));
        QCOMPARE(dots->count(), 9);
        QCOMPARE(line->count(), 2);
        QCOMPARE(line->at(0).y(), 0.0);
        // Markers without outlines: dense parts of a cloud stay dark.
        QCOMPARE(dots->pen().style(), Qt::NoPen);
    }

    // A residual table sorted by x, larger than a chart draws: the sample
    // reaches both ends, is the same on every reading, and keeps its bound.
    void largeResidualTablesAreSampledOverTheirWholeRange() {
        const std::string table = "BigResid";
        const auto layout =
            designer::DetectChart({"DataField", "X_Value", "Y:Y", "Estimated_Y", "Residual"});
        auto first = designer::ReadChartData(fx->db, table, layout);
        auto again = designer::ReadChartData(fx->db, table, layout);
        QVERIFY(first.ok() && again.ok());
        QCOMPARE(first->pages.size(), size_t(2));
        const designer::ChartPage& observed = first->pages[0];
        const designer::ChartPage& residuals = first->pages[1];
        QCOMPARE(observed.points.size(), designer::kMaxScatterPoints);
        QCOMPARE(observed.pointsInTable, kBigRows);
        QCOMPARE(observed.points, again->pages[0].points);
        QCOMPARE(observed.note, std::string("A random sample of 20000 of 100000 points (seed 1)."));
        // x = 0 .. 99999, fitted 2x: both ends within a thousandth of the range,
        // and the mean near the middle (the mean of a uniform sample of 20000
        // has a standard deviation near 200 here).
        double lo = 1e300, hi = -1e300, sum = 0;
        for (auto& [f, y] : observed.points) {
            lo = std::min(lo, f);
            hi = std::max(hi, f);
            sum += f / 2;
        }
        QVERIFY2(lo < 200 && hi > 2 * 99899.0, qPrintable(QString("%1 to %2").arg(lo).arg(hi)));
        QVERIFY(std::abs(sum / designer::kMaxScatterPoints - 49999.5) < 1500);
        // Each residual is the row's own: y - 2x, (x mod 100 - 50) / 10.
        QCOMPARE(residuals.points.size(), observed.points.size());
        for (size_t i = 0; i < residuals.points.size(); ++i) {
            const double x = residuals.points[i].first / 2;
            const double r = (std::fmod(x, 100) - 50) / 10;
            QVERIFY(near(residuals.points[i].second, r));
            QVERIFY(near(observed.points[i].second, 2 * x + r));
        }
    }

    // --- Every group's chart from its own rows -----------------------------------

    void theSecondGroupIsDrawnFromItsOwnRows_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("page");
        QTest::addColumn<std::vector<double>>("drawn");
        // The value axis covers b's values and, on a page of b alone, stays
        // inside a's extremes.
        QTest::addColumn<double>("coverLow");
        QTest::addColumn<double>("coverHigh");
        QTest::addColumn<double>("outsideLow");
        QTest::addColumn<double>("outsideHigh");
        constexpr double inf = std::numeric_limits<double>::infinity();
        // b: x = 2 3 22, y = 5 7.5 45; a's tallest bar is 4, its x from -3 to 40.
        QTest::newRow("histogram, lower border")
            << "FreqOut"
            << "X (Grp = b)" << std::vector<double>{0, 2, 0, 1, 0} << 0.0 << 2.0 << -inf << 4.0;
        QTest::newRow("histogram, upper border")
            << "FreqUp"
            << "X (Grp = b)" << std::vector<double>{0, 2, 0, 1, 0} << 0.0 << 2.0 << -inf << 4.0;
        // Quartiles at rows 1.5, 2, 2.5 of the sorted values.
        QTest::newRow("describe, X")
            << "DescOut"
            << "X" << std::vector<double>{2, 2.5, 3, 12.5, 22} << 2.0 << 22.0 << -inf << inf;
        QTest::newRow("describe, Y")
            << "DescOut"
            << "Y" << std::vector<double>{5, 6.25, 7.5, 26.25, 45} << 5.0 << 45.0 << -inf << inf;
        // Deciles hold no quartiles: b's computed from the input, as above.
        QTest::newRow("percentiles")
            << "PctOut"
            << "X" << std::vector<double>{2, 2.5, 3, 12.5, 22} << 2.0 << 22.0 << -inf << inf;
        // A row per fitted distribution, no quartiles: computed likewise.
        QTest::newRow("K-S fit") << "KSOut"
                                 << "X" << std::vector<double>{2, 2.5, 3, 12.5, 22} << 2.0 << 22.0
                                 << -inf << inf;
        // b's least-squares line: 485/381 + 505/254 x; observed y against it,
        // then the line y = fitted from its lowest to its highest. a's fitted
        // values run from -4.99 to 80.98.
        auto fit = [](double x) { return 485.0 / 381 + 505.0 / 254 * x; };
        QTest::newRow("residual scatter")
            << "ResidOut"
            << "Y on X (Grp = b), observed against fitted"
            << std::vector<double>{fit(2), 5,      fit(3), 7.5,     fit(22),
                                   45,     fit(2), fit(2), fit(22), fit(22)}
            << fit(2) << fit(22) << -4.9 << 80.9;
    }
    void theSecondGroupIsDrawnFromItsOwnRows() {
        QFETCH(QString, table);
        QFETCH(QString, page);
        QFETCH(std::vector<double>, drawn);
        QFETCH(double, coverLow);
        QFETCH(double, coverHigh);
        QFETCH(double, outsideLow);
        QFETCH(double, outsideHigh);
        ChartPanel* panel = nullptr;
        auto v = chartOf(table.toStdString(), &panel);
        QVERIFY(v && panel);
        // Group a's page comes first; b's is chosen as a user would.
        auto* combo = panel->findChild<QComboBox*>("cboChartPage");
        QVERIFY(combo);
        const int at = combo->findText(page);
        QVERIFY2(at >= 0, qPrintable(page));
        combo->setCurrentIndex(at);
        QCOMPARE(panel->CurrentPage(), at);
        const std::vector<double> got = drawnFor(panel->Chart(), "Grp = b", "b");
        QString shown;
        for (double x : got) shown += QString::number(x) + " ";
        QVERIFY2(got.size() == drawn.size(), qPrintable("drawn: " + shown));
        for (size_t i = 0; i < got.size(); ++i)
            QVERIFY2(near(got[i], drawn[i]), qPrintable("drawn: " + shown));
        // One box for each group, each over a name of its own.
        if (auto* boxes = seriesOf<QBoxPlotSeries>(panel->Chart())) {
            auto* x =
                qobject_cast<QBarCategoryAxis*>(panel->Chart()->axes(Qt::Horizontal).value(0));
            QVERIFY(x);
            QCOMPARE(x->categories(), (QStringList{"a", "b"}));
            QCOMPARE(boxes->count(), 2);
        }
        QValueAxis* axis = valueAxis(panel->Chart());
        QVERIFY(axis);
        QVERIFY(axis->min() <= coverLow && axis->max() >= coverHigh);
        QVERIFY2(axis->min() > outsideLow && axis->max() < outsideHigh,
                 qPrintable(QString("%1 to %2").arg(axis->min()).arg(axis->max())));
    }

    void groupsThatReadAlikeKeepTheirOwnBoxes() {
        // A Null group and a group of the text "Null", in a table shaped as
        // a percentiles table: minimum, quartiles and maximum of each.
        QVERIFY(fx->makeTable("AlikeOut", {{"Grp", dao::dbText},
                                           {"DataField", dao::dbText},
                                           {"Percentile", dao::dbDouble},
                                           {"Value", dao::dbDouble}}));
        for (auto [grp, scale] :
             {std::pair{dao::Value::null(), 1.0}, {dao::Value::text("Null"), 10.0}})
            for (double percent : {0.0, 25.0, 50.0, 75.0, 100.0}) {
                const double value = scale * (1 + percent / 50);
                QVERIFY(fx->addRow("AlikeOut", {{"Grp", grp},
                                                {"DataField", dao::Value::text("X")},
                                                {"Percentile", percent},
                                                {"Value", value}}));
            }
        ChartPanel* panel = nullptr;
        auto v = chartOf("AlikeOut", &panel);
        QVERIFY(v && panel);
        QCOMPARE(panel->Data().pages.at(0).boxes.size(), size_t(2));
        QCOMPARE(drawnFor(panel->Chart(), "", "Null"), (std::vector<double>{1, 1.5, 2, 2.5, 3}));
        QCOMPARE(drawnFor(panel->Chart(), "", "Null (2)"),
                 (std::vector<double>{10, 15, 20, 25, 30}));
    }

    void equalBarNamesKeepTheirOwnBars() {
        // Borders that differ past the sixth digit print alike.
        designer::ChartData data;
        data.kind = ChartKind::Histogram;
        designer::ChartPage page;
        page.title = "X";
        page.barLabels = {"[1, 1)", "[1, 1)", "[1, 2)"};
        page.barHeights = {1, 2, 3};
        data.pages.push_back(page);
        ChartPanel panel(data, fx->prompter);
        auto* x = qobject_cast<QBarCategoryAxis*>(panel.Chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(x);
        QCOMPARE(x->categories(), (QStringList{"[1,<br>1)", "[1,<br>1) (2)", "[1,<br>2)"}));
    }

    // --- Titles, axis names, saving ---------------------------------------------

    void chartsNameTheirTableFieldAndGroup_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("xTitle");
        QTest::addColumn<QString>("yTitle");
        QTest::addColumn<QString>("file");
        QTest::newRow("histogram") << "FreqOut" << 1 << "FreqOut: X (Grp = b)"
                                   << "X"
                                   << "Count"
                                   << "FreqOut_X_Grp_b.png";
        QTest::newRow("boxes of a field") << "DescOut" << 2 << "DescOut: Y by Grp"
                                          << "Grp"
                                          << "Y"
                                          << "DescOut_Y_Grp.png";
        QTest::newRow("every box") << "DescOut" << 0 << "DescOut: all fields by Grp"
                                   << "Field"
                                   << "Value"
                                   << "DescOut_all_fields_Grp.png";
        QTest::newRow("observed") << "ResidOut" << 0
                                  << "ResidOut: Y on X (Grp = a), observed against fitted"
                                  << "Fitted Y"
                                  << "Observed Y"
                                  << "ResidOut_X_Grp_a.png";
        QTest::newRow("residuals")
            << "ResidOut" << 3 << "ResidOut: Y on X (Grp = b), residuals against fitted"
            << "Fitted Y"
            << "Residual"
            << "ResidOut_X_Grp_b_residuals.png";
    }
    void chartsNameTheirTableFieldAndGroup() {
        QFETCH(QString, table);
        QFETCH(int, page);
        QFETCH(QString, title);
        QFETCH(QString, xTitle);
        QFETCH(QString, yTitle);
        QFETCH(QString, file);
        ChartPanel* panel = nullptr;
        auto v = chartOf(table.toStdString(), &panel);
        QVERIFY(v && panel);
        panel->ShowPage(page);
        QCOMPARE(panel->Chart()->title(), title);
        QCOMPARE(panel->Chart()->axes(Qt::Horizontal).value(0)->titleText(), xTitle);
        QCOMPARE(panel->Chart()->axes(Qt::Vertical).value(0)->titleText(), yTitle);
        QCOMPARE(panel->ProposedFileName(), file);
    }

    void boxesAreLabelledWhole() {
        // Every field: the fields on the axis, the groups in the legend.
        ChartPanel* panel = nullptr;
        auto v = chartOf("DescOut", &panel);
        QVERIFY(v && panel);
        auto* x = qobject_cast<QBarCategoryAxis*>(panel->Chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(x);
        QCOMPARE(x->categories(), (QStringList{"X", "Y"}));
        QStringList legend;
        for (QAbstractSeries* s : panel->Chart()->series()) legend << s->name();
        QCOMPARE(legend, (QStringList{"Grp = a", "Grp = b"}));
        QVERIFY(panel->Chart()->legend()->isVisible());
        // Groups of several fields: their values one under another, the
        // fields named by the axis title.
        designer::ChartData data;
        data.kind = ChartKind::BoxPlot;
        designer::ChartPage page;
        page.xTitle = "Region, Sex";
        for (const char* label : {"North\nF", "North & East\nM"}) {
            BoxStats b{label, "", 1, 2, 3, 4, 5, "Minimum", "Maximum"};
            page.boxes.push_back(b);
        }
        data.pages.push_back(page);
        ChartPanel two(data, fx->prompter);
        x = qobject_cast<QBarCategoryAxis*>(two.Chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(x);
        QCOMPARE(x->categories(), (QStringList{"North<br>F", "North &amp; East<br>M"}));
        QCOMPARE(x->titleText(), QString("Region, Sex"));
    }

    void fileNamesAreSafe() {
        designer::ChartData data;
        data.kind = ChartKind::Histogram;
        data.table = "Sales/2024: Q1";
        designer::ChartPage page;
        page.field = "Yield (kg)";
        page.group = "Region = \"N*E\", Année = 2";
        QCOMPARE(designer::ChartFileStem(data, page),
                 std::string("Sales_2024_Q1_Yield_kg_Region_N_E_Année_2"));
        data.table = "..";
        page.field = page.group = "";
        QCOMPARE(designer::ChartFileStem(data, page), std::string("chart"));
    }

    void savedChartsKeepTheirTitleAndNote() {
        ChartPanel* panel = nullptr;
        auto v = chartOf("DescOut", &panel);
        QVERIFY(v && panel);
        panel->ShowPage(1);
        QVERIFY(panel->findChild<QPushButton*>("cmdSaveChart")->isEnabled());
        QVERIFY(panel->ChartNote().startsWith("Whiskers from the Minimum to the Maximum"));
        const QString png = fx->dir.path() + "/boxes.png";
        const QString svg = fx->dir.path() + "/boxes.SVG";
        QString why;
        QVERIFY2(panel->SaveChart(png, &why), qPrintable(why));
        QVERIFY2(panel->SaveChart(svg, &why), qPrintable(why));
        QImage image;
        QVERIFY(image.load(png, "PNG"));
        QVERIFY(image.width() >= 200 && image.height() >= 150);
        QCOMPARE(image.text("Title"), QString("DescOut: X by Grp"));
        QCOMPARE(image.text("Description"), panel->ChartNote());
        QFile f(svg);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.startsWith("<?xml"));
        QVERIFY(text.contains("</svg>"));
        // Drawn: the title, the axis names and the note are text in the picture.
        for (const char* drawn : {">DescOut: X by Grp<", ">Grp<", "Whiskers"})
            QVERIFY2(text.contains(drawn), drawn);
        // A folder that is not there: refused, and no file appears.
        const QString nowhere = fx->dir.path() + "/missing/chart.png";
        QVERIFY(!panel->SaveChart(nowhere, &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(!QFile::exists(nowhere));
    }

    void tablesWithoutAChartShowOnlyTheGrid() {
        std::unique_ptr<TableViewer> v(
            designer::CreateTableViewer(*fx->app, "RegOut", "Scenario Output Table", nullptr));
        QVERIFY(v);
        QVERIFY(!v->ShowChart());
        QVERIFY(!v->findChild<QWidget*>("tabViewer"));
    }

    // Last, as it changes the input: boxes of a table its input no longer
    // gives are refused rather than drawn from other numbers.
    void boxesOfAnOutdatedTableAreRefused() {
        ChartPanel* panel = nullptr;
        auto v = chartOf("DescRange", &panel);
        QVERIFY(v && panel);
        QVERIFY2(panel->Message().isEmpty(), qPrintable(panel->Message()));
        QVERIFY(fx->addRow("Data", {{"Grp", "b"}, {"X", 100.0}, {"Y", 1.0}}));
        v = chartOf("DescRange", &panel);
        QVERIFY(v && panel);
        QVERIFY(panel->Data().pages.empty());
        QVERIFY2(panel->Message().contains("[Data] no longer gives this table"),
                 qPrintable(panel->Message()));
    }
};

QTEST_MAIN(ViewerChartTest)
#include "viewer_chart_test.moc"
