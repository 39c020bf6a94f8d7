// The command line's answer to questions and messages: messages go to the
// error stream, questions get the answer the flags gave.
#pragma once

#include <iostream>
#include <string>

#include "errors/prompter.h"

namespace qrv::cli {

class ConsolePrompter final : public Prompter {
  public:
    explicit ConsolePrompter(bool answer = true) : answer_(answer) {}
    bool askYesNo(const std::string&, const std::string&) override { return answer_; }
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
    bool answer_;
};

// CR LF pairs of the engine's texts as plain line breaks.
inline std::string plainLines(const std::string& text) {
    std::string t;
    for (char c : text)
        if (c != '\r') t += c;
    return t;
}

}  // namespace qrv::cli
