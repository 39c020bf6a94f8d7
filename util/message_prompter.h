// The designer's Prompter: message boxes titled with the application title,
// parented to the window that is active when they are shown.
#pragma once

#include <string>

#include "errors/prompter.h"

class QWidget;

namespace qrv::util {

class MessageBoxPrompter final : public Prompter {
  public:
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askDestructive(const std::string& caption, const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& caption,
                                           const std::string& text) override;
    void inform(const std::string& caption, const std::string& text) override;
    void critical(const std::string& caption, const std::string& text) override;
    void beep() override;

  private:
    QWidget* parentWidget() const;
    QWidget* parent_;
};

}  // namespace qrv::util
