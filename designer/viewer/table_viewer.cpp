// Opening a table viewer: the two messages for a table that cannot be
// opened, the grid over the lazy model with its row count, the header's
// decimals menu, and the chart tab.
#include "designer/viewer/table_viewer.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "dataaccess/error.h"
#include "dataaccess/fold.h"
#include "designer/app_state.h"
#include "designer/tools/number_format.h"
#include "designer/viewer/chart_panel.h"
#include "designer/viewer/column_fitter.h"
#include "designer/viewer/recordset_model.h"

namespace qrv::designer {

namespace {

constexpr const char* kCrLf = "\r\n";
// Offered first when a column still shows its shortest form.
constexpr int kDefaultDecimals = 2;

// Tells the user why name cannot be shown; the message as text for the caller.
std::string tellOpenFailure(AppState& app, const std::string& name, const dao::Error& e) {
    if (e.number == dao::err::kInputTableNotFound) {
        std::string text = "The table [" + name + "] does not exist in the database. " + kCrLf +
                           kCrLf +
                           "If this is an output table created by running a scenario, you must "
                           "run the " +
                           "scenario first to create the table";
        app.Prompts().inform(kAppTitle, text);
        return text;
    }
    std::string text = "An unexpected error was encountered when attempting to open the table " +
                       std::string("[") + name + "]: " + kCrLf + kCrLf + std::to_string(e.number) +
                       ": " + e.description;
    app.Prompts().critical(kAppTitle, text);
    return text;
}

std::unique_ptr<RecordsetModel> openModel(AppState& app, const std::string& name,
                                          std::string* error) {
    app.Errors().Push("frmDataGrid:ShowTableData");
    dao::Result<std::unique_ptr<RecordsetModel>> m =
        app.HasDatabase() ? RecordsetModel::Open(app.CurrentDatabase(), name)
                          : dao::Result<std::unique_ptr<RecordsetModel>>(
                                dao::makeError(dao::err::kObjectClosed, "Object is closed."));
    std::unique_ptr<RecordsetModel> out;
    if (m) {
        out = std::move(*m);
    } else {
        std::string text = tellOpenFailure(app, name, m.error());
        if (error) *error = std::move(text);
    }
    app.Errors().ExitProcedure();
    return out;
}

// True when caption already ends in the table name, set off from what
// comes before it.
bool endsWithName(const std::string& caption, const std::string& table) {
    if (table.empty() || caption.size() < table.size()) return false;
    const size_t at = caption.size() - table.size();
    if (!dao::iequal(caption.substr(at), table)) return false;
    if (at == 0) return true;
    const std::string before = caption.substr(0, at);
    return before.ends_with("- ") || before.ends_with(": ");
}

std::string groupThousands(long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (auto i = static_cast<long>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), 1, ',');
    return n < 0 ? "-" + digits : digits;
}

}  // namespace

std::string RowCountText(long rows, bool complete) {
    const std::string n = groupThousands(rows);
    if (!complete) return "At least " + n + (rows == 1 ? " row" : " rows");
    return n + (rows == 1 ? " row" : " rows");
}

std::string ViewerCaption(const std::string& caption, const std::string& table) {
    if (caption.empty()) return table;
    if (endsWithName(caption, table)) return caption;
    // A caption that ends in its own separator ("Input table or query - ")
    // takes the name as it is; others are set off with a dash.
    const char last = caption.back();
    if (last == ' ' || last == '-' || last == ':') return caption + table;
    return caption + " - " + table;
}

TableViewer::TableViewer(AppState& app, std::unique_ptr<RecordsetModel> model,
                         const std::string& caption, QWidget* parent)
    : QWidget(parent), app_(app), model_(std::move(model)) {
    setObjectName("frmDataGrid");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(ViewerCaption(caption, model_->Source())));

    grid_ = new QTableView;
    grid_->setObjectName("grdDataGrid");
    grid_->setModel(model_.get());
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setAlternatingRowColors(true);
    grid_->setWordWrap(false);
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row has the same height, so the header never measures rows.
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                const int column = grid_->horizontalHeader()->logicalIndexAt(at);
                if (column < 0) return;
                ColumnMenu(column)->exec(grid_->horizontalHeader()->mapToGlobal(at));
            });
    fitter_ = new ColumnFitter(grid_, model_.get());
    fitter_->FitAll();

    rowCount_ = new QLabel;
    rowCount_->setObjectName("lblRowCount");
    rowCount_->setContentsMargins(6, 2, 6, 2);
    showRowCount();
    connect(model_.get(), &QAbstractItemModel::rowsInserted, this, &TableViewer::showRowCount);
    // The grid and its count make the data page.
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addWidget(grid_, 1);
    pageLayout->addWidget(rowCount_);

    std::vector<std::string> names;
    for (const dao::FieldInfo& f : model_->Fields()) names.push_back(f.Name);
    layout_ = DetectChart(names);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (layout_.kind == ChartKind::None) {
        layout->addWidget(page);
    } else {
        tabs_ = new QTabWidget(this);
        tabs_->setObjectName("tabViewer");
        tabs_->setDocumentMode(true);
        tabs_->addTab(page, tr("&Data"));
        tabs_->addTab(new QWidget, tr("C&hart"));
        layout->addWidget(tabs_);
        connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
            if (i == 1) ShowChart();
        });
    }
}

TableViewer::~TableViewer() {
    // The model goes before the grid that shows it.
    grid_->setModel(nullptr);
}

const std::string& TableViewer::TableName() const {
    return model_->Source();
}

void TableViewer::showRowCount() {
    rowCount_->setText(
        QString::fromStdString(RowCountText(model_->RowsCounted(), model_->RowCountKnown())));
}

void TableViewer::SetColumnDecimals(int column, int decimals) {
    model_->SetDecimals(column, decimals);
    fitter_->Refit(column);
}

std::unique_ptr<QMenu> TableViewer::ColumnMenu(int column) {
    auto menu = std::make_unique<QMenu>(this);
    QAction* decimals = menu->addAction(tr("Decimals..."));
    connect(decimals, &QAction::triggered, this, [this, column] { askDecimals(column); });
    const std::pair<const char*, int> forms[] = {{"15 Significant Digits", kReadableDecimals},
                                                 {"All Digits", kAllDigitsDecimals}};
    for (const auto& [caption, form] : forms) {
        QAction* a = menu->addAction(tr(caption));
        a->setCheckable(true);
        a->setChecked(model_->Decimals(column) == form);
        connect(a, &QAction::triggered, this,
                [this, column, form = form] { SetColumnDecimals(column, form); });
    }
    return menu;
}

void TableViewer::askDecimals(int column) {
    const int now = model_->Decimals(column);
    const QString name = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    bool ok = false;
    const int d =
        QInputDialog::getInt(this, tr("Decimals"), tr("Decimals shown in column %1:").arg(name),
                             now < 0 ? kDefaultDecimals : now, 0, tools::kMaxFixedDecimals, 1, &ok);
    if (ok) SetColumnDecimals(column, d);
}

ChartPanel* TableViewer::ShowChart() {
    if (!tabs_) return nullptr;
    if (!chart_) {
        auto data = ReadChartData(app_.CurrentDatabase(), model_->Source(), layout_);
        ChartData d;
        if (data)
            d = std::move(*data);
        else
            d.kind = layout_.kind;
        chart_ = new ChartPanel(std::move(d), app_.Prompts());
        const QSignalBlocker quiet(tabs_);
        QWidget* placeholder = tabs_->widget(1);
        tabs_->removeTab(1);
        delete placeholder;
        tabs_->addTab(chart_, tr("C&hart"));
    }
    if (tabs_->currentIndex() != 1) tabs_->setCurrentIndex(1);
    return chart_;
}

void TableViewer::ShowGrid() {
    if (tabs_) tabs_->setCurrentIndex(0);
}

void TableViewer::ScrollToEnd() {
    ShowGrid();
    grid_->scrollToBottom();
    fitter_->FitVisibleRows();
}

TableViewerDialog::TableViewerDialog(AppState& app, std::unique_ptr<RecordsetModel> model,
                                     const std::string& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmDataGridDialog");
    viewer_ = new TableViewer(app, std::move(model), caption, this);
    viewer_->setAttribute(Qt::WA_DeleteOnClose, false);  // the dialog owns it
    setWindowTitle(viewer_->windowTitle());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(viewer_, 1);
    layout->addWidget(buttons);
    resize(760, 480);
}

TableViewer* CreateTableViewer(AppState& app, const std::string& name, const std::string& caption,
                               QWidget* parent, std::string* error) {
    auto model = openModel(app, name, error);
    if (!model) return nullptr;
    return new TableViewer(app, std::move(model), caption, parent);
}

std::unique_ptr<TableViewerDialog> CreateTableViewerDialog(AppState& app, const std::string& name,
                                                           const std::string& caption,
                                                           QWidget* parent, std::string* error) {
    auto model = openModel(app, name, error);
    if (!model) return nullptr;
    return std::make_unique<TableViewerDialog>(app, std::move(model), caption, parent);
}

void ShowTableDialog(AppState& app, const std::string& name, const std::string& caption,
                     QWidget* parent) {
    if (auto dialog = CreateTableViewerDialog(app, name, caption, parent)) dialog->exec();
}

std::vector<TableViewer*> FindTableViewers(QWidget* root, const std::string& name) {
    std::vector<TableViewer*> out;
    if (!root) return out;
    for (TableViewer* v : root->findChildren<TableViewer*>())
        if (dao::iequal(v->TableName(), name)) out.push_back(v);
    return out;
}

int CloseTableViewers(QWidget* root, const std::string& name) {
    int closed = 0;
    for (TableViewer* v : FindTableViewers(root, name)) {
        QPointer<TableViewer> guard(v);
        // Let go of the table at once, even if the window closes later.
        v->Model()->ReleaseCursors();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(v->parentWidget())) {
            sub->close();
        } else if (auto* dialog = qobject_cast<TableViewerDialog*>(v->parentWidget())) {
            dialog->reject();
        } else if (guard) {
            v->close();
        }
        ++closed;
    }
    return closed;
}

}  // namespace qrv::designer
