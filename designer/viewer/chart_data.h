// What a chart of an output table shows, read from the table alone: the kind
// of table is told by its column names (those the analyses write), and the
// chart's numbers are taken from its rows. Kept apart from the drawing so
// the numbers can be checked without a screen.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/objects/database.h"

namespace qrv::designer {

enum class ChartKind {
    None,
    Histogram,  // a frequency table: counts per interval
    BoxPlot,    // descriptive statistics or percentiles: one box per group and field
    Scatter,    // a regression's residual table: observed and residuals against fitted
};

// Where the columns a chart needs sit in a table (-1: absent).
struct ChartLayout {
    ChartKind kind = ChartKind::None;
    std::vector<int> groupColumns;  // the columns before DataField
    int dataField = -1;
    // Histogram.
    int interval = -1, low = -1, high = -1, count = -1;
    bool lowerClosed = true;
    // Box plot from descriptive statistics: Minimum, Maximum and the cut
    // points, each with its percent (Median is 50).
    int minimum = -1, maximum = -1;
    std::vector<std::pair<double, int>> percentColumns;
    // Box plot from a percentiles table: one row per cut point.
    int percent = -1, value = -1;
    // Scatter.
    int x = -1, y = -1, estimated = -1, residual = -1;
};

// The chart a table's columns allow; kind None when they fit no chart.
ChartLayout DetectChart(const std::vector<std::string>& columns);

struct CutPoint {
    double percent;  // 0 for the smallest value, 100 for the largest
    double value;
};

struct BoxStats {
    // Where the box stands: on a field's page, at its group's values (one
    // line per group field); on the page of every field, at its field, in
    // the series of its group.
    std::string label, series;
    double low = 0, q1 = 0, median = 0, q3 = 0, high = 0;
    std::string lowName, highName;  // what the whiskers end at ("Minimum", "10th percentile")
    bool estimated = false;         // a quartile or the median was not in the table
};

// The five numbers of a box from the cut points a table has: whiskers at the
// lowest and highest, the quartiles and median where the table has them,
// else interpolated linearly between the nearest cut points (or the nearest
// one, outside them), and marked estimated. Nothing without a cut point.
// Charts draw only boxes that are not estimated.
std::optional<BoxStats> BoxFromCutPoints(std::vector<CutPoint> points);

// The two plots of a residual table a user chooses between.
enum class ScatterPlot {
    Observed,   // observed y against fitted y, with the line y = fitted
    Residuals,  // residuals against fitted y, with the line at zero
};

struct ChartPage {
    std::string title;         // in the list of pages: the field, the group, the plot
    std::string field, group;  // what the page shows ("All fields"; group empty for all)
    // Histogram.
    std::vector<std::string> barLabels;
    std::vector<double> barHeights;
    // Box plot.
    std::vector<BoxStats> boxes;
    // Scatter: the points as drawn (x, y) and the two ends of the reference line.
    ScatterPlot plot = ScatterPlot::Observed;
    std::vector<std::pair<double, double>> points, line;
    long pointsInTable = 0;  // more than points.size() when the chart shows a sample
    std::string xTitle, yTitle, note;
};

struct ChartData {
    ChartKind kind = ChartKind::None;
    std::string table;  // the table or query charted
    std::vector<ChartPage> pages;
    std::string unavailable;  // why there is no chart, when the table has none to give
};

// The chart's own title: the table, the field and the group (or the group
// fields the boxes stand for).
std::string ChartTitle(const ChartData& data, const ChartPage& page);
// A file name for a saved picture of the page, made of the table, field and
// group, safe on any file system; the extension is left to the caller.
std::string ChartFileStem(const ChartData& data, const ChartPage& page);

// Above this many points a scatter draws a uniform random sample of them,
// drawn with this seed, so the same table always gives the same picture.
inline constexpr std::size_t kMaxScatterPoints = 20000;
inline constexpr std::uint64_t kScatterSeed = 1;
inline constexpr std::size_t kMaxBoxesPerPage = 60;
inline constexpr std::size_t kMaxChartPages = 1000;

// Reads the table (or query) through its columns' layout into the pages a
// user chooses between: one per group and field (a box plot also has a page
// with every box, when there are several fields; a residual table two, the
// observed and the residuals against the fitted values). A box plot is made
// of the table's own quartiles, or, when it lacks them, of quartiles
// computed again from the input of the scenario that writes it; when that
// cannot be done the data says why instead.
dao::Result<ChartData> ReadChartData(dao::Database& db, const std::string& source,
                                     const ChartLayout& layout);

}  // namespace qrv::designer
