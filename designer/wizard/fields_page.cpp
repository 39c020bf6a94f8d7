#include "designer/wizard/fields_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dataaccess/fold.h"
#include "designer/wizard/ignore_dialog.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"

namespace qrv::designer {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kTypeRole = Qt::UserRole + 1;

// The lists in the order the page shows them: the analysis's own lists
// first, then the group and weight fields every analysis has.
constexpr char kListOrder[] = {'Y', 'X', 'C', 'G', 'W'};

bool numericOnly(char role) {
    return role == 'X' || role == 'Y' || role == 'W';
}

// A transfer button with its key: Alt and the role's letter adds to the
// role's list, Alt+Shift and the letter takes out of it.
QPushButton* transferButton(const QString& text, const QString& name, const QString& tip,
                            const QKeySequence& key) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setShortcut(key);
    b->setToolTip(tip + QStringLiteral(" (%1)").arg(key.toString(QKeySequence::NativeText)));
    b->setAutoDefault(false);
    b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("MMMM")));
    return b;
}

}  // namespace

FieldsPage::FieldsPage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent)
    : WizardPage(app, draft, parent) {
    available_ = new QTreeWidget;
    available_->setObjectName(QStringLiteral("lvwAvailableFields"));
    available_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type")});
    available_->setRootIsDecorated(false);
    available_->installEventFilter(this);
    available_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    available_->header()->setStretchLastSection(false);
    // Room for a typical "Name - (#, Double)" entry without cutting it.
    available_->setMinimumWidth(
        available_->fontMetrics().horizontalAdvance(QStringLiteral("Temperature - (#, Double)")) +
        80);
    connect(available_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { addToFirstList(item); });
    auto* availableLabel = new QLabel(tr("A&vailable Fields"));
    availableLabel->setBuddy(available_);
    auto* left = new QVBoxLayout;
    left->addWidget(availableLabel);
    left->addWidget(available_, 1);

    roleArea_ = new QWidget;
    (new QVBoxLayout(roleArea_))->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(roleArea_, 1);

    auto* ignore = new QPushButton(QStringLiteral("Specify Values to &Ignore"));
    ignore->setObjectName(QStringLiteral("cmdIgnore"));
    ignore->setAutoDefault(false);
    connect(ignore, &QPushButton::clicked, this, &FieldsPage::editIgnore);
    description_ = new QLineEdit;
    description_->setObjectName(QStringLiteral("txtDescription"));
    description_->setMaxLength(255);
    connect(description_, &QLineEdit::textChanged, this, [this](const QString& text) {
        draft_.description = text.toStdString();
        emit changed();
    });
    auto* descriptionLabel = new QLabel(QStringLiteral("Description:"));
    descriptionLabel->setBuddy(description_);
    ignoreRule_ = new QLabel;
    ignoreRule_->setObjectName(QStringLiteral("lblIgnoreRule"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(descriptionLabel);
    bottom->addWidget(description_, 1);
    bottom->addWidget(ignore);
    auto* rule = new QHBoxLayout;
    rule->addStretch(1);
    rule->addWidget(ignoreRule_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    layout->addLayout(rule);
}

QString FieldsPage::Caption() const {
    return QStringLiteral("Zelk Statistics Field Selection");
}

void FieldsPage::Load() {
    LayOutLists();
    readInput();
    fitAssignmentsToInput();
    fillAvailable();
    fillRoleLists();
    const QSignalBlocker block(description_);
    description_->setText(QString::fromStdString(draft_.description));
    showIgnoreRule();
    // A focus mark on the first field, none highlighted yet.
    if (available_->topLevelItemCount() > 0)
        available_->setCurrentItem(available_->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    available_->setFocus();
}

void FieldsPage::LayOutLists() {
    if (builtFor_ != draft_.subtype) buildRoleLists();
}

void FieldsPage::showIgnoreRule() {
    // The rule's words without their leading "values ": "equal to -99".
    std::string rule = scenario::IgnoreRuleText(draft_);
    if (rule.starts_with("values ")) rule.erase(0, 7);
    ignoreRule_->setText(QStringLiteral("Values to ignore: ") + QString::fromStdString(rule));
}

void FieldsPage::buildRoleLists() {
    // The lists differ by analysis: made anew when the analysis has changed.
    delete roleLists_;
    roleLists_ = new QWidget;
    roleArea_->layout()->addWidget(roleLists_);
    lists_.clear();
    builtFor_ = draft_.subtype;
    const scenario::AnalysisType* type = scenario::FindAnalysisType(draft_.subtype);
    if (!type) return;
    auto* grid = new QGridLayout(roleLists_);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    for (char role : kListOrder) {
        const scenario::RoleLimits limits = scenario::RoleLimitsFor(*type, role);
        if (limits.max == 0) continue;
        const QString r(QChar::fromLatin1(role));
        auto* frame = new QGroupBox(QString::fromUtf8(limits.caption));
        frame->setObjectName(QStringLiteral("fraRole_") + r);
        auto* list = new QListWidget;
        list->setObjectName(QStringLiteral("lisRole_") + r);
        list->installEventFilter(this);
        list->setMinimumWidth(
            list->fontMetrics().horizontalAdvance(QStringLiteral("Temperature - (#, Double)")) +
            40);
        // A list of one field needs only a line's height.
        if (limits.max == 1)
            list->setFixedHeight(list->fontMetrics().height() + 4 * list->frameWidth() + 6);
        auto* inFrame = new QVBoxLayout(frame);
        inFrame->addWidget(list);
        const QString caption = QString::fromUtf8(limits.caption);
        const auto letter = static_cast<Qt::Key>(Qt::Key_A + (role - 'A'));
        auto* add = transferButton(QStringLiteral(">"), QStringLiteral("cmdAdd_") + r,
                                   tr("Add the highlighted field to %1").arg(caption),
                                   QKeySequence(Qt::ALT | letter));
        auto* remove = transferButton(QStringLiteral("<"), QStringLiteral("cmdRemove_") + r,
                                      tr("Take the highlighted field out of %1").arg(caption),
                                      QKeySequence(Qt::ALT | Qt::SHIFT | letter));
        connect(add, &QPushButton::clicked, this, [this, role] { addTo(role); });
        connect(remove, &QPushButton::clicked, this, [this, role] { removeFrom(role); });
        auto* buttons = new QVBoxLayout;
        buttons->addStretch();
        buttons->addWidget(add);
        buttons->addWidget(remove);
        buttons->addStretch();
        grid->addLayout(buttons, row, 0);
        grid->addWidget(frame, row, 1);
        grid->setRowStretch(row, limits.max == 1 ? 0 : 1);
        ++row;
        lists_.push_back({role, limits, list});
    }
}

void FieldsPage::readInput() {
    input_.clear();
    inputRead_ = false;
    dao::Database& db = app_.CurrentDatabase();
    std::string name = draft_.input;
    auto fields = scenario::ReadInputFields(db, name);
    if (!fields) {
        const bool query = db.GetQueryDef(draft_.input).ok();
        tell(std::string("Unable to open the specified ") + (query ? "querydef" : "table") + ": '" +
             draft_.input + "'\r\n\r\n" + std::to_string(fields.error().number) + " - " +
             fields.error().description);
        return;
    }
    draft_.input = name;  // as the database spells it
    input_ = std::move(*fields);
    inputRead_ = true;
}

void FieldsPage::fitAssignmentsToInput() {
    // Assignments the analysis has no list for, or (when the input could be
    // read) of fields the input lacks, would only be refused on Next.
    const scenario::AnalysisType* type = scenario::FindAnalysisType(draft_.subtype);
    bool dropped = false;
    std::string gone;  // fields the input no longer has, for the user
    std::vector<scenario::DraftField> kept;
    for (scenario::DraftField f : draft_.fields) {
        const scenario::InputField* in = inputField(f.name);
        if (inputRead_ && !in) gone += (gone.empty() ? "" : ", ") + f.name;
        if (!type || scenario::RoleLimitsFor(*type, f.role).max == 0 || (inputRead_ && !in)) {
            dropped = true;
            continue;
        }
        if (in) f.name = in->name;
        kept.push_back(f);
    }
    if (!dropped) {
        draft_.fields = std::move(kept);
        return;
    }
    if (!gone.empty())
        tell("These fields of the scenario are no longer in [" + draft_.input + "]: " + gone +
             "\r\n\r\nThey have been taken out of the field lists and will be removed from "
             "the scenario when it is saved.");
    // What is left keeps its order within each role, numbered from 1 again.
    std::vector<scenario::DraftField> renumbered;
    for (char role : scenario::kRoles) {
        std::vector<scenario::DraftField> mine;
        for (const scenario::DraftField& f : kept)
            if (f.role == role) mine.push_back(f);
        std::stable_sort(mine.begin(), mine.end(),
                         [](const auto& a, const auto& b) { return a.position < b.position; });
        for (size_t i = 0; i < mine.size(); ++i) {
            mine[i].position = static_cast<int>(i) + 1;
            renumbered.push_back(mine[i]);
        }
    }
    draft_.fields = std::move(renumbered);
    emit changed();
}

void FieldsPage::fillAvailable() {
    available_->clear();
    for (const scenario::InputField& f : input_) {
        const bool assigned =
            std::any_of(draft_.fields.begin(), draft_.fields.end(),
                        [&](const scenario::DraftField& d) { return dao::iequal(d.name, f.name); });
        if (assigned) continue;
        auto* item = new QTreeWidgetItem(
            available_,
            {itemText(f.name), QString::fromStdString(scenario::FieldTypeText(f.type))});
        item->setData(0, kNameRole, QString::fromStdString(f.name));
        item->setData(0, kTypeRole, f.type);
    }
}

void FieldsPage::fillRoleLists() {
    for (RoleList& l : lists_) {
        l.list->clear();
        std::vector<const scenario::DraftField*> mine;
        for (const scenario::DraftField& f : draft_.fields)
            if (f.role == l.role) mine.push_back(&f);
        std::stable_sort(mine.begin(), mine.end(),
                         [](auto* a, auto* b) { return a->position < b->position; });
        for (const scenario::DraftField* f : mine) {
            auto* item = new QListWidgetItem(itemText(f->name), l.list);
            item->setData(kNameRole, QString::fromStdString(f->name));
        }
    }
}

FieldsPage::RoleList* FieldsPage::roleList(char role) {
    for (RoleList& l : lists_)
        if (l.role == role) return &l;
    return nullptr;
}

const scenario::InputField* FieldsPage::inputField(const std::string& name) const {
    for (const scenario::InputField& f : input_)
        if (dao::iequal(f.name, name)) return &f;
    return nullptr;
}

QString FieldsPage::itemText(const std::string& name) const {
    const scenario::InputField* in = inputField(name);
    if (!in) return QString::fromStdString(name);
    return QString::fromStdString(name + " - (" + scenario::FieldTypeText(in->type) + ")");
}

void FieldsPage::addTo(char role) {
    RoleList* l = roleList(role);
    if (!l) return;
    QTreeWidgetItem* item = available_->currentItem();
    if (!item || !item->isSelected()) {
        tell("Please highlight a field.");
        // A focus mark on a field, none highlighted: the arrow keys pick one.
        if (!item && available_->topLevelItemCount() > 0)
            available_->setCurrentItem(available_->topLevelItem(0), 0,
                                       QItemSelectionModel::NoUpdate);
        available_->setFocus();
        return;
    }
    if (numericOnly(role) && !scenario::IsNumericFieldType(item->data(0, kTypeRole).toInt())) {
        tell("Field must be numeric.");
        available_->setFocus();
        return;
    }
    const int row = available_->indexOfTopLevelItem(item);
    if (l->limits.max > 0 && l->list->count() >= l->limits.max) {
        // A list of one field takes the new one in place of the old; a
        // fuller list refuses more than it can hold.
        if (l->limits.max != 1) {
            app_.Prompts().beep();
            return;
        }
        l->list->clear();
    }
    auto* moved = new QListWidgetItem(item->text(0), l->list);
    moved->setData(kNameRole, item->data(0, kNameRole));
    ReSequenceFields();
    fillAvailable();
    selectAvailable(row);
    emit changed();
}

void FieldsPage::selectAvailable(int row) {
    const int n = available_->topLevelItemCount();
    if (n == 0) return;
    QTreeWidgetItem* item = available_->topLevelItem(std::clamp(row, 0, n - 1));
    available_->setCurrentItem(item);
    item->setSelected(true);
}

void FieldsPage::removeFrom(char role) {
    RoleList* l = roleList(role);
    if (!l) return;
    QListWidgetItem* item = l->list->currentItem();
    if (!item || !item->isSelected()) {
        tell("Please highlight a field.");
        // An empty list could show no focus mark: the fields to pick from can.
        if (l->list->count() == 0) {
            available_->setFocus();
            return;
        }
        if (!item) l->list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        l->list->setFocus();
        return;
    }
    const int row = l->list->row(item);
    const QString name = item->data(kNameRole).toString();
    delete item;
    if (l->list->count() > 0) l->list->setCurrentRow(std::min(row, l->list->count() - 1));
    ReSequenceFields();
    fillAvailable();
    // The field is back among the available ones, highlighted there.
    for (int i = 0; i < available_->topLevelItemCount(); ++i)
        if (available_->topLevelItem(i)->data(0, kNameRole).toString() == name) {
            selectAvailable(i);
            break;
        }
    emit changed();
}

bool FieldsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return WizardPage::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return WizardPage::eventFilter(watched, event);
    if (watched == available_) {
        addToFirstList(available_->currentItem());
        return true;
    }
    for (const RoleList& l : lists_)
        if (watched == l.list) {
            removeFrom(l.role);
            return true;
        }
    return WizardPage::eventFilter(watched, event);
}

void FieldsPage::addToFirstList(QTreeWidgetItem* item) {
    if (!item || lists_.empty()) return;
    available_->setCurrentItem(item);
    item->setSelected(true);
    addTo(lists_.front().role);
}

void FieldsPage::ReSequenceFields() {
    // Fields of a list the page does not show (none after Load) are kept.
    std::vector<scenario::DraftField> fields;
    for (char role : scenario::kRoles) {
        if (RoleList* l = roleList(role)) {
            for (int i = 0; i < l->list->count(); ++i)
                fields.push_back(
                    {l->list->item(i)->data(kNameRole).toString().toStdString(), role, i + 1});
            continue;
        }
        int position = 0;
        for (const scenario::DraftField& f : draft_.fields)
            if (f.role == role) fields.push_back({f.name, role, ++position});
    }
    draft_.fields = std::move(fields);
}

bool FieldsPage::CheckPage() {
    auto refused = scenario::CheckFields(draft_, input_);
    if (!refused) return true;
    tell(refused->message);
    // The role that lacks a field: its add button takes the focus, and a
    // field is highlighted for it to add.
    QWidget* focus = available_;
    if (const std::optional<char> role = scenario::RoleLackingFields(draft_))
        if (auto* add =
                findChild<QPushButton*>(QStringLiteral("cmdAdd_") + QChar::fromLatin1(*role)))
            focus = add;
    if (QTreeWidgetItem* current = available_->currentItem(); !current || !current->isSelected())
        selectAvailable(current ? available_->indexOfTopLevelItem(current) : 0);
    focus->setFocus();
    return false;
}

void FieldsPage::editIgnore() {
    IgnoreDialog dialog(draft_, app_.Prompts(), this);
    if (dialog.exec() == QDialog::Accepted) emit changed();
    showIgnoreRule();
}

}  // namespace qrv::designer
