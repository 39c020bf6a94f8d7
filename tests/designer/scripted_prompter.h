// A Prompter for the tests: records every prompt and answers questions from a
// script, so that no test waits on a dialog.
#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "errors/prompter.h"

namespace qrv::test {

class ScriptedPrompter final : public Prompter {
  public:
    struct Shown {
        // "ask", "ask-no" (a question whose default answer is No),
        // "password", "inform", "critical" or "beep"
        std::string kind;
        std::string caption;
        std::string text;
    };
    // Answers the next questions in order; a question with no answer left
    // fails the test by answering No and recording "ask-unscripted".
    void answer(bool yes) { answers_.push_back(yes); }
    bool askYesNo(const std::string& caption, const std::string& text) override {
        return ask("ask", caption, text);
    }
    bool askDestructive(const std::string& caption, const std::string& text) override {
        return ask("ask-no", caption, text);
    }
    // Answers the next password questions in order (nothing: declined); one
    // with no answer left is declined and recorded as "password-unscripted".
    void password(std::optional<std::string> p) { passwords_.push_back(std::move(p)); }
    std::optional<std::string> askPassword(const std::string& caption,
                                           const std::string& text) override {
        if (passwords_.empty()) {
            shown.push_back({"password-unscripted", caption, text});
            return std::nullopt;
        }
        auto p = passwords_.front();
        passwords_.pop_front();
        shown.push_back({"password", caption, text});
        return p;
    }
    void inform(const std::string& caption, const std::string& text) override {
        shown.push_back({"inform", caption, text});
    }
    void critical(const std::string& caption, const std::string& text) override {
        shown.push_back({"critical", caption, text});
    }
    void beep() override { shown.push_back({"beep", "", ""}); }
    // The text of the last prompt of any kind but beeps; empty when none.
    std::string lastText() const {
        for (auto it = shown.rbegin(); it != shown.rend(); ++it)
            if (it->kind != "beep") return it->text;
        return {};
    }
    std::size_t unanswered() const { return answers_.size(); }

    std::vector<Shown> shown;

  private:
    bool ask(const char* kind, const std::string& caption, const std::string& text) {
        if (answers_.empty()) {
            shown.push_back({"ask-unscripted", caption, text});
            return false;
        }
        bool a = answers_.front();
        answers_.pop_front();
        shown.push_back({kind, caption, text});
        return a;
    }
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> passwords_;
};

}  // namespace qrv::test
