// The command line's answer to questions and messages: messages go to the
// error stream. A question gets Yes when the flags gave it (--replace);
// otherwise it is asked on the terminal, and without one the answer is No,
// so that a script never replaces a table by default.
#pragma once

#include <unistd.h>

#include <iostream>
#include <string>

#include "errors/prompter.h"

namespace qrv::cli {

class ConsolePrompter final : public Prompter {
  public:
    explicit ConsolePrompter(bool yes = false) : yes_(yes) {}
    bool askYesNo(const std::string& caption, const std::string& text) override {
        if (yes_) return true;
        if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return false;
        (void)caption;
        std::string t;
        for (char c : text)
            if (c != '\r') t += c;
        std::cerr << "\n" << t << " [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return false;
        return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
    }
    void inform(const std::string& caption, const std::string& text) override {
        print(caption, text);
    }
    void critical(const std::string& caption, const std::string& text) override {
        ++criticals;
        print(caption, text);
    }
    void beep() override {}
    int criticals = 0;

  private:
    static void print(const std::string& caption, const std::string& text) {
        std::string t;
        for (char c : text)
            if (c != '\r') t += c;
        std::cerr << caption << ": " << t << "\n";
    }
    bool yes_;
};

// CR LF pairs of the engine's texts as plain line breaks.
inline std::string plainLines(const std::string& text) {
    std::string t;
    for (char c : text)
        if (c != '\r') t += c;
    return t;
}

}  // namespace qrv::cli
