// Reading an output table into chart pages. The tables are small except a
// residual table, which has a row per input record: its pages keep a
// uniform random sample of bounded size and count the rest.
#include "designer/viewer/chart_data.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "dataaccess/fold.h"
#include "designer/viewer/chart_quartiles.h"
#include "designer/viewer/chart_sample.h"

namespace qrv::designer {

namespace {

int find(const std::vector<std::string>& columns, std::string_view name) {
    for (size_t i = 0; i < columns.size(); ++i)
        if (dao::iequal(columns[i], name)) return static_cast<int>(i);
    return -1;
}

// The percent of a Describe cut-point column: "Median" is 50, "25_Percentile" 25.
std::optional<double> percentOf(const std::string& column) {
    if (dao::iequal(column, "Median")) return 50.0;
    static constexpr std::string_view kSuffix = "_Percentile";
    if (column.size() <= kSuffix.size() ||
        !dao::iequal(std::string_view(column).substr(column.size() - kSuffix.size()), kSuffix))
        return std::nullopt;
    int p = 0;
    const char* end = column.data() + column.size() - kSuffix.size();
    auto [ptr, ec] = std::from_chars(column.data(), end, p);
    if (ec != std::errc() || ptr != end || p <= 0 || p >= 100) return std::nullopt;
    return static_cast<double>(p);
}

std::string ordinal(int n) {
    const int tens = n % 100, units = n % 10;
    const char* suffix = (tens >= 11 && tens <= 13) ? "th"
                         : units == 1               ? "st"
                         : units == 2               ? "nd"
                         : units == 3               ? "rd"
                                                    : "th";
    return std::to_string(n) + suffix;
}

std::string cutPointName(double percent) {
    if (percent <= 0) return "Minimum";
    if (percent >= 100) return "Maximum";
    return ordinal(static_cast<int>(percent)) + " percentile";
}

std::optional<double> number(const dao::Value& v) {
    if (v.isNull()) return std::nullopt;
    return v.toDouble();
}

std::string shown(const dao::Value& v) {
    return v.isNull() ? std::string("Null") : v.toText();
}

// One group and field of the table.
struct Key {
    std::string field, groups;  // groups: "Grp = a, Sex = F", empty without group fields
    // The values themselves: a Null group and one of the text "Null" read
    // alike but are different groups.
    std::string id;
    std::string groupFields;  // "Grp, Sex"
    std::string valueLines;   // the group values one a line, for a box's label
    std::string title() const { return groups.empty() ? field : field + " (" + groups + ")"; }
};

Key keyOf(const dao::Recordset& rs, const ChartLayout& layout) {
    Key k;
    auto identify = [&k](const dao::Value& v) {
        k.id += v.isNull() ? std::string("\x1f") : '\x1d' + v.toText();
        k.id += '\x1e';
    };
    k.field = shown(rs.GetValue(layout.dataField));
    identify(rs.GetValue(layout.dataField));
    for (int c : layout.groupColumns) {
        if (!k.groups.empty()) {
            k.groups += ", ";
            k.groupFields += ", ";
        }
        k.groups += rs.FieldAt(c).Name + " = " + shown(rs.GetValue(c));
        k.valueLines += (k.valueLines.empty() ? "" : "\n") + shown(rs.GetValue(c));
        k.groupFields += rs.FieldAt(c).Name;
        identify(rs.GetValue(c));
    }
    return k;
}

// Pages in the order their first row appears.
template <class Page>
class Pages {
  public:
    Page* at(const Key& k) {
        auto it = index_.find(k.id);
        if (it != index_.end()) return &pages_[it->second].second;
        if (pages_.size() >= kMaxChartPages) return nullptr;
        index_.emplace(k.id, pages_.size());
        pages_.emplace_back(k, Page{});
        return &pages_.back().second;
    }
    Page* find(const Key& k) {
        auto it = index_.find(k.id);
        return it == index_.end() ? nullptr : &pages_[it->second].second;
    }
    std::vector<std::pair<Key, Page>>& all() { return pages_; }

  private:
    std::unordered_map<std::string, size_t> index_;
    std::vector<std::pair<Key, Page>> pages_;
};

// Six significant digits: borders made by adding widths carry rounding
// noise (44.856500000000004) that would only crowd the axis.
std::string border(const dao::Value& v) {
    if (v.isNull()) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v.asDouble());
    return text;
}

dao::Result<ChartData> readHistogram(dao::Recordset& rs, const ChartLayout& L) {
    struct Bars {
        std::map<double, std::pair<std::string, double>> byInterval;
    };
    Pages<Bars> pages;
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto interval = number(rs.GetValue(L.interval));
        const auto count = number(rs.GetValue(L.count));
        if (!interval || !count) continue;
        Bars* p = pages.at(keyOf(rs, L));
        if (!p) continue;
        const std::string lo = border(rs.GetValue(L.low)), hi = border(rs.GetValue(L.high));
        // Words, not "<" signs, for the outer intervals: chart labels read
        // "<" as the start of markup.
        std::string label;
        if (lo.empty())
            label = L.lowerClosed ? "under " + hi : hi + " or less";
        else if (hi.empty())
            label = L.lowerClosed ? lo + " or more" : "over " + lo;
        else
            label = L.lowerClosed ? "[" + lo + ", " + hi + ")" : "(" + lo + ", " + hi + "]";
        p->byInterval[*interval] = {label, *count};
    }
    ChartData out;
    out.kind = ChartKind::Histogram;
    for (auto& [key, bars] : pages.all()) {
        ChartPage page;
        page.title = key.title();
        page.field = key.field;
        page.group = key.groups;
        for (auto& [interval, bar] : bars.byInterval) {
            page.barLabels.push_back(bar.first);
            page.barHeights.push_back(bar.second);
        }
        page.xTitle = key.field;
        page.yTitle = "Count";
        page.note = L.lowerClosed ? "Each interval includes its lower border."
                                  : "Each interval includes its upper border.";
        out.pages.push_back(std::move(page));
    }
    return out;
}

using CutPages = Pages<std::vector<CutPoint>>;

// What a table's cut points give of a box: all of it (the quartiles, the
// median and whiskers outside them), all but the whiskers, or not the
// quartiles.
enum class BoxParts { Whole, NoWhiskers, NoQuartiles };

BoxParts partsOf(const std::vector<CutPoint>& points) {
    auto has = [&](double p) {
        return std::any_of(points.begin(), points.end(),
                           [p](const CutPoint& c) { return c.percent == p; });
    };
    if (!has(25) || !has(50) || !has(75)) return BoxParts::NoQuartiles;
    auto byPercent = [](const CutPoint& a, const CutPoint& b) { return a.percent < b.percent; };
    const bool whiskers = std::min_element(points.begin(), points.end(), byPercent)->percent < 25 &&
                          std::max_element(points.begin(), points.end(), byPercent)->percent > 75;
    return whiskers ? BoxParts::Whole : BoxParts::NoWhiskers;
}

// The cut points of a row of a table shaped as Describe's.
std::vector<CutPoint> describeCuts(const dao::Recordset& rs, const ChartLayout& L) {
    std::vector<CutPoint> points;
    auto add = [&](int column, double percent) {
        if (column < 0) return;
        if (auto v = number(rs.GetValue(column))) points.push_back({percent, *v});
    };
    add(L.minimum, 0);
    add(L.maximum, 100);
    for (auto& [percent, column] : L.percentColumns) add(column, percent);
    return points;
}

// One box per group and field. A table may repeat a group's statistics on
// several rows (K-S Fit writes one per fitted distribution): the first row
// with numbers makes the box and the repeats add none, so no group gets a
// second box that the axis would name after the next group.
void readDescribeCuts(dao::Recordset& rs, const ChartLayout& L, CutPages& pages) {
    for (; !rs.Eof(); rs.MoveNext()) {
        std::vector<CutPoint> points = describeCuts(rs, L);
        if (points.empty()) continue;
        std::vector<CutPoint>* box = pages.at(keyOf(rs, L));
        if (box && box->empty()) *box = std::move(points);
    }
}

void readPercentileCuts(dao::Recordset& rs, const ChartLayout& L, CutPages& pages) {
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto percent = number(rs.GetValue(L.percent));
        const auto value = number(rs.GetValue(L.value));
        if (!percent || !value) continue;
        if (auto* p = pages.at(keyOf(rs, L))) p->push_back({*percent, *value});
    }
}

std::optional<double> cutAt(const std::vector<CutPoint>& points, double percent) {
    for (const CutPoint& c : points)
        if (c.percent == percent) return c.value;
    return std::nullopt;
}

// Puts quartiles computed from the writing scenario's input in place of the
// table's cut points; the reason when they cannot be had or do not belong
// to the table (its input changed since it was written).
std::string recompute(dao::Database& db, const std::string& source, CutPages& table,
                      std::string& input) {
    CutPages computed;
    std::string why = RecomputeQuartiles(db, source, &input, [&](dao::Recordset& rs) {
        std::vector<std::string> names;
        for (int i = 0; i < rs.FieldCount(); ++i) names.push_back(rs.FieldAt(i).Name);
        readDescribeCuts(rs, DetectChart(names), computed);
    });
    if (!why.empty()) return why;
    const std::string stale =
        "The input [" + input + "] no longer gives this table; run its scenario again.";
    for (auto& [key, points] : table.all()) {
        const std::vector<CutPoint>* fresh = computed.find(key);
        if (!fresh || partsOf(*fresh) != BoxParts::Whole) return stale;
        // What the table has of the same cut points must agree.
        for (const CutPoint& c : points) {
            const auto now = cutAt(*fresh, c.percent);
            if (now && *now != c.value) return stale;
        }
        points = *fresh;
    }
    return {};
}

// computed: what was computed again and from which input, for the note.
ChartData boxPages(CutPages& cuts, const std::string& computed) {
    ChartData out;
    out.kind = ChartKind::BoxPlot;
    struct Made {
        Key key;
        BoxStats box;
    };
    std::vector<Made> made;
    std::vector<std::string> fields;
    for (auto& [key, points] : cuts.all()) {
        auto box = BoxFromCutPoints(points);
        if (!box || box->estimated) continue;
        made.push_back({key, *box});
        if (std::find(fields.begin(), fields.end(), key.field) == fields.end())
            fields.push_back(key.field);
    }
    const std::string groupFields = made.empty() ? std::string() : made.front().key.groupFields;
    auto addPage = [&](const std::string& title, bool allFields, const std::string& field) {
        ChartPage page;
        page.title = title;
        page.field = allFields ? "all fields" : field;
        page.group = groupFields;
        for (const Made& m : made) {
            if (!allFields && m.key.field != field) continue;
            if (page.boxes.size() >= kMaxBoxesPerPage) break;
            BoxStats b = m.box;
            // The axis title names the group fields: a label on the axis
            // must be short to be read whole.
            if (allFields) {
                b.label = m.key.field;
                b.series = m.key.groups;
            } else {
                b.label = m.key.groups.empty() ? m.key.field : m.key.valueLines;
            }
            page.boxes.push_back(std::move(b));
        }
        page.xTitle = allFields || groupFields.empty() ? "Field" : groupFields;
        page.yTitle = allFields ? "Value" : field;
        if (!page.boxes.empty()) {
            const BoxStats& b = page.boxes.front();
            page.note = "Whiskers from the " + b.lowName + " to the " + b.highName +
                        "; the box from the 25th to the 75th percentile, the line at the median.";
            if (!computed.empty()) page.note += " " + computed;
        }
        out.pages.push_back(std::move(page));
    };
    if (fields.size() > 1) addPage("All fields", true, {});
    for (const std::string& f : fields) addPage(f, false, f);
    return out;
}

dao::Result<ChartData> readBoxes(dao::Database& db, const std::string& source, dao::Recordset& rs,
                                 const ChartLayout& L) {
    CutPages cuts;
    if (L.percent >= 0)
        readPercentileCuts(rs, L, cuts);
    else
        readDescribeCuts(rs, L, cuts);
    rs.Close();
    BoxParts lacking = BoxParts::Whole;
    for (auto& [key, points] : cuts.all()) lacking = std::max(lacking, partsOf(points));
    if (lacking == BoxParts::Whole) return boxPages(cuts, {});
    std::string input;
    if (std::string why = recompute(db, source, cuts, input); !why.empty()) {
        ChartData none;
        none.kind = ChartKind::BoxPlot;
        none.unavailable =
            lacking == BoxParts::NoQuartiles
                ? "A box plot needs the quartiles of each group. This table does not hold them "
                  "(Describe and Percentiles write them with the Quartiles option), and they "
                  "could not be computed: " +
                      why
                : "A box plot needs the smallest and largest value of each group. This table "
                  "does not hold them, and they could not be computed: " +
                      why;
        return none;
    }
    return boxPages(cuts,
                    std::string("The table holds no ") +
                        (lacking == BoxParts::NoQuartiles ? "quartiles" : "minimum and maximum") +
                        ": the boxes are computed from [" + input +
                        "] with its scenario's fields, groups, weight and ignore rule.");
}

struct Observation {
    double fitted, observed, residual;
};

dao::Result<ChartData> readScatter(dao::Recordset& rs, const ChartLayout& L) {
    struct Cloud {
        ReservoirSample<Observation> sample{kMaxScatterPoints, kScatterSeed};
        double low = 0, high = 0;  // of every fitted value, sampled or not
    };
    Pages<Cloud> clouds;
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto y = number(rs.GetValue(L.y));
        const auto fitted = number(rs.GetValue(L.estimated));
        if (!y || !fitted) continue;
        Cloud* c = clouds.at(keyOf(rs, L));
        if (!c) continue;
        const auto residual = number(rs.GetValue(L.residual));
        c->low = c->sample.seen() ? std::min(c->low, *fitted) : *fitted;
        c->high = c->sample.seen() ? std::max(c->high, *fitted) : *fitted;
        c->sample.add({*fitted, *y, residual ? *residual : *y - *fitted});
    }
    ChartData out;
    out.kind = ChartKind::Scatter;
    const std::string yName = rs.FieldAt(L.y).Name.substr(2);  // after "Y:"
    for (auto& [key, cloud] : clouds.all()) {
        for (ScatterPlot plot : {ScatterPlot::Observed, ScatterPlot::Residuals}) {
            const bool observed = plot == ScatterPlot::Observed;
            ChartPage page;
            page.plot = plot;
            page.field = key.field;
            page.group = key.groups;
            page.title = yName + " on " + key.title() +
                         (observed ? ", observed against fitted" : ", residuals against fitted");
            for (const Observation& o : cloud.sample.items())
                page.points.emplace_back(o.fitted, observed ? o.observed : o.residual);
            page.line = {{cloud.low, observed ? cloud.low : 0.0},
                         {cloud.high, observed ? cloud.high : 0.0}};
            page.pointsInTable = static_cast<long>(cloud.sample.seen());
            page.xTitle = "Fitted " + yName;
            page.yTitle = observed ? "Observed " + yName : "Residual";
            if (cloud.sample.sampled())
                page.note = "A random sample of " + std::to_string(page.points.size()) + " of " +
                            std::to_string(page.pointsInTable) + " points (seed " +
                            std::to_string(kScatterSeed) + ").";
            out.pages.push_back(std::move(page));
        }
    }
    return out;
}

}  // namespace

ChartLayout DetectChart(const std::vector<std::string>& columns) {
    ChartLayout L;
    L.dataField = find(columns, "DataField");
    if (L.dataField < 0) return L;
    for (int i = 0; i < L.dataField; ++i) L.groupColumns.push_back(i);

    L.interval = find(columns, "Interval");
    L.count = find(columns, "Count");
    const int lowClosed = find(columns, "Low<=Range"), lowOpen = find(columns, "Low<Range");
    const int highOpen = find(columns, "Range<High"), highClosed = find(columns, "Range<=High");
    if (L.interval >= 0 && L.count >= 0 && lowClosed >= 0 && highOpen >= 0) {
        L.kind = ChartKind::Histogram;
        L.low = lowClosed;
        L.high = highOpen;
        L.lowerClosed = true;
        return L;
    }
    if (L.interval >= 0 && L.count >= 0 && lowOpen >= 0 && highClosed >= 0) {
        L.kind = ChartKind::Histogram;
        L.low = lowOpen;
        L.high = highClosed;
        L.lowerClosed = false;
        return L;
    }

    L.x = find(columns, "X_Value");
    L.estimated = find(columns, "Estimated_Y");
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].size() > 2 && columns[i].compare(0, 2, "Y:") == 0) {
            L.y = static_cast<int>(i);
            break;
        }
    L.residual = find(columns, "Residual");
    if (L.x >= 0 && L.y >= 0 && L.estimated >= 0 && L.residual >= 0) {
        L.kind = ChartKind::Scatter;
        return L;
    }

    L.percent = find(columns, "Percentile");
    L.value = find(columns, "Value");
    if (L.percent >= 0 && L.value >= 0) {
        L.kind = ChartKind::BoxPlot;
        return L;
    }
    L.percent = L.value = -1;
    L.x = L.y = L.estimated = L.residual = -1;

    if (L.count < 0 || find(columns, "Mean") < 0) return L;
    L.minimum = find(columns, "Minimum");
    L.maximum = find(columns, "Maximum");
    for (size_t i = 0; i < columns.size(); ++i)
        if (auto p = percentOf(columns[i])) L.percentColumns.emplace_back(*p, static_cast<int>(i));
    if ((L.minimum >= 0 && L.maximum >= 0) || !L.percentColumns.empty())
        L.kind = ChartKind::BoxPlot;
    return L;
}

std::optional<BoxStats> BoxFromCutPoints(std::vector<CutPoint> points) {
    if (points.empty()) return std::nullopt;
    std::stable_sort(points.begin(), points.end(),
                     [](const CutPoint& a, const CutPoint& b) { return a.percent < b.percent; });
    BoxStats b;
    b.low = points.front().value;
    b.high = points.back().value;
    b.lowName = cutPointName(points.front().percent);
    b.highName = cutPointName(points.back().percent);
    auto at = [&](double p) {
        for (const CutPoint& c : points)
            if (c.percent == p) return c.value;
        b.estimated = true;
        if (p <= points.front().percent) return points.front().value;
        if (p >= points.back().percent) return points.back().value;
        size_t i = 1;
        while (points[i].percent < p) ++i;
        const CutPoint &a = points[i - 1], &c = points[i];
        return a.value + (c.value - a.value) * (p - a.percent) / (c.percent - a.percent);
    };
    b.q1 = at(25);
    b.median = at(50);
    b.q3 = at(75);
    return b;
}

dao::Result<ChartData> ReadChartData(dao::Database& db, const std::string& source,
                                     const ChartLayout& layout) {
    if (layout.kind == ChartKind::None) return ChartData{};
    auto rs = db.OpenRecordset(source, 0, dao::dbReadOnly);
    if (!rs) return rs.error();
    dao::Result<ChartData> out = ChartData{};
    switch (layout.kind) {
        case ChartKind::Histogram:
            out = readHistogram(*rs, layout);
            break;
        case ChartKind::Scatter:
            out = readScatter(*rs, layout);
            break;
        case ChartKind::BoxPlot:
            out = readBoxes(db, source, *rs, layout);
            break;
        case ChartKind::None:
            break;
    }
    if (out) out->table = source;
    return out;
}

std::string ChartTitle(const ChartData& data, const ChartPage& page) {
    std::string what = page.title;
    if (data.kind == ChartKind::BoxPlot)
        what = page.field + (page.group.empty() ? std::string() : " by " + page.group);
    return data.table.empty() ? what : data.table + ": " + what;
}

std::string ChartFileStem(const ChartData& data, const ChartPage& page) {
    std::string stem;
    bool gap = false;
    for (const std::string& part :
         {data.table, page.field, page.group,
          std::string(data.kind == ChartKind::Scatter && page.plot == ScatterPlot::Residuals
                          ? "residuals"
                          : "")}) {
        for (unsigned char c : part) {
            // Letters of any script stay; what a file system or a shell
            // treats specially becomes one underscore.
            const bool keep = std::isalnum(c) || c == '-' || c == '.' || c >= 0x80;
            if (!keep) {
                gap = !stem.empty();
                continue;
            }
            if (gap) stem += '_';
            gap = false;
            stem += static_cast<char>(c);
        }
        gap = !stem.empty();
    }
    // Within the name lengths of every file system, not cutting a letter apart.
    size_t end = std::min<size_t>(stem.size(), 120);
    while (end > 0 && end < stem.size() && (static_cast<unsigned char>(stem[end]) & 0xC0) == 0x80)
        --end;
    stem.resize(end);
    while (!stem.empty() && stem.front() == '.') stem.erase(0, 1);
    return stem.empty() ? "chart" : stem;
}

}  // namespace qrv::designer
