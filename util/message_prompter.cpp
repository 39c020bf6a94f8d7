#include "util/message_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace qrv::util {

QWidget* MessageBoxPrompter::parentWidget() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return parent_;
}

bool MessageBoxPrompter::askYesNo(const std::string& caption, const std::string& text) {
    return QMessageBox::question(parentWidget(), QString::fromStdString(caption),
                                 QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxPrompter::inform(const std::string& caption, const std::string& text) {
    QMessageBox::information(parentWidget(), QString::fromStdString(caption),
                             QString::fromStdString(text));
}

void MessageBoxPrompter::critical(const std::string& caption, const std::string& text) {
    QMessageBox::critical(parentWidget(), QString::fromStdString(caption),
                          QString::fromStdString(text));
}

void MessageBoxPrompter::beep() {
    QApplication::beep();
}

}  // namespace qrv::util
