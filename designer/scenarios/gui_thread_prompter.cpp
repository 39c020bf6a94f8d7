#include "designer/scenarios/gui_thread_prompter.h"

namespace qrv::designer {

bool GuiThreadPrompter::askYesNo(const std::string& caption, const std::string& text) {
    return askDestructive(caption, text);
}

bool GuiThreadPrompter::askDestructive(const std::string& caption, const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (answeredYes_.count(text)) return true;
    }
    Prompter* t = target_;
    return relay_.Call<bool>([t, caption, text] { return t->askDestructive(caption, text); })
        .value_or(false);
}

void GuiThreadPrompter::inform(const std::string& caption, const std::string& text) {
    Prompter* t = target_;
    relay_.Call<bool>([t, caption, text] {
        t->inform(caption, text);
        return true;
    });
}

void GuiThreadPrompter::critical(const std::string& caption, const std::string& text) {
    Prompter* t = target_;
    relay_.Call<bool>([t, caption, text] {
        t->critical(caption, text);
        return true;
    });
}

void GuiThreadPrompter::beep() {
    Prompter* t = target_;
    relay_.Call<bool>([t] {
        t->beep();
        return true;
    });
}

void GuiThreadPrompter::AnsweredYes(const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    answeredYes_.insert(text);
}

}  // namespace qrv::designer
