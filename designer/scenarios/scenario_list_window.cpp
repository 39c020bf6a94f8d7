#include "designer/scenarios/scenario_list_window.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "designer/scenarios/duplicate_dialog.h"
#include "designer/scenarios/scenario_list_query.h"
#include "designer/scenarios/scenario_runner.h"
#include "scenario/scenario_author.h"

namespace qrv::designer {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kPositionName = "frmStatMain";
constexpr int kIdRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
// The list's columns that the actions read.
constexpr int kColDescription = 2, kColTable = 3, kColOutput1 = 4, kColOutput2 = 5;

// Sorts the number column as numbers and the others as text without regard
// to case.
class ScenarioItem final : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == 0) return data(0, kIdRole).toInt() < other.data(0, kIdRole).toInt();
        const int c = text(column).compare(other.text(column), Qt::CaseInsensitive);
        if (c != 0) return c < 0;
        return data(0, kIdRole).toInt() < other.data(0, kIdRole).toInt();
    }
};

const char* const kTabCaptions[] = {"Parametric", "Group", "Non-Parametric"};
const char* const kFrameNames[] = {"ogSubType_Parametric", "ogSubType_Group",
                                   "ogSubType_Non_Parametric"};
const char* const kOptionPrefixes[] = {"optParametric_", "optGroup_", "optNonParametric_"};

}  // namespace

ScenarioListWindow::ScenarioListWindow(AppState& app, QWidget* parent)
    : QWidget(parent), app_(app) {
    setObjectName("frmStatMain");
    setWindowTitle("Analysis Scenarios");
    runner_ = new ScenarioRunner(app_, this, this);
    buildFilter();
    buildList();
    buildButtons();
    buildMenu();

    auto* side = new QHBoxLayout;
    side->addWidget(frames_);
    side->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) buttons->addWidget(buttons_[static_cast<size_t>(i)]);
    buttons->addStretch(1);
    buttons->addWidget(buttons_[5]);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(side, 1);
    layout->addLayout(buttons);

    setTabOrder(tabs_, list_);
    // F1 is the frame's: a second F1 here would make the key ambiguous and
    // do nothing at all.
    LoadScenarios();
}

ScenarioListWindow::~ScenarioListWindow() {
    // A run still going ends before this window's parts go; it reports to
    // nothing here any more.
    runner_->disconnect(this);
    delete runner_;
}

void ScenarioListWindow::buildFilter() {
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("tabMain");
    for (const char* caption : kTabCaptions) tabs_->addTab(caption);
    frames_ = new QStackedWidget(this);
    for (int t = 0; t < 3; ++t) {
        auto* frame = new QGroupBox(frames_);
        frame->setObjectName(kFrameNames[t]);
        auto* group = new QButtonGroup(frame);
        auto* column = new QVBoxLayout(frame);
        std::vector<std::string> names = SubtypesOf(kCategories[t]);
        names.insert(names.begin(), kAllSubtypes);
        for (size_t i = 0; i < names.size(); ++i) {
            auto* option =
                new QRadioButton(i == 0 ? "All" : QString::fromStdString(names[i]), frame);
            option->setObjectName(kOptionPrefixes[t] + QString::number(i));
            option->setProperty("subtype", QString::fromStdString(names[i]));
            group->addButton(option, static_cast<int>(i));
            column->addWidget(option);
        }
        column->addStretch(1);
        group->button(0)->setChecked(true);
        connect(group, &QButtonGroup::idClicked, this, [this, group](int id) {
            const std::string chosen =
                group->button(id)->property("subtype").toString().toStdString();
            if (chosen == subtype_) return;
            subtype_ = chosen;
            LoadScenarios();
        });
        groups_.push_back(group);
        frames_->addWidget(frame);
    }
    frames_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) {
        frames_->setCurrentIndex(tab);
        groups_[static_cast<size_t>(tab)]->button(0)->setChecked(true);
        subtype_ = std::string(kAllSubtypes);
        LoadScenarios();
    });
}

void ScenarioListWindow::buildList() {
    list_ = new QTreeWidget(this);
    list_->setObjectName("lvwScenarios");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList captions;
    for (const std::string& c : ListColumnCaptions()) captions << QString::fromStdString(c);
    list_->setHeaderLabels(captions);
    QHeaderView* header = list_->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
        sortColumn_ = column;
        const Qt::SortOrder order = sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder;
        list_->sortItems(column, order);
        list_->header()->setSortIndicatorShown(true);
        list_->header()->setSortIndicator(column, order);
    });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = list_->itemAt(at)) list_->setCurrentItem(item);
        popupMenuAt(at);
    });
    // A double click edits, as Enter does (see eventFilter).
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { EditCurrentScenario(1); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { updateMenu(); });
    list_->installEventFilter(this);
}

bool ScenarioListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods != Qt::NoModifier || !currentItem()) break;
            EditCurrentScenario(1);
            return true;
        case Qt::Key_Delete:
            if (mods != Qt::NoModifier || !currentItem()) break;
            DeleteCurrentScenario();
            return true;
        case Qt::Key_Menu:
        case Qt::Key_F10:
            if (key->key() == Qt::Key_F10 && mods != Qt::ShiftModifier) break;
            if (QTreeWidgetItem* item = currentItem())
                popupMenuAt(list_->visualItemRect(item).bottomLeft());
            else
                popupMenuAt(list_->viewport()->rect().center());
            return true;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void ScenarioListWindow::popupMenuAt(const QPoint& listPoint) {
    // The key and the platform's own context-menu event may both ask.
    if (menu_->isVisible()) return;
    updateMenu();
    menu_->popup(list_->viewport()->mapToGlobal(listPoint));
}

void ScenarioListWindow::updateMenu() {
    // A scenario without a second output table has nothing to view there;
    // without a selection the item says what is needed, as its neighbours do.
    QTreeWidgetItem* item = currentItem();
    if (QAction* a = menu_->findChild<QAction*>("mnuViewOutputTable2"))
        a->setEnabled(!item || !item->text(kColOutput2).trimmed().isEmpty());
}

void ScenarioListWindow::buildButtons() {
    const char* captions[] = {"&New", "&Edit", "Dup&licate", "&Delete", "&Run", "&Help"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName("cmdAction_" + QString::number(i));
        b->setAutoDefault(false);
        buttons_.push_back(b);
    }
    connect(buttons_[0], &QPushButton::clicked, this, &ScenarioListWindow::CreateNewScenario);
    connect(buttons_[1], &QPushButton::clicked, this, [this] { EditCurrentScenario(1); });
    connect(buttons_[2], &QPushButton::clicked, this,
            &ScenarioListWindow::DuplicateCurrentScenario);
    connect(buttons_[3], &QPushButton::clicked, this, &ScenarioListWindow::DeleteCurrentScenario);
    connect(buttons_[4], &QPushButton::clicked, this, &ScenarioListWindow::RunCurrentScenario);
    connect(buttons_[5], &QPushButton::clicked, this, &ScenarioListWindow::ShowHelp);
}

void ScenarioListWindow::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName("mnuRightClick");
    struct Item {
        const char* caption;
        const char* name;
        std::function<void()> act;
    };
    const Item items[] = {
        {"&Run", "mnuRun", [this] { RunCurrentScenario(); }},
        {"&Edit Fields", "mnuEditFields", [this] { EditCurrentScenario(3); }},
        {"Edit &Options", "mnuEditOptions", [this] { EditCurrentScenario(30); }},
        {"Edit Out&put", "mnuEditOutput", [this] { EditCurrentScenario(50); }},
        {"Dup&licate", "mnuDuplicate", [this] { DuplicateCurrentScenario(); }},
        {"&Delete", "mnuDelete", [this] { DeleteCurrentScenario(); }},
        {"&View Data Table", "mnuViewDataTable", [this] { ViewDataTable(); }},
        {"View Output Table &1", "mnuViewOutputTable1", [this] { ViewOutputTable1(); }},
        {"View Output Table &2", "mnuViewOutputTable2", [this] { ViewOutputTable2(); }},
        {"&Generate VB Code", "mnuGenerateCode", [this] { GenerateCode(); }},
        {"&Help", "mnuHelp", [this] { ShowHelp(); }},
    };
    for (const Item& item : items) {
        QAction* a = menu_->addAction(item.caption);
        a->setObjectName(item.name);
        connect(a, &QAction::triggered, this, item.act);
    }
    connect(menu_, &QMenu::aboutToShow, this, [this] { updateMenu(); });
}

// --- Filter and list --------------------------------------------------------------

std::string ScenarioListWindow::Category() const {
    return std::string(1, kCategories[tabs_->currentIndex()]);
}

void ScenarioListWindow::SetCategoryTab(int tab) {
    if (tab < 0 || tab > 2) return;
    if (tab == tabs_->currentIndex()) {
        // Same tab: only the subtype goes back to all.
        SetSubtype(kAllSubtypes);
        return;
    }
    tabs_->setCurrentIndex(tab);
}

bool ScenarioListWindow::SetSubtype(const std::string& subtype) {
    QButtonGroup* group = groups_[static_cast<size_t>(tabs_->currentIndex())];
    for (QAbstractButton* b : group->buttons()) {
        if (b->property("subtype").toString().toStdString() != subtype) continue;
        b->setChecked(true);
        if (subtype_ != subtype) {
            subtype_ = subtype;
            LoadScenarios();
        }
        return true;
    }
    return false;
}

void ScenarioListWindow::LoadScenarios() {
    list_->clear();
    if (!app_.HasDatabase()) return;
    ProcedureScope scope(app_.Errors(), "frmStatMain:LoadScenarios");
    auto rs = app_.CurrentDatabase().OpenRecordset(LoadScenariosSql(Category(), subtype_));
    if (!rs) {
        app_.Errors().HandleError(rs.error().number, rs.error().description);
        return;
    }
    const std::vector<std::string>& columns = ListQueryColumns();
    std::vector<int> at;
    for (const std::string& c : columns) at.push_back(rs->FieldIndex(c));
    QList<QTreeWidgetItem*> items;
    for (; !rs->Eof(); rs->MoveNext()) {
        auto* item = new ScenarioItem;
        for (size_t i = 0; i < columns.size(); ++i)
            if (at[i] >= 0)
                item->setText(static_cast<int>(i),
                              QString::fromStdString(rs->GetValue(at[i]).toText()));
        const auto id = static_cast<std::int32_t>(rs->GetValue(at[0]).asDouble());
        item->setData(0, kIdRole, id);
        item->setData(0, kKeyRole, "S" + QString::number(id));
        items << item;
    }
    rs->Close();
    list_->addTopLevelItems(items);
    if (sortColumn_ >= 0)
        list_->sortItems(sortColumn_, sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
    for (int c = 0; c + 1 < list_->columnCount(); ++c) {
        list_->resizeColumnToContents(c);
        // Some air between columns; a long description or name must not
        // push the rest out of sight.
        const int ch = list_->fontMetrics().averageCharWidth();
        list_->setColumnWidth(c, std::min(list_->columnWidth(c) + 2 * ch, 40 * ch));
    }
}

QTreeWidgetItem* ScenarioListWindow::currentItem() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

std::int32_t ScenarioListWindow::CurrentScenario() const {
    QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, kIdRole).toInt() : 0;
}

bool ScenarioListWindow::SelectScenario(std::int32_t id) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->data(0, kIdRole).toInt() != id) continue;
        list_->setCurrentItem(item);
        item->setSelected(true);
        list_->scrollToItem(item);
        return true;
    }
    list_->clearSelection();
    return false;
}

void ScenarioListWindow::reloadAndSelect(std::int32_t id) {
    LoadScenarios();
    if (id != 0) SelectScenario(id);
}

bool ScenarioListWindow::ShowScenario(std::int32_t id) {
    LoadScenarios();
    if (id == 0 || !app_.HasDatabase()) return false;
    if (SelectScenario(id)) return true;
    std::string category, subtype;
    {
        ProcedureScope scope(app_.Errors(), "frmStatMain:ShowScenario");
        auto rs = app_.CurrentDatabase().OpenRecordset(
            "SELECT Scenario_Analysis_Type, Scenario_Analysis_SubType FROM "
            "usysQuorvaneScenarios WHERE Scenario_ID = " +
            std::to_string(id) + ";");
        if (!rs) {
            app_.Errors().HandleError(rs.error().number, rs.error().description);
            return false;
        }
        if (!rs->Eof()) category = rs->GetValue(0).toText();
        rs->Close();
    }
    const auto* at = std::find(std::begin(kCategories), std::end(kCategories),
                               category.empty() ? '\0' : category[0]);
    if (at == std::end(kCategories)) return false;
    const int tab = static_cast<int>(at - std::begin(kCategories));
    // Another tab, or this tab with another type chosen: all types of its tab.
    if (tab != tabs_->currentIndex())
        tabs_->setCurrentIndex(tab);
    else
        SetSubtype(kAllSubtypes);
    return SelectScenario(id);
}

std::int32_t ScenarioListWindow::needSelection(const std::string& message) {
    const std::int32_t id = CurrentScenario();
    if (id == 0) app_.Prompts().inform(kAppTitle, message);
    return id;
}

bool ScenarioListWindow::scenarioExists(std::int32_t id, bool& exists) {
    auto rs = app_.CurrentDatabase().OpenRecordset(
        "SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = " + std::to_string(id) + ";");
    if (!rs) {
        app_.Errors().HandleError(rs.error().number, rs.error().description);
        return false;
    }
    exists = !rs->Eof();
    rs->Close();
    return true;
}

// --- Actions ----------------------------------------------------------------------

void ScenarioListWindow::afterWizard(const DesignerActions::WizardResult& r, std::int32_t current) {
    if (r.saved && r.scenario != 0)
        ShowScenario(r.scenario);
    else
        reloadAndSelect(current);
    if (r.saved && r.runAfter && r.scenario != 0) RunScenarioTest(r.scenario);
}

void ScenarioListWindow::CreateNewScenario() {
    if (!app_.HasDatabase() || !app_.Actions().runWizard) return;
    std::string type = subtype_;
    if (type == kAllSubtypes) type = SubtypesOf(Category()[0]).front();
    const std::int32_t current = CurrentScenario();
    afterWizard(app_.Actions().runWizard(0, type, 1), current);
}

void ScenarioListWindow::EditCurrentScenario(int page) {
    const std::int32_t id = needSelection("Please select a scenario from the list");
    if (id == 0 || !app_.Actions().runWizard) return;
    bool exists = false;
    {
        ProcedureScope scope(app_.Errors(), "frmStatMain:EditCurrentScenario");
        if (!scenarioExists(id, exists)) return;
    }
    if (!exists) {
        app_.Prompts().inform(kAppTitle, "Scenario not found: " + std::to_string(id));
        LoadScenarios();
        return;
    }
    afterWizard(app_.Actions().runWizard(id, "", page), id);
}

void ScenarioListWindow::DuplicateCurrentScenario() {
    const std::int32_t id = needSelection("Please select a scenario from the list to duplicate");
    if (id == 0) return;
    auto* dialog = new DuplicateDialog(app_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!dialog->SetScenarioID(id)) {
        delete dialog;
        app_.Prompts().inform(kAppTitle, "Error retrieving current scenario information");
        return;
    }
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { ShowScenario(dialog->NewScenarioID()); });
    connect(dialog, &QDialog::rejected, this, [this, id] { reloadAndSelect(id); });
    // Window-modal without a nested event loop: the answer comes by signal.
    dialog->open();
}

void ScenarioListWindow::DeleteCurrentScenario() {
    QTreeWidgetItem* item = currentItem();
    const std::int32_t id = needSelection("Please select a scenario from the list");
    if (id == 0 || !item) return;
    const std::string description = item->text(kColDescription).toStdString();
    if (!app_.Prompts().askDestructive(
            kAppTitle, "Are you sure you want to permanently delete Scenario #" +
                           std::to_string(id) + kCrLf + " (" + description + ")" + "?"))
        return;
    {
        ProcedureScope scope(app_.Errors(), "frmStatMain:DeleteScenario");
        if (dao::Error e = scenario::DeleteScenarios(app_.CurrentDatabase(), {id}))
            app_.Errors().HandleError(e.number, e.description);
    }
    reloadAndSelect(id);
}

void ScenarioListWindow::RunCurrentScenario() {
    const std::int32_t id = needSelection("Please select a scenario from the list.");
    if (id != 0) RunScenarioTest(id);
}

void ScenarioListWindow::RunScenarioTest(std::int32_t id) {
    if (app_.HasDatabase()) runner_->Start(id);
}

void ScenarioListWindow::viewTable(int column, const std::string& caption) {
    QTreeWidgetItem* item = currentItem();
    if (needSelection("Please select a scenario from the list") == 0 || !item) return;
    if (app_.Actions().showTableData)
        app_.Actions().showTableData(item->text(column).toStdString(), caption);
}

void ScenarioListWindow::ViewDataTable() {
    viewTable(kColTable, "Input Data Table");
}

void ScenarioListWindow::ViewOutputTable1() {
    viewTable(kColOutput1, "Scenario Output Table");
}

void ScenarioListWindow::ViewOutputTable2() {
    QTreeWidgetItem* item = currentItem();
    if (item && item->text(kColOutput2).trimmed().isEmpty()) {
        app_.Prompts().inform(kAppTitle, "Scenario #" + std::to_string(CurrentScenario()) +
                                             " has no second output table.");
        return;
    }
    viewTable(kColOutput2, "Scenario Output Table 2");
}

void ScenarioListWindow::GenerateCode() {
    const std::int32_t id = needSelection("Please select a scenario from the list");
    if (id != 0 && app_.Actions().generateCode) app_.Actions().generateCode(id);
}

void ScenarioListWindow::ShowHelp() {
    if (app_.Actions().showHelp) app_.Actions().showHelp();
}

// --- Position ---------------------------------------------------------------------

QWidget* ScenarioListWindow::placedWidget() {
    if (isWindow()) return this;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
    return nullptr;
}

void ScenarioListWindow::restorePosition() {
    QWidget* w = placedWidget();
    if (!w) return;
    const QStringList parts =
        QString::fromStdString(app_.FormPositions().ReadEntry(kPositionName)).split(',');
    if (parts.size() != 4) return;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return;
    }
    if (v[2] < 100 || v[3] < 80) return;  // a size nobody could use
    w->setGeometry(v[0], v[1], v[2], v[3]);
}

void ScenarioListWindow::savePosition() {
    QWidget* w = placedWidget();
    if (!w) return;
    const QRect g = w->geometry();
    app_.FormPositions().WriteEntry(
        kPositionName,
        QString("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()).toStdString());
}

void ScenarioListWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (positionRestored_) return;
    positionRestored_ = true;
    restorePosition();
}

void ScenarioListWindow::closeEvent(QCloseEvent* event) {
    savePosition();
    QWidget::closeEvent(event);
}

}  // namespace qrv::designer
