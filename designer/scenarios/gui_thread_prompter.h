// A Prompter for code running on a worker thread: every prompt is shown by
// the target prompter on the GUI thread, and the worker waits for the answer.
// Once the relay is closed, questions are answered No and nothing is shown.
#pragma once

#include <mutex>
#include <set>
#include <string>

#include "designer/scenarios/gui_relay.h"
#include "errors/prompter.h"

namespace qrv::designer {

class GuiThreadPrompter final : public Prompter {
  public:
    GuiThreadPrompter(Prompter& target, GuiRelay& relay) : target_(&target), relay_(relay) {}

    // The engine asks only whether to replace tables: every question it
    // asks is shown with No as the default answer.
    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askDestructive(const std::string& caption, const std::string& text) override;
    void inform(const std::string& caption, const std::string& text) override;
    void critical(const std::string& caption, const std::string& text) override;
    void beep() override;

    // A question the user has already answered Yes to: asked again word for
    // word, it is answered Yes without showing it twice.
    void AnsweredYes(const std::string& text);

  private:
    Prompter* target_;
    GuiRelay& relay_;
    std::mutex mu_;
    std::set<std::string> answeredYes_;
};

}  // namespace qrv::designer
