// Drawing chart pages with Qt Charts and saving them as pictures.
#include "designer/viewer/chart_panel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QGraphicsTextItem>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <set>

#include "designer/app_state.h"
#include "errors/prompter.h"

namespace qrv::designer {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Room around the data so points on the edge are not cut.
void pad(QValueAxis* axis, double lo, double hi) {
    if (lo > hi) return;
    const double span = hi - lo;
    const double margin = span > 0 ? span * 0.05 : (lo != 0 ? std::abs(lo) * 0.05 : 1);
    axis->setRange(lo - margin, hi + margin);
    axis->applyNiceNumbers();
    // Round numbers that would leave most of the axis empty are not worth it.
    if (axis->max() - axis->min() > 1.5 * (span + 2 * margin))
        axis->setRange(lo - margin, hi + margin);
}

// A category axis keeps only the first of equal names, and every bar or box
// after it would then stand over the next one's name: equal names are told
// apart by a number.
QStringList distinct(const QStringList& labels) {
    QStringList out;
    for (const QString& label : labels) {
        QString name = label;
        for (int n = 2; out.contains(name); ++n) name = label + " (" + QString::number(n) + ")";
        out << name;
    }
    return out;
}

// A picture as big as the chart on screen, and never smaller than a page
// a reader can use when the chart has not been laid out yet.
QSize pictureSize(const QWidget* w) {
    return w->size().expandedTo(QSize(800, 560));
}

// Text for an axis or legend, which read rich text: lines one under another.
QString richLines(const std::string& text) {
    QStringList lines = q(text).split('\n');
    for (QString& line : lines) line = line.toHtmlEscaped();
    return lines.join("<br>");
}

// The boxes of a page. Where every group has a box of every field (the
// page of all fields), each group is a series of its own colour, named in
// the legend, with its boxes side by side over the field names; otherwise
// one series, each box over its own name.
void addBoxes(QChart* chart, const ChartPage& page) {
    QStringList categories, names;
    std::set<std::pair<std::string, std::string>> placed;
    bool grouped = false;
    double lo = 0, hi = 0;
    for (size_t i = 0; i < page.boxes.size(); ++i) {
        const BoxStats& b = page.boxes[i];
        if (!categories.contains(richLines(b.label))) categories << richLines(b.label);
        if (!names.contains(richLines(b.series))) names << richLines(b.series);
        placed.insert({b.label, b.series});
        grouped = grouped || !b.series.empty();
        lo = i == 0 ? b.low : std::min(lo, b.low);
        hi = i == 0 ? b.high : std::max(hi, b.high);
    }
    const size_t cells = static_cast<size_t>(categories.size() * names.size());
    grouped = grouped && placed.size() == page.boxes.size() && cells == page.boxes.size();
    std::vector<QBoxPlotSeries*> series;
    if (grouped) {
        for (const QString& name : names) {
            auto* s = new QBoxPlotSeries;
            s->setName(name);
            for (const QString& category : categories)
                for (const BoxStats& b : page.boxes)
                    if (richLines(b.label) == category && richLines(b.series) == name)
                        s->append(new QBoxSet(b.low, b.q1, b.median, b.q3, b.high, category));
            series.push_back(s);
        }
    } else {
        categories.clear();
        for (const BoxStats& b : page.boxes)
            categories << richLines(b.series.empty() ? b.label : b.label + "\n" + b.series);
        categories = distinct(categories);
        auto* s = new QBoxPlotSeries;
        for (size_t i = 0; i < page.boxes.size(); ++i) {
            const BoxStats& b = page.boxes[i];
            s->append(new QBoxSet(b.low, b.q1, b.median, b.q3, b.high,
                                  categories[static_cast<qsizetype>(i)]));
        }
        series.push_back(s);
    }
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setTitleText(q(page.xTitle));
    if (categories.size() > 8) x->setLabelsAngle(-60);
    auto* y = new QValueAxis;
    pad(y, lo, hi);
    y->setTitleText(q(page.yTitle));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QBoxPlotSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    if (grouped)
        chart->legend()->setAlignment(Qt::AlignBottom);
    else
        chart->legend()->hide();
}

}  // namespace

ChartPanel::ChartPanel(ChartData data, Prompter& prompter, QWidget* parent)
    : QWidget(parent), data_(std::move(data)), prompter_(prompter) {
    setObjectName("chartPanel");
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(tr("&Show:"), this);
    pages_ = new QComboBox(this);
    pages_->setObjectName("cboChartPage");
    pages_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    pages_->setMinimumContentsLength(20);
    label->setBuddy(pages_);
    for (const ChartPage& p : data_.pages) pages_->addItem(q(p.title));
    save_ = new QPushButton(tr("&Save Chart..."), this);
    save_->setObjectName("cmdSaveChart");
    top->addWidget(label);
    top->addWidget(pages_, 1);
    top->addStretch();
    top->addWidget(save_);

    view_ = new QChartView(this);
    view_->setObjectName("chartView");
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(320, 240);
    message_ = new QLabel(this);
    message_->setObjectName("lblChartMessage");
    message_->setWordWrap(true);
    message_->setMargin(12);
    message_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(message_, 1);

    connect(pages_, &QComboBox::currentIndexChanged, this, &ChartPanel::ShowPage);
    connect(save_, &QPushButton::clicked, this, &ChartPanel::onSaveClicked);
    save_->setEnabled(!data_.pages.empty());
    if (data_.pages.empty()) {
        message_->setText(data_.unavailable.empty() ? tr("The table has no rows to chart.")
                                                    : q(data_.unavailable));
        view_->setChart(new QChart);
        view_->hide();
        pages_->setEnabled(false);
    } else {
        message_->hide();
        ShowPage(0);
    }
}

ChartPanel::~ChartPanel() {
    // The chart outlives this part of the panel: it must not call back.
    if (QChart* chart = view_->chart()) chart->disconnect(this);
}

QString ChartPanel::ChartNote() const {
    return noteItem_ ? noteItem_->toPlainText() : QString();
}

QString ChartPanel::pictureTitle() const {
    if (page_ < 0) return {};
    return q(ChartTitle(data_, data_.pages[static_cast<size_t>(page_)]));
}

QString ChartPanel::Message() const {
    return message_->isHidden() ? QString() : message_->text();
}

QString ChartPanel::ProposedFileName() const {
    if (page_ < 0) return "chart.png";
    return q(ChartFileStem(data_, data_.pages[static_cast<size_t>(page_)])) + ".png";
}

QChart* ChartPanel::Chart() const {
    return view_->chart();
}

void ChartPanel::ShowPage(int page) {
    if (page < 0 || page >= static_cast<int>(data_.pages.size()) || page == page_) return;
    page_ = page;
    if (pages_->currentIndex() != page) pages_->setCurrentIndex(page);
    QChart* old = view_->chart();
    const ChartPage& shown = data_.pages[static_cast<size_t>(page)];
    QChart* chart = buildChart(shown);
    noteItem_ = nullptr;
    if (!shown.note.empty()) {
        // A child of the chart, so that grabbing or rendering the view
        // draws it with the chart.
        noteItem_ = new QGraphicsTextItem(q(shown.note), chart);
        QFont font = noteItem_->font();
        font.setPointSizeF(font.pointSizeF() * 0.9);
        noteItem_->setFont(font);
        connect(chart, &QChart::geometryChanged, this, &ChartPanel::placeNote);
    }
    view_->setChart(chart);
    delete old;  // setChart leaves the old chart to its caller
    placeNote();
}

void ChartPanel::placeNote() {
    if (!noteItem_) return;
    QChart* chart = view_->chart();
    const QRectF area = chart->rect();
    constexpr qreal side = 12;
    noteItem_->setTextWidth(std::max<qreal>(area.width() - 2 * side, 100));
    const qreal height = noteItem_->boundingRect().height();
    noteItem_->setPos(area.left() + side, area.bottom() - height - 4);
    QMargins m = chart->margins();
    const int foot = static_cast<int>(std::ceil(height)) + 4;
    if (m.bottom() != foot) {
        m.setBottom(foot);
        chart->setMargins(m);
    }
}

QChart* ChartPanel::buildChart(const ChartPage& page) const {
    auto* chart = new QChart;
    // Rich text: the table's names must not be read as markup.
    chart->setTitle(q(ChartTitle(data_, page)).toHtmlEscaped());
    switch (data_.kind) {
        case ChartKind::Histogram: {
            auto* set = new QBarSet(q(page.yTitle));
            QStringList labels;
            double top = 0;
            for (size_t i = 0; i < page.barHeights.size(); ++i) {
                *set << page.barHeights[i];
                // An interval's two borders on two lines: on one they are cut
                // short as soon as there are a few bars.
                labels << q(page.barLabels[i]).toHtmlEscaped().replace(", ", ",<br>");
                top = std::max(top, page.barHeights[i]);
            }
            auto* series = new QBarSeries;
            series->setBarWidth(0.95);  // a histogram's bars touch
            series->append(set);
            chart->addSeries(series);
            auto* x = new QBarCategoryAxis;
            x->append(distinct(labels));
            x->setTitleText(q(page.xTitle));
            if (labels.size() > 8) x->setLabelsAngle(-60);
            auto* y = new QValueAxis;
            y->setRange(0, top > 0 ? top * 1.05 : 1);
            y->applyNiceNumbers();
            y->setTitleText(q(page.yTitle));
            chart->addAxis(x, Qt::AlignBottom);
            chart->addAxis(y, Qt::AlignLeft);
            series->attachAxis(x);
            series->attachAxis(y);
            chart->legend()->hide();
            break;
        }
        case ChartKind::BoxPlot:
            addBoxes(chart, page);
            break;
        case ChartKind::Scatter: {
            const bool observed = page.plot == ScatterPlot::Observed;
            auto* dots = new QScatterSeries;
            dots->setName(observed ? tr("Observed") : tr("Residual"));
            // Markers without outlines, smaller and see-through as points
            // grow many: where they crowd, the cloud grows darker, not white.
            const size_t n = page.points.size();
            dots->setMarkerSize(n <= 500 ? 7 : n <= 5000 ? 5 : 4);
            dots->setColor(QColor(31, 92, 168, n <= 500 ? 255 : n <= 5000 ? 140 : 60));
            dots->setPen(QPen(Qt::NoPen));
            double xlo = 0, xhi = 0, ylo = 0, yhi = 0;
            bool any = false;
            auto widen = [&](double x, double y) {
                xlo = any ? std::min(xlo, x) : x;
                xhi = any ? std::max(xhi, x) : x;
                ylo = any ? std::min(ylo, y) : y;
                yhi = any ? std::max(yhi, y) : y;
                any = true;
            };
            QList<QPointF> points;
            points.reserve(static_cast<qsizetype>(page.points.size()));
            for (auto& [x, y] : page.points) {
                points.append(QPointF(x, y));
                widen(x, y);
            }
            dots->replace(points);
            auto* line = new QLineSeries;
            line->setName(observed ? tr("Observed = fitted") : tr("Zero residual"));
            QList<QPointF> ends;
            for (auto& [x, y] : page.line) {
                ends.append(QPointF(x, y));
                widen(x, y);
            }
            line->replace(ends);
            line->setPen(QPen(QColor(200, 40, 40), 2));
            chart->addSeries(dots);
            chart->addSeries(line);
            auto* x = new QValueAxis;
            auto* y = new QValueAxis;
            pad(x, xlo, xhi);
            pad(y, ylo, yhi);
            x->setTitleText(q(page.xTitle));
            y->setTitleText(q(page.yTitle));
            chart->addAxis(x, Qt::AlignBottom);
            chart->addAxis(y, Qt::AlignLeft);
            for (QAbstractSeries* s :
                 {static_cast<QAbstractSeries*>(dots), static_cast<QAbstractSeries*>(line)}) {
                s->attachAxis(x);
                s->attachAxis(y);
            }
            chart->legend()->setAlignment(Qt::AlignBottom);
            break;
        }
        case ChartKind::None:
            break;
    }
    return chart;
}

bool ChartPanel::SaveChart(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!isVisible() || view_->width() < 200) view_->resize(pictureSize(view_));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (path.endsWith(".svg", Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(view_->size());
        svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
        svg.setTitle(pictureTitle());
        svg.setDescription(ChartNote());
        QPainter painter;
        if (!painter.begin(&svg)) return fail(tr("The SVG picture could not be started."));
        view_->render(&painter);
        painter.end();
    } else {
        QImage image = view_->grab().toImage();
        // Searchable in the file, as the SVG's title is.
        image.setText("Title", pictureTitle());
        if (!ChartNote().isEmpty()) image.setText("Description", ChartNote());
        if (image.isNull() || !image.save(&file, "PNG"))
            return fail(tr("The PNG picture could not be written."));
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

void ChartPanel::onSaveClicked() {
    QString filter;
    QString path =
        QFileDialog::getSaveFileName(this, tr("Save Chart"), ProposedFileName(),
                                     tr("PNG image (*.png);;SVG image (*.svg)"), &filter);
    if (path.isEmpty()) return;
    const bool svg = filter.contains("svg");
    if (!path.endsWith(".png", Qt::CaseInsensitive) && !path.endsWith(".svg", Qt::CaseInsensitive))
        path += svg ? ".svg" : ".png";
    QString why;
    if (!SaveChart(path, &why))
        prompter_.critical(kAppTitle, "The chart could not be saved to " + path.toStdString() +
                                          ": " + why.toStdString());
}

}  // namespace qrv::designer
