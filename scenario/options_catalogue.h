// The catalogue of scenario options: one column of the options table per
// option, in table order, with its type, size, default and description.
#pragma once

#include <span>

namespace qrv::scenario {

struct OptionColumn {
    const char* name;
    int type;                 // a field type code
    long size;                // text size; 0 for other types
    const char* deflt;        // default value text, nullptr for none
    const char* description;  // nullptr for none
};

// Every column of the options table after Scenario_ID, in creation order.
std::span<const OptionColumn> OptionColumns();

}  // namespace qrv::scenario
