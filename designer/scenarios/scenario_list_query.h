// What the scenario list shows: the query that reads one category and
// subtype of scenarios, the captions of its columns, and the subtypes each
// category offers as filters.
#pragma once

#include <string>
#include <vector>

namespace qrv::designer {

// The subtype filter that matches every subtype.
inline constexpr const char* kAllSubtypes = "*";

// The list's query; subtype is a Like pattern ("*" or one analysis name).
std::string LoadScenariosSql(const std::string& category, const std::string& subtype);

// The list's column captions, in order; each column shows the query column
// of the same index in ListQueryColumns().
const std::vector<std::string>& ListColumnCaptions();
const std::vector<std::string>& ListQueryColumns();

// The analysis names of a category ("P", "G", "N") in the order they are
// offered; empty for any other letter.
std::vector<std::string> SubtypesOf(char category);

// The category letters of the tabs, in tab order.
inline constexpr char kCategories[] = {'P', 'G', 'N'};

}  // namespace qrv::designer
