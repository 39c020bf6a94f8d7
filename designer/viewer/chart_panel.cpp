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
    note_ = new QLabel(this);
    note_->setObjectName("lblChartNote");
    note_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(note_);

    connect(pages_, &QComboBox::currentIndexChanged, this, &ChartPanel::ShowPage);
    connect(save_, &QPushButton::clicked, this, &ChartPanel::onSaveClicked);
    save_->setEnabled(!data_.pages.empty());
    if (data_.pages.empty()) {
        note_->setText(tr("The table has no rows to chart."));
        view_->setChart(new QChart);
    } else {
        ShowPage(0);
    }
}

QChart* ChartPanel::Chart() const {
    return view_->chart();
}

void ChartPanel::ShowPage(int page) {
    if (page < 0 || page >= static_cast<int>(data_.pages.size()) || page == page_) return;
    page_ = page;
    if (pages_->currentIndex() != page) pages_->setCurrentIndex(page);
    QChart* old = view_->chart();
    view_->setChart(buildChart(data_.pages[static_cast<size_t>(page)]));
    delete old;  // setChart leaves the old chart to its caller
    note_->setText(q(data_.pages[static_cast<size_t>(page)].note));
    note_->setVisible(!note_->text().isEmpty());
}

QChart* ChartPanel::buildChart(const ChartPage& page) const {
    auto* chart = new QChart;
    chart->setTitle(q(page.title));
    switch (data_.kind) {
        case ChartKind::Histogram: {
            auto* set = new QBarSet(q(page.yTitle));
            QStringList labels;
            double top = 0;
            for (size_t i = 0; i < page.barHeights.size(); ++i) {
                *set << page.barHeights[i];
                labels << q(page.barLabels[i]);
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
        case ChartKind::BoxPlot: {
            auto* series = new QBoxPlotSeries;
            QStringList labels;
            double lo = 0, hi = 0;
            for (const BoxStats& b : page.boxes) labels << q(b.label);
            labels = distinct(labels);
            for (size_t i = 0; i < page.boxes.size(); ++i) {
                const BoxStats& b = page.boxes[i];
                series->append(new QBoxSet(b.low, b.q1, b.median, b.q3, b.high,
                                           labels[static_cast<qsizetype>(i)]));
                lo = i == 0 ? b.low : std::min(lo, b.low);
                hi = i == 0 ? b.high : std::max(hi, b.high);
            }
            chart->addSeries(series);
            auto* x = new QBarCategoryAxis;
            x->append(labels);
            if (labels.size() > 6) x->setLabelsAngle(-60);
            auto* y = new QValueAxis;
            pad(y, lo, hi);
            y->setTitleText(q(page.yTitle));
            chart->addAxis(x, Qt::AlignBottom);
            chart->addAxis(y, Qt::AlignLeft);
            series->attachAxis(x);
            series->attachAxis(y);
            chart->legend()->hide();
            break;
        }
        case ChartKind::Scatter: {
            auto* observed = new QScatterSeries;
            observed->setName(tr("Observed"));
            observed->setMarkerSize(9);
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
            for (auto& [x, y] : page.points) {
                points.append(QPointF(x, y));
                widen(x, y);
            }
            observed->replace(points);
            auto* fitted = new QLineSeries;
            fitted->setName(tr("Fitted"));
            QList<QPointF> line;
            for (auto& [x, y] : page.fitted) {
                line.append(QPointF(x, y));
                widen(x, y);
            }
            fitted->replace(line);
            QPen pen = fitted->pen();
            pen.setWidthF(2);
            fitted->setPen(pen);
            chart->addSeries(observed);
            chart->addSeries(fitted);
            auto* x = new QValueAxis;
            auto* y = new QValueAxis;
            pad(x, xlo, xhi);
            pad(y, ylo, yhi);
            x->setTitleText(q(page.xTitle));
            y->setTitleText(q(page.yTitle));
            chart->addAxis(x, Qt::AlignBottom);
            chart->addAxis(y, Qt::AlignLeft);
            for (QAbstractSeries* s :
                 {static_cast<QAbstractSeries*>(observed), static_cast<QAbstractSeries*>(fitted)}) {
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
        svg.setTitle(view_->chart()->title());
        QPainter painter;
        if (!painter.begin(&svg)) return fail(tr("The SVG picture could not be started."));
        view_->render(&painter);
        painter.end();
    } else {
        const QImage image = view_->grab().toImage();
        if (image.isNull() || !image.save(&file, "PNG"))
            return fail(tr("The PNG picture could not be written."));
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

void ChartPanel::onSaveClicked() {
    QString filter;
    QString path = QFileDialog::getSaveFileName(
        this, tr("Save Chart"), QString(), tr("PNG image (*.png);;SVG image (*.svg)"), &filter);
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
