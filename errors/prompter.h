// Prompter: the one way the program asks the user something or tells them
// something. The engine is silent by default, the command line answers from
// its flags, the designer shows dialogs and the tests script the answers.
#pragma once

#include <optional>
#include <string>

namespace qrv {

class Prompter {
  public:
    virtual ~Prompter() = default;
    // A Yes/No question; true means Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    // A question whose Yes deletes, discards or replaces something: No is the
    // answer that Enter gives. Prompters without a default answer ask it as
    // any other question.
    virtual bool askDestructive(const std::string& caption, const std::string& text) {
        return askYesNo(caption, text);
    }
    // Asks for a password, shown masked; nothing when the user declines or
    // the prompter cannot ask.
    virtual std::optional<std::string> askPassword(const std::string& caption,
                                                   const std::string& text) {
        (void)caption;
        (void)text;
        return std::nullopt;
    }
    virtual void inform(const std::string& caption, const std::string& text) = 0;
    virtual void critical(const std::string& caption, const std::string& text) = 0;
    virtual void beep() = 0;
};

// Shows nothing and answers every question with a fixed answer.
class SilentPrompter final : public Prompter {
  public:
    explicit SilentPrompter(bool answer = false) : answer_(answer) {}
    bool askYesNo(const std::string&, const std::string&) override { return answer_; }
    void inform(const std::string&, const std::string&) override {}
    void critical(const std::string&, const std::string&) override {}
    void beep() override {}

  private:
    bool answer_;
};

}  // namespace qrv
