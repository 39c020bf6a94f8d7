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
}  // namespace

StatusWindow::StatusWindow(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName("frmStatus");
    setWindowTitle(kAppTitle);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose, false);

    message_ = new QLabel(this);
    message_->setObjectName("picStatus");
    message_->setTextFormat(Qt::PlainText);
    // Wide enough for a long stage line without the window jumping in size.
    message_->setMinimumWidth(message_->fontMetrics().averageCharWidth() * 56);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("prgStatus");
    bar_->setRange(0, 0);
    bar_->setTextVisible(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName("cmdCancel");
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &StatusWindow::RequestCancel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void StatusWindow::SetMessage(const QString& message) {
    message_->setText(message);
    emit messageShown(message);
}

QString StatusWindow::Message() const {
    return message_->text();
}

void StatusWindow::SetProgress(long done, long total) {
    if (total < 0) {
        bar_->setRange(0, 0);  // busy: the total is not known yet
        return;
    }
    bar_->setRange(0, kBarSteps);
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    bar_->setValue(static_cast<int>(share * kBarSteps + 0.5));
}

void StatusWindow::RequestCancel() {
    if (cancelRequested_) return;
    cancelRequested_ = true;
    cancel_->setEnabled(false);
    emit cancelRequested();
}

void StatusWindow::closeEvent(QCloseEvent* event) {
    // The run owns this window and closes it by hiding it.
    event->ignore();
    RequestCancel();
}

void StatusWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        RequestCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qrv::designer
