// The translator's entry points: parse, then write for SQLite. Definition
// statements are only checked here; the database makes them itself.
#include "dataaccess/dialect/sql_dialect.h"

#include <utility>

#include "dataaccess/dialect/sql_definition.h"
#include "dataaccess/dialect/sql_parser.h"
#include "dataaccess/dialect/sql_vocabulary.h"

namespace qrv::dao {

namespace {

StatementKind kindOf(sql::StatementType t) {
    switch (t) {
        case sql::StatementType::Insert:
            return StatementKind::Insert;
        case sql::StatementType::Update:
            return StatementKind::Update;
        case sql::StatementType::Delete:
            return StatementKind::Delete;
        case sql::StatementType::SelectInto:
            return StatementKind::SelectInto;
        default:
            return StatementKind::Select;
    }
}

Result<std::string> translateAlone(std::string_view text, sql::WriteOptions options,
                                   bool fieldRule) {
    Result<sql::Tree> tree = sql::parseExpression(text, fieldRule);
    if (!tree) return tree.error();
    return sql::writeSqlite(tree.value(), options);
}

}  // namespace

Result<TranslatedSql> translateStatement(std::string_view dialectSql, const AttachFn& attach,
                                         const NameLookup* names, const FieldLookup* fields) {
    Result<std::vector<sql::Token>> tokens = sql::tokenize(dialectSql);
    if (!tokens) return tokens.error();
    const std::vector<sql::Token>& toks = tokens.value();
    switch (sql::keywordOf(toks[0])) {
        case sql::Kw::Select:
        case sql::Kw::Insert:
        case sql::Kw::Update:
        case sql::Kw::Delete:
            break;
        default:
            if (toks[0].kind != sql::TokenKind::End && !sql::isSymbol(toks[0], ";")) {
                if (Result<sql::Definition> def = sql::parseDefinition(dialectSql); !def)
                    return def.error();
                return TranslatedSql{};
            }
    }
    Result<sql::Tree> tree = sql::parseStatement(dialectSql);
    if (!tree) return tree.error();
    const sql::Statement& st = tree->statement;
    TranslatedSql out;
    out.kind = kindOf(st.type);
    sql::WriteOptions options;
    options.attach = &attach;
    options.names = names;
    options.fields = fields;
    options.nameEveryColumn = st.type == sql::StatementType::Select;
    if (st.type == sql::StatementType::Insert && !st.target.hasSource) {
        out.into.table = st.target.name.back();
        out.into.schema = st.target.name.size() > 1 ? st.target.name.front() : "main";
    }
    if (st.type == sql::StatementType::SelectInto) {
        out.into.table = st.target.name.back();
        out.into.schema = "main";
        if (st.target.name.size() > 1) out.into.schema = st.target.name.front();
        if (st.target.hasSource) {
            if (!attach)
                return makeError(err::kNotValidPath,
                                 "'" + st.target.sourceFile + "' isn't a valid path.");
            Result<std::string> schema = attach(st.target.sourceFile);
            if (!schema) return schema.error();
            out.into.schema = schema.value();
        }
        options.nameEveryColumn = true;
    }
    Result<std::string> text = sql::writeSqlite(tree.value(), options);
    if (!text) return text.error();
    out.sql = std::move(text.value());
    return out;
}

Result<std::string> translateExpression(std::string_view dialectExpr) {
    return translateAlone(dialectExpr, {}, false);
}

Result<std::string> translateTableRule(std::string_view rule) {
    sql::WriteOptions options;
    options.portable = true;
    return translateAlone(rule, options, false);
}

Result<std::string> translateFieldRule(std::string_view rule, std::string_view fieldName) {
    sql::WriteOptions options;
    options.portable = true;
    options.ruleField = fieldName;
    return translateAlone(rule, options, true);
}

std::string bracketName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out.push_back('[');
    for (const char c : name) {
        out.push_back(c);
        if (c == ']') out.push_back(']');
    }
    out.push_back(']');
    return out;
}

std::string quoteIdentifier(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    out.push_back('"');
    for (const char c : name) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}

std::string quoteLiteral(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('\'');
    for (const char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

}  // namespace qrv::dao
