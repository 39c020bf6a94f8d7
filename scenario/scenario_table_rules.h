// The rules the scenario tables hold for every row, kept in one place: the
// table definitions take their validation rules from here, and the upgrade
// of an earlier layout asks the same rules which rows break them before it
// changes anything (SQLite's own refusal names a rule, never a row).
#pragma once

#include <string>
#include <vector>

#include "dataaccess/objects/database.h"
#include "dataaccess/objects/tabledef.h"

namespace qrv::scenario {

// A validation rule of one scenario table, on a field or on the table.
struct ValueRule {
    const char* table;
    std::string column;     // the field it is about
    bool onTable;           // kept as the table's rule (the counter key takes no field rule)
    std::string fieldRule;  // the field's ValidationRule ("Is Null Or Between 2 And 9")
    std::string condition;  // the same naming the column, for queries and table rules
    std::string text;       // the ValidationText: what a client breaking it is told
    std::string words;      // the rule in words, for a message about a row
};

// Every validation rule of the three tables, the options' ranges among them
// (from OptionRanges, Null allowed; 0 too where it means none).
const std::vector<ValueRule>& ValueRules();
// Gives def the validation rules of its table.
void ApplyValueRules(dao::TableDef& def);

// The rows of def's table in db that break one of def's rules (keys and
// required fields, types, text sizes, validation rules), one line each:
// "usysQuorvaneOptions, scenario 7: RPoly = 25 (the polynomial order is 2
// to 9)". Only the columns the stored table has are asked about.
dao::Result<std::vector<std::string>> FindBrokenRows(dao::Database& db, const dao::TableDef& def);

}  // namespace qrv::scenario
