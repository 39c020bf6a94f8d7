#include "designer/scenarios/status_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "designer/app_state.h"

namespace qrv::designer {

namespace {
// Steps of the bar: rows can outnumber an int, so the bar shows thousandths.
constexpr int kBarSteps = 1000;

QLabel* textLabel(const char* name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}
}  // namespace

StatusWindow::StatusWindow(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName("frmStatus");
    setWindowTitle(kAppTitle);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose, false);

    scenario_ = textLabel("lblScenario", this);
    scenario_->setWordWrap(true);
    QFont bold = scenario_->font();
    bold.setBold(true);
    scenario_->setFont(bold);
    scenario_->hide();
    message_ = textLabel("picStatus", this);
    // Wide enough for a long stage line without the window jumping in size.
    const int width = message_->fontMetrics().averageCharWidth() * 56;
    message_->setMinimumWidth(width);
    scenario_->setMaximumWidth(width);
    notes_ = textLabel("lblNotes", this);
    notes_->setWordWrap(true);
    notes_->setMaximumWidth(width);
    notes_->hide();
    bar_ = new QProgressBar(this);
    bar_->setObjectName("prgStatus");
    bar_->setRange(0, 0);
    bar_->setTextVisible(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName("cmdCancel");
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (ended_)
            close();
        else
            RequestCancel();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scenario_);
    layout->addWidget(message_);
    layout->addWidget(notes_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void StatusWindow::SetScenario(std::int32_t number, const QString& description) {
    number_ = number;
    QString name = "Scenario " + QString::number(number);
    if (!description.trimmed().isEmpty()) name += ": " + description.trimmed();
    setWindowTitle(name);
    scenario_->setText(name);
    scenario_->show();
}

void StatusWindow::SetMessage(const QString& message) {
    // Lines still on their way once Cancel was asked for are history.
    if (cancelRequested_ || ended_) return;
    message_->setText(message);
    emit messageShown(message);
}

QString StatusWindow::Message() const {
    return message_->text();
}

void StatusWindow::AddNote(const QString& note) {
    notes_->setText(notes_->text().isEmpty() ? note : notes_->text() + "\n" + note);
    notes_->show();
}

QString StatusWindow::Notes() const {
    return notes_->text();
}

void StatusWindow::SetProgress(long done, long total) {
    if (ended_) return;
    if (total < 0) {
        bar_->setRange(0, 0);  // busy: the total is not known yet
        return;
    }
    bar_->setRange(0, kBarSteps);
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    bar_->setValue(static_cast<int>(share * kBarSteps + 0.5));
}

void StatusWindow::RequestCancel() {
    if (cancelRequested_ || ended_) return;
    message_->setText(tr("Cancelling..."));
    cancelRequested_ = true;
    cancel_->setEnabled(false);
    emit cancelRequested();
}

void StatusWindow::ShowCancelled() {
    ended_ = true;
    message_->setText("Run of scenario " + QString::number(number_) + " cancelled.");
    bar_->hide();
    cancel_->setText(tr("Close"));
    cancel_->setEnabled(true);
    cancel_->setFocus();
}

void StatusWindow::closeEvent(QCloseEvent* event) {
    if (ended_) {
        QWidget::closeEvent(event);
        return;
    }
    // The run owns this window and closes it by hiding it.
    event->ignore();
    RequestCancel();
}

void StatusWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (ended_)
            close();
        else
            RequestCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qrv::designer
