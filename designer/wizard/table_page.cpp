#include "designer/wizard/table_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "dataaccess/fold.h"
#include "scenario/scenario_author.h"

namespace qrv::designer {

namespace {

enum Tab { kTables = 0, kQueries = 1 };

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return dao::iequal(n, name); });
}

}  // namespace

TablePage::TablePage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent)
    : WizardPage(app, draft, parent) {
    auto* frame = new QGroupBox(QStringLiteral("Analysis Source"));
    tabs_ = new QTabBar;
    tabs_->setObjectName(QStringLiteral("tabTableQuery"));
    tabs_->addTab(QStringLiteral("Table"));
    tabs_->addTab(QStringLiteral("Query"));
    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("lvwTableQuery"));
    list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type")});
    list_->setRootIsDecorated(false);
    list_->setSortingEnabled(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->addWidget(tabs_);
    inFrame->addWidget(list_);

    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("txtTableQuery"));
    auto* nameLabel = new QLabel(tr("&Source:"));
    nameLabel->setBuddy(name_);
    view_ = new QPushButton(QStringLiteral("&View"));
    view_->setObjectName(QStringLiteral("cmdView"));
    view_->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addWidget(nameLabel);
    row->addWidget(name_, 1);
    row->addWidget(view_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(row);

    connect(tabs_, &QTabBar::currentChanged, this, [this] { fillList(); });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) name_->setText(item->text(0));
    });
    // Typed or chosen from the list, the name is the scenario's input at once.
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        nameEdited(text);
        view_->setEnabled(!text.isEmpty());
    });
    connect(view_, &QPushButton::clicked, this, &TablePage::view);
}

QString TablePage::Caption() const {
    return QStringLiteral("Zelk Statistics Table Selection");
}

void TablePage::Load() {
    // InputChoices leaves out the system's and the scenario store's own
    // tables; what is not a stored query among them is a table.
    dao::Database& db = app_.CurrentDatabase();
    const std::vector<std::string> queryNames = db.QueryDefNames();
    tables_.clear();
    queries_.clear();
    for (const std::string& n : scenario::InputChoices(db))
        (contains(queryNames, n) ? queries_ : tables_).push_back(n);
    const QSignalBlocker blockTabs(tabs_);
    tabs_->setCurrentIndex(contains(queries_, draft_.input) ? kQueries : kTables);
    fillList();
    const QSignalBlocker blockName(name_);
    name_->setText(QString::fromStdString(draft_.input));
    view_->setEnabled(!draft_.input.empty());
    emit nextAllowedChanged();
}

bool TablePage::CanGoNext() const {
    return !draft_.input.empty();
}

void TablePage::fillList() {
    const QSignalBlocker block(list_);
    list_->clear();
    const bool queries = tabs_->currentIndex() == kQueries;
    for (const std::string& n : queries ? queries_ : tables_) {
        auto* item = new QTreeWidgetItem(
            list_, {QString::fromStdString(n), queries ? tr("Query") : tr("Table")});
        if (dao::iequal(n, draft_.input)) list_->setCurrentItem(item);
    }
}

void TablePage::nameEdited(const QString& text) {
    const std::string name = text.trimmed().toStdString();
    if (name == draft_.input) return;
    draft_.input = name;
    emit changed();
    emit nextAllowedChanged();
}

void TablePage::view() {
    if (draft_.input.empty()) return;
    if (auto& show = app_.Actions().showTableDialog)
        show(draft_.input, "Input table or query - " + draft_.input);
}

}  // namespace qrv::designer
