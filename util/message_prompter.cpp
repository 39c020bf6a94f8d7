#include "util/message_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
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

bool MessageBoxPrompter::askDestructive(const std::string& caption, const std::string& text) {
    return QMessageBox::question(parentWidget(), QString::fromStdString(caption),
                                 QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> MessageBoxPrompter::askPassword(const std::string& caption,
                                                           const std::string& text) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parentWidget(), QString::fromStdString(caption),
                              QString::fromStdString(text), QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
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
