// Values of scenario options as a user types them: Yes/No/True/False for the
// flags, numbers for the numeric options, the radio texts exactly as stored
// for the text options. Each option's range is checked here with the
// wizard's own message.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/value.h"
#include "scenario/options_catalogue.h"
#include "scenario/refusal.h"

namespace qrv::scenario {

// A numeric option's range, with the wizard's message for a value outside it.
// The same ranges hold in the options table itself, for every client.
struct OptionRange {
    const char* option;
    double low;
    bool lowOpen;  // low itself is outside
    double high;   // HUGE_VAL when there is no upper end
    // 0 is stored for "none" as well as Null (CIUser: no level of the user's);
    // typing it is refused all the same.
    bool zeroMeansNone;
    const char* what;  // "the polynomial order"
    const char* message;
};
std::span<const OptionRange> OptionRanges();
// The range of the option of that name (in any letter case); nullptr for none.
const OptionRange* FindOptionRange(std::string_view option);
// The range in words: "2 to 9", "greater than 0".
std::string OptionRangeWords(const OptionRange& r);

// The option column of that name in any letter case; nullptr when there is none.
const OptionColumn* FindOption(std::string_view name);
// Its position in OptionColumns().
std::size_t OptionIndex(const OptionColumn& column);
// The value a new options row holds (Null where the column has no default).
dao::Value OptionDefault(const OptionColumn& column);
// The texts a text option may hold; empty when any text of its size will do.
std::vector<std::string> OptionChoices(const OptionColumn& column);
// Turns a typed text into the option's value, or refuses it. An empty text
// is Null, allowed for the numeric options and the options without a default.
std::optional<Refusal> ParseOptionValue(const OptionColumn& column, std::string_view text,
                                        dao::Value& out);
// A value as a user would type it back: Yes/No, a number, the text; "" for Null.
std::string OptionValueText(const OptionColumn& column, const dao::Value& v);
// True when v holds the same as the column's default.
bool IsOptionDefault(const OptionColumn& column, const dao::Value& v);

}  // namespace qrv::scenario
