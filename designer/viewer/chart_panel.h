// The chart side of a table viewer: a choice of page (group and field), the
// chart itself with its title, axis names and a note saying what it shows
// drawn into it (so a saved picture keeps them), and "Save Chart..." to
// write it as a PNG or SVG picture. A table whose chart cannot be made
// honestly shows the reason instead.
#pragma once

#include <QWidget>
#include <string>

#include "designer/viewer/chart_data.h"

class QChart;
class QChartView;
class QComboBox;
class QGraphicsTextItem;
class QLabel;
class QPushButton;
class QString;

namespace qrv {
class Prompter;
}

namespace qrv::designer {

class ChartPanel final : public QWidget {
    Q_OBJECT
  public:
    // prompter tells the user when a save fails.
    ChartPanel(ChartData data, Prompter& prompter, QWidget* parent = nullptr);
    ~ChartPanel() override;

    const ChartData& Data() const { return data_; }
    int CurrentPage() const { return page_; }
    void ShowPage(int page);
    QChart* Chart() const;
    QChartView* View() const { return view_; }
    // The note drawn at the foot of the chart; empty when the page has none.
    QString ChartNote() const;
    // The message shown instead of a chart (why there is none), else empty.
    QString Message() const;
    // The file name Save Chart proposes: table, field and group, ".png".
    QString ProposedFileName() const;

    // Writes the chart to path: SVG when the name ends in ".svg", else PNG.
    // The file appears whole or not at all; the reason in *error on failure.
    bool SaveChart(const QString& path, QString* error = nullptr);

  private slots:
    void onSaveClicked();

  private:
    QChart* buildChart(const ChartPage& page) const;
    // Keeps the note inside the chart's foot as the chart is resized.
    void placeNote();
    QString pictureTitle() const;

    ChartData data_;
    Prompter& prompter_;
    int page_ = -1;
    QComboBox* pages_ = nullptr;
    QChartView* view_ = nullptr;
    QLabel* message_ = nullptr;
    QGraphicsTextItem* noteItem_ = nullptr;  // owned by the chart
    QPushButton* save_ = nullptr;
};

}  // namespace qrv::designer
