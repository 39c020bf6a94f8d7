// The CREATE TABLE and CREATE INDEX texts of table definitions.
#include "dataaccess/schema/schema_sql.h"

#include <algorithm>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"

namespace qrv::dao::detail {

namespace {

const char* declaredType(int type) {
    switch (type) {
        case dbBoolean:
            return "BOOLEAN";
        case dbByte:
            return "BYTE";
        case dbInteger:
            return "SMALLINT";
        case dbLong:
            return "INTEGER";
        case dbCurrency:
            return "CURRENCY";
        case dbSingle:
            return "SINGLE";
        case dbDouble:
            return "DOUBLE";
        case dbDate:
            return "DATETIME";
        case dbBinary:
            return "BINARY";
        case dbText:
            return "VARCHAR";
        case dbLongBinary:
            return "LONGBINARY";
        case dbMemo:
            return "LONGTEXT";
        case dbGUID:
            return "GUID";
        default:
            return nullptr;
    }
}

std::string stripQuotes(std::string s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// The default value text becomes an SQL literal of the field's type.
Result<std::string> defaultLiteral(const Field& f) {
    std::string t = f.DefaultValue;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (isTextType(f.Type)) return quoteLiteral(stripQuotes(t));
    if (f.Type == dbDate) {
        if (iequal(t, "Now()") || iequal(t, "Date()")) return std::string("CURRENT_TIMESTAMP");
        auto serial = parseDateText(stripQuotes(t));
        if (!serial) return makeError(err::kTypeConversion, "Data type conversion error.");
        return quoteLiteral(serialDateToIso(*serial));
    }
    if (f.Type == dbBoolean) {
        if (iequal(t, "True") || iequal(t, "Yes") || iequal(t, "On")) return std::string("1");
        if (iequal(t, "False") || iequal(t, "No") || iequal(t, "Off")) return std::string("0");
    }
    auto d = parseNumber(stripQuotes(t));
    if (!d) return makeError(err::kTypeConversion, "Data type conversion error.");
    if (f.Type == dbBoolean) return std::string(*d != 0 ? "1" : "0");
    return numberToText(*d);
}

long textSize(const Field& f) {
    return f.Size > 0 ? std::min(f.Size, 255L) : 50;
}

std::string constraint(const std::string& name, const std::string& check) {
    return " CONSTRAINT " + quoteIdentifier(name) + " CHECK (" + check + ")";
}

// Field names as the table spells them, quoted and joined by ", ".
std::string columnList(const TableDef& def, const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += ", ";
        const Field* f = def.FindField(n);
        out += quoteIdentifier(f ? f->Name : n);
    }
    return out;
}

const Index* primaryIndex(const TableDef& def) {
    for (const Index& ix : def.Indexes())
        if (ix.Primary) return &ix;
    return nullptr;
}

bool inPrimaryKey(const TableDef& def, const Field& f) {
    if (const Index* pk = primaryIndex(def))
        for (const std::string& n : pk->Fields)
            if (iequal(n, f.Name)) return true;
    return false;
}

// The values a column holds, checked by the table itself, so that another
// client's write is held to the field's type as ours are. SQLite has applied
// the column's affinity before a CHECK runs: a text that reads as a number
// has become one, so a text left over is a text. Each check lets Null pass
// (the required flag decides on Null) and uses comparisons rather than
// function calls where it can: these run for every row written.
std::string typeCheck(const Field& f, const std::string& q) {
    switch (f.Type) {
        case dbBoolean:
            return q + " IN (0, 1)";  // as our own writes store Yes and No
        case dbByte:
        case dbInteger:
        case dbLong:
            return q + " = CAST(" + q + " AS INTEGER)";  // not 2.5, not a text
        case dbCurrency:
        case dbSingle:
        case dbDouble:
            // Texts and blobs sort after every number; 9e999 reads as infinity.
            return q + " BETWEEN -9e999 AND 9e999";
        case dbDate:
            // The ISO form the layer writes, year first; a number is no date here.
            return q + " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*'";
        case dbText:
            // The column made every number a text, so only a blob is not one.
            // length() stops at a NUL character, so a text holding one could
            // slip past the size check: such a text is no Text value here.
            return "typeof(" + q + ") <> 'blob' AND instr(" + q + ", char(0)) = 0";
        case dbMemo:
            return "typeof(" + q + ") <> 'blob'";
        default:
            return {};  // binary and GUID columns take what SQLite stores
    }
}

std::string rangeCheck(const Field& f, const std::string& q) {
    switch (f.Type) {
        case dbByte:
            return q + " BETWEEN 0 AND 255";
        case dbInteger:
            return q + " BETWEEN -32768 AND 32767";
        case dbLong:
            return q + " BETWEEN -2147483648 AND 2147483647";
        default:
            return {};
    }
}

Result<std::string> columnSql(const TableDef& def, const Field& f) {
    const std::string q = quoteIdentifier(f.Name);
    std::string sql = q + " ";
    if (soleCounterKey(def, f)) {
        sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
        return sql;
    }
    // A lone key column declared INTEGER would become SQLite's row id, which
    // hands out a number when a row comes without one; a key must be given.
    const bool key = inPrimaryKey(def, f);
    const bool wouldAlias = key && f.Type == dbLong && primaryIndex(def)->Fields.size() == 1;
    sql += wouldAlias ? "INT" : declaredType(f.Type);
    if (f.Type == dbText) {
        sql += '(';
        sql += std::to_string(textSize(f));
        sql += ')';
    }
    if (isTextType(f.Type))
        sql += f.CollatingOrder == dbSortNeutral ? " COLLATE BINARY" : " COLLATE NOCASE";
    if (f.Required) sql += " NOT NULL";
    if (!f.DefaultValue.empty()) {
        auto lit = defaultLiteral(f);
        if (!lit) return lit.error();
        sql += " DEFAULT (" + *lit + ")";
    }
    // SQLite lets Null into key columns of ordinary tables; a key is never Null.
    if (key) sql += constraint("qrv_key:" + f.Name, q + " IS NOT NULL");
    if (def.EnforceTypes) {
        if (std::string check = typeCheck(f, q); !check.empty())
            sql +=
                constraint(std::string(kTypeCheckPrefix) + typeName(f.Type) + ":" + f.Name, check);
        if (std::string check = rangeCheck(f, q); !check.empty())
            sql += constraint(std::string("qrv_range:") + typeName(f.Type) + ":" + f.Name, check);
    }
    if (isTextType(f.Type) && !f.AllowZeroLength)
        sql += constraint("qrv_zero_length:" + f.Name, q + " <> ''");
    if (f.Type == dbText)
        sql +=
            constraint("qrv_size:" + f.Name, "length(" + q + ") <= " + std::to_string(textSize(f)));
    if (!f.ValidationRule.empty()) {
        auto rule = translateFieldRule(f.ValidationRule, f.Name);
        if (!rule) return rule.error();
        sql +=
            constraint(f.ValidationText.empty() ? "qrv_rule:" + f.Name : f.ValidationText, *rule);
    }
    return sql;
}

}  // namespace

bool isTextType(int t) {
    return t == dbText || t == dbMemo;
}

std::vector<const Field*> columnOrder(const TableDef& def) {
    std::vector<const Field*> cols;
    for (const Field& f : def.Fields()) cols.push_back(&f);
    std::stable_sort(cols.begin(), cols.end(), [](const Field* a, const Field* b) {
        return a->OrdinalPosition < b->OrdinalPosition;
    });
    return cols;
}

bool soleCounterKey(const TableDef& def, const Field& f) {
    if (!(f.Attributes & dbAutoIncrField) || f.Type != dbLong) return false;
    for (const Index& ix : def.Indexes())
        if (ix.Primary) return ix.Fields.size() == 1 && iequal(ix.Fields[0], f.Name);
    return false;
}

Result<std::string> createTableSql(const TableDef& def, std::string_view name,
                                   std::string_view token) {
    if (def.Fields().empty())
        return makeError(3264, "No field defined--cannot append TableDef or Index.");
    const std::vector<const Field*> cols = columnOrder(def);
    for (size_t i = 0; i < cols.size(); ++i) {
        if (Error e = checkName(cols[i]->Name, true)) return e;
        if (!declaredType(cols[i]->Type)) return makeError(3259, "Invalid field data type.");
        for (size_t j = 0; j < i; ++j)
            if (iequal(cols[i]->Name, cols[j]->Name))
                return makeError(3191, "Cannot define field more than once.");
    }
    const Index* primary = nullptr;
    for (const Index& ix : def.Indexes()) {
        if (ix.Fields.empty())
            return makeError(3264, "No field defined--cannot append TableDef or Index.");
        for (const std::string& fn : ix.Fields)
            if (!def.FindField(fn))
                return makeError(err::kItemNotFound, "Item not found in this collection.");
        if (!ix.Primary) continue;
        if (primary) return makeError(3283, "Primary key already exists.");
        primary = &ix;
    }

    std::string sql = "CREATE TABLE " + quoteIdentifier(name) + " (";
    if (!token.empty()) sql += "/*" + std::string(token) + "*/";
    bool keyInline = false;
    for (size_t i = 0; i < cols.size(); ++i) {
        auto col = columnSql(def, *cols[i]);
        if (!col) return col.error();
        if (i) sql += ", ";
        sql += *col;
        keyInline = keyInline || soleCounterKey(def, *cols[i]);
    }
    if (!def.ValidationRule.empty()) {
        auto rule = translateTableRule(def.ValidationRule);
        if (!rule) return rule.error();
        sql += ",";
        sql += constraint(
            def.ValidationText.empty() ? "qrv_table_rule:" + std::string(name) : def.ValidationText,
            *rule);
    }
    if (primary && !keyInline) sql += ", PRIMARY KEY (" + columnList(def, primary->Fields) + ")";
    sql += ")";
    return sql;
}

std::string indexSqlName(std::string_view table, std::string_view index) {
    return std::string(table) + "." + std::string(index);
}

std::string createIndexSql(const TableDef& def, std::string_view name, const Index& ix) {
    return std::string(ix.Unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
           quoteIdentifier(indexSqlName(name, ix.Name)) + " ON " + quoteIdentifier(name) + " (" +
           columnList(def, ix.Fields) + ")";
}

}  // namespace qrv::dao::detail
