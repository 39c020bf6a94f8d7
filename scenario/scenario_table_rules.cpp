// The scenario tables' rules as conditions of the query dialect. Each rule
// that a table keeps is asked of the stored rows as "which rows break it",
// so that a user learns the rows to correct, not just the rule.
#include "scenario/scenario_table_rules.h"

#include <cmath>
#include <set>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "dataaccess/types.h"
#include "scenario/analysis_types.h"
#include "scenario/option_values.h"
#include "scenario/refusal.h"
#include "scenario/scenario_tables.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

// At most this many rows are listed; a table that breaks a rule everywhere
// is then described by its first rows and a count.
constexpr std::size_t kRowsListed = 20;
constexpr std::size_t kValueShown = 40;  // characters of a value shown

std::string join(const std::vector<std::string>& terms, const char* with) {
    std::string out;
    for (const std::string& t : terms) out += (out.empty() ? "" : with) + t;
    return out;
}

// One rule written twice from the same terms: as a field rule, where a term
// that starts with its operator is about the field, and over the named
// column, for queries and table rules.
ValueRule fieldRule(const char* table, const std::string& column,
                    const std::vector<std::string>& terms, std::string text, std::string words) {
    std::vector<std::string> named;
    for (const std::string& t : terms) named.push_back(bracketName(column) + " " + t);
    return {table,           column,          false, join(terms, " Or "), join(named, " Or "),
            std::move(text), std::move(words)};
}

ValueRule rangeRule(const OptionRange& r) {
    std::vector<std::string> terms{"Is Null"};
    if (r.zeroMeansNone) terms.push_back("=0");
    const std::string low = numberToText(r.low), high = numberToText(r.high);
    if (r.high == HUGE_VAL)
        terms.push_back((r.lowOpen ? ">" : ">=") + low);
    else if (r.lowOpen)
        terms.push_back(">" + low + " And <=" + high);
    else
        terms.push_back("Between " + low + " And " + high);
    std::string words = std::string(r.what) + " is " + OptionRangeWords(r);
    if (r.zeroMeansNone) words += ", or 0 or empty for none";
    return fieldRule(kOptionsTable, r.option, terms, r.message, std::move(words));
}

std::vector<ValueRule> makeValueRules() {
    std::vector<ValueRule> out;
    // Scenario numbers are read as Long everywhere; a larger one would wrap.
    out.push_back({kScenarioTable, "Scenario_ID", true, "",
                   "[Scenario_ID] Between -2147483648 And 2147483647",
                   "Scenario numbers run from -2147483648 to 2147483647.",
                   "scenario numbers run from -2147483648 to 2147483647"});
    out.push_back(fieldRule(kScenarioTable, "MissingType", {"Is Null", "In ('0', '1', '2')"},
                            "The rule for values to ignore (MissingType) is 0 (none), 1 (one "
                            "value) or 2 (a range).",
                            "the rule for values to ignore is 0 (none), 1 (one value) or 2 (a "
                            "range)"));
    for (const OptionRange& r : OptionRanges()) out.push_back(rangeRule(r));
    // The column ignores letter case, and so does In.
    std::vector<std::string> roles;
    for (char role : kRoles) roles.push_back(quoteLiteral(std::string(1, role)));
    std::string list;
    for (std::size_t i = 0; i < roles.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == roles.size() ? " or " : ", ") + roles[i][1];
    out.push_back(fieldRule(kFieldsTable, "FieldDef_Choice", {"In (" + join(roles, ", ") + ")"},
                            "A field's role (FieldDef_Choice) is " + list + ".",
                            "a field's role is " + list));
    return out;
}

// A rule every row of a table keeps, as the condition of the rows that break it.
struct RowRule {
    std::string column;
    std::string broken;
    std::string words;  // empty: the line says only that the column is empty
};

bool inPrimaryKey(const TableDef& def, const std::string& column) {
    for (const Index& ix : def.Indexes())
        if (ix.Primary)
            for (const std::string& f : ix.Fields)
                if (iequal(f, column)) return true;
    return false;
}

// The rule a value of the field's type keeps, as the table checks it when it
// enforces types: SQLite has already turned a text that reads as a number
// into one, and a whole number stored in a number column is never a real.
void typeRules(const Field& f, std::vector<RowRule>& out) {
    const std::string c = bracketName(f.Name);
    auto whole = [&](const char* low, const char* high) {
        out.push_back({f.Name,
                       c + " Not Between " + low + " And " + high + " Or " + c + " Like '*.*'",
                       std::string("a whole number from ") + low + " to " + high});
    };
    switch (f.Type) {
        case dbBoolean:
            out.push_back({f.Name, c + " Not In (0, 1)", "Yes or No, stored as 1 or 0"});
            break;
        case dbByte:
            whole("0", "255");
            break;
        case dbInteger:
            whole("-32768", "32767");
            break;
        case dbLong:
            whole("-2147483648", "2147483647");
            break;
        case dbCurrency:
        case dbSingle:
        case dbDouble:
            // Texts sort after every number.
            out.push_back({f.Name, c + " Not Between -9e999 And 9e999", "a number"});
            break;
        case dbDate:
            out.push_back({f.Name, c + " Not Like '####-##-##*'", "a date, as text year first"});
            break;
        default:
            break;
    }
}

std::vector<RowRule> rowRules(const TableDef& def, const TableDef& stored) {
    std::vector<RowRule> out;
    for (const Field& f : def.Fields()) {
        if (!stored.FindField(f.Name)) continue;  // a new column: its default goes in
        const std::string c = bracketName(f.Name);
        if (f.Required || inPrimaryKey(def, f.Name)) out.push_back({f.Name, c + " Is Null", ""});
        if (def.EnforceTypes) typeRules(f, out);
        if (f.Type == dbText && !f.AllowZeroLength)
            out.push_back({f.Name, c + " = ''", "a text of one character or more"});
        if (f.Type == dbText)
            out.push_back({f.Name, "Len(" + c + ") > " + std::to_string(f.Size),
                           "at most " + std::to_string(f.Size) + " characters"});
    }
    for (const ValueRule& r : ValueRules())
        if (iequal(r.table, def.Name) && stored.FindField(r.column))
            out.push_back({r.column, "Not (" + r.condition + ")", r.words});
    return out;
}

// "scenario 7" / "field 'Batch'", or what the row lacks.
std::string identity(const std::string& key, const Value& v, const std::string& text) {
    if (iequal(key, "Scenario_ID"))
        return v.isNull() ? "a row without a scenario number" : "scenario " + text;
    if (iequal(key, "FieldDef_Name"))
        return v.isNull() ? "a field row without a name" : "field " + quoted(text);
    return key + " " + (v.isNull() ? "empty" : text);
}

std::string shown(const Value& v, std::string text) {
    if (text.size() > kValueShown) text = text.substr(0, kValueShown) + "...";
    return v.isText() ? quoted(text) : text;
}

}  // namespace

const std::vector<ValueRule>& ValueRules() {
    static const std::vector<ValueRule> rules = makeValueRules();
    return rules;
}

void ApplyValueRules(TableDef& def) {
    std::vector<std::string> tableRules, tableTexts;
    for (const ValueRule& r : ValueRules()) {
        if (!iequal(r.table, def.Name)) continue;
        if (r.onTable) {
            tableRules.push_back("(" + r.condition + ")");
            tableTexts.push_back(r.text);
        } else if (Field* f = def.FindField(r.column)) {
            f->ValidationRule = r.fieldRule;
            f->ValidationText = r.text;
        }
    }
    if (tableRules.size() == 1) tableRules[0] = tableRules[0].substr(1, tableRules[0].size() - 2);
    def.ValidationRule = join(tableRules, " And ");
    def.ValidationText = join(tableTexts, " ");
}

Result<std::vector<std::string>> FindBrokenRows(Database& db, const TableDef& def) {
    auto stored = db.GetTableDef(def.Name);
    if (!stored) return stored.error();
    const std::vector<RowRule> rules = rowRules(def, *stored);
    std::vector<std::string> lines;
    if (rules.empty()) return lines;
    const std::string table = bracketName(def.Name);

    // Most tables break nothing: one query says so.
    std::vector<std::string> any;
    for (const RowRule& r : rules) any.push_back("(" + r.broken + ")");
    auto count = db.OpenRecordset("SELECT Count(*) FROM " + table + " WHERE " + join(any, " Or "),
                                  dbOpenSnapshot);
    if (!count) return count.error();
    const double broken = count->GetValue(0).toDouble().value_or(0);
    count->Close();
    if (broken == 0) return lines;

    std::vector<std::string> keys;
    for (const Index& ix : def.Indexes())
        if (ix.Primary) keys = ix.Fields;
    std::string select, order;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string k = bracketName(keys[i]), n = std::to_string(i);
        select += k + " AS qrvKey" + n + ", " + k + " & '' AS qrvKeyText" + n + ", ";
        order += (i ? ", " : "") + k;
    }
    std::set<std::string> listed;  // a row's column is named once, by its first broken rule
    std::size_t more = 0;
    for (const RowRule& r : rules) {
        const std::string c = bracketName(r.column);
        auto rs = db.OpenRecordset("SELECT " + select + c + " AS qrvValue, " + c +
                                       " & '' AS qrvValueText FROM " + table + " WHERE " +
                                       r.broken + (order.empty() ? "" : " ORDER BY " + order),
                                   dbOpenSnapshot);
        if (!rs) return rs.error();
        for (; !rs->Eof(); rs->MoveNext()) {
            std::string where = def.Name;
            for (std::size_t i = 0; i < keys.size(); ++i)
                where += ", " + identity(keys[i], rs->GetValue(static_cast<int>(2 * i)),
                                         rs->GetValue(static_cast<int>(2 * i + 1)).toText());
            if (!listed.insert(where + "\n" + r.column).second) continue;
            if (lines.size() == kRowsListed) {
                ++more;
                continue;
            }
            const int at = static_cast<int>(2 * keys.size());
            const Value v = rs->GetValue(at);
            std::string line = where + ": " + r.column;
            line += v.isNull() ? " is empty" : " = " + shown(v, rs->GetValue(at + 1).toText());
            if (!r.words.empty()) line += " (" + r.words + ")";
            lines.push_back(std::move(line));
        }
        rs->Close();
    }
    if (more) lines.push_back("... and " + std::to_string(more) + " more in " + def.Name);
    return lines;
}

}  // namespace qrv::scenario
