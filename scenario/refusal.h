// A refusal of something a user asked for while authoring a scenario: what is
// wrong, in the wizard's own words where it has them, and the valid choices.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"

namespace qrv::scenario {

struct Refusal {
    std::string subject;  // what was asked for ("InterV=60"); may be empty
    std::string message;
    std::string choicesLabel;  // "Valid types", "Fields of Measurements" ...
    std::vector<std::string> choices;

    // The subject and the message, then the label and the choices on a line of their own.
    std::string Text() const {
        std::string t = subject.empty() ? message : subject + ": " + message;
        if (!choicesLabel.empty()) {
            t += "\r\n" + choicesLabel + ": ";
            for (size_t i = 0; i < choices.size(); ++i) t += (i ? ", " : "") + choices[i];
            if (choices.empty()) t += "(none)";
        }
        return t;
    }
};

// A text in single quotes, for messages.
inline std::string quoted(std::string_view text) {
    std::string q;
    q.reserve(text.size() + 2);
    q += '\'';
    q.append(text);
    q += '\'';
    return q;
}

// The error number under which a refusal travels as a dao::Error.
inline constexpr int kRefused = dao::err::kInvalidArgument;

inline dao::Error refusalError(const Refusal& r) {
    return dao::makeError(kRefused, r.Text());
}

}  // namespace qrv::scenario
