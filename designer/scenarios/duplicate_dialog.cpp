#include "designer/scenarios/duplicate_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "scenario/scenario_author.h"

namespace qrv::designer {

DuplicateDialog::DuplicateDialog(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("frmDuplicate");
    setWindowTitle("Duplicate Scenario");

    // A description may be long: the read-only box wraps it and grows to show
    // it whole, up to a height past which it scrolls.
    current_ = new QPlainTextEdit(this);
    current_->setObjectName("txtScenario");
    current_->setReadOnly(true);
    current_->setTabChangesFocus(true);
    current_->setFocusPolicy(Qt::ClickFocus);  // selectable for copying, not a tab stop
    current_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    current_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    newDescription_ = new QLineEdit(this);
    newDescription_->setObjectName("txtNewScenario");
    // Room for a description of a few dozen words without scrolling.
    newDescription_->setMinimumWidth(newDescription_->fontMetrics().averageCharWidth() * 48);
    connect(newDescription_, &QLineEdit::textChanged, this, &DuplicateDialog::updateOk);

    auto* form = new QFormLayout;
    auto* currentLabel = new QLabel("Scenario Description:", this);
    currentLabel->setBuddy(current_);
    auto* newLabel = new QLabel("&New Scenario Description", this);
    newLabel->setBuddy(newDescription_);
    form->addRow(currentLabel, current_);
    form->addRow(newLabel, newDescription_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok_->setObjectName("cmdAction_0");
    ok_->setDefault(true);
    QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("cmdAction_1");
    connect(ok_, &QPushButton::clicked, this, &DuplicateDialog::tryAccept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    updateOk();
}

bool DuplicateDialog::SetScenarioID(std::int32_t id) {
    ProcedureScope scope(app_.Errors(), "frmDuplicate:ScenarioID");
    id_ = id;
    dao::Database& db = app_.CurrentDatabase();
    auto rs = db.OpenRecordset(
        "SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = " + std::to_string(id) + ";");
    if (!rs) {
        app_.Errors().HandleError(rs.error().number, rs.error().description);
        return false;
    }
    if (rs->Eof()) return false;
    auto v = rs->GetValue("Scenario_Description");
    const QString description = QString::fromStdString(v ? v->toText() : std::string());
    rs->Close();
    current_->setPlainText(description);
    fitDescriptionHeight();
    newDescription_->setText(
        QString::fromStdString(scenario::CopyDescription(description.toStdString())));
    // The user mostly types a new name: it replaces the proposed one.
    newDescription_->selectAll();
    newDescription_->setFocus();
    return true;
}

void DuplicateDialog::fitDescriptionHeight() {
    // Lines of the wrapped text at the box's width (the width the layout
    // gives it: that of the new-description box).
    const QFontMetrics fm = current_->fontMetrics();
    const int margins =
        2 * (current_->frameWidth() + static_cast<int>(current_->document()->documentMargin()));
    const int width = std::max(newDescription_->minimumWidth(), current_->width()) - margins -
                      current_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QRect text =
        fm.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20),
                        Qt::TextWordWrap | Qt::TextWrapAnywhere, current_->toPlainText());
    const int lines = std::clamp(text.height() / std::max(fm.lineSpacing(), 1), 1, 8);
    current_->setFixedHeight(lines * fm.lineSpacing() + margins + 2);
}

void DuplicateDialog::updateOk() {
    ok_->setEnabled(!newDescription_->text().isEmpty());
}

bool DuplicateDialog::tryAccept() {
    if (newDescription_->text().isEmpty()) return false;
    if (!SaveNewScenario()) return false;
    accept();
    return true;
}

bool DuplicateDialog::SaveNewScenario() {
    ProcedureScope scope(app_.Errors(), "frmDuplicate:SaveNewScenario");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto copy =
        scenario::CopyScenario(app_.CurrentDatabase(), id_, newDescription_->text().toStdString());
    QApplication::restoreOverrideCursor();
    if (!copy) {
        app_.Errors().HandleError(copy.error().number, copy.error().description);
        return false;
    }
    newId_ = *copy;
    return true;
}

}  // namespace qrv::designer
