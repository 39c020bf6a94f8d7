// Parsing of definition statements from the dialect's tokens into the tree
// of sql_definition.h. Only the forms the dialect has are accepted; a syntax
// error is numbered and worded by the statement or clause it is found in.
#include <algorithm>
#include <array>
#include <cctype>

#include "dataaccess/dialect/sql_definition.h"
#include "dataaccess/dialect/sql_tokenizer.h"

namespace qrv::dao::sql {

namespace {

// Words that are never a bare name here: the dialect's reserved words and
// those of the definitions themselves. Brackets make any of them a name.
constexpr std::array<std::string_view, 47> kReserved{
    "ADD",    "ALL",        "ALTER",  "AND",    "AS",      "ASC",        "BETWEEN",  "BY",
    "COLUMN", "CONSTRAINT", "CREATE", "DELETE", "DESC",    "DISALLOW",   "DISTINCT", "DROP",
    "EXISTS", "FOREIGN",    "FROM",   "GROUP",  "HAVING",  "IF",         "IGNORE",   "IN",
    "INDEX",  "INSERT",     "INTO",   "IS",     "JOIN",    "KEY",        "LIKE",     "NOT",
    "NULL",   "ON",         "OR",     "ORDER",  "PRIMARY", "REFERENCES", "SELECT",   "SET",
    "TABLE",  "TO",         "UNIQUE", "UPDATE", "VALUES",  "WHERE",      "WITH",
};

bool reserved(const Token& t) {
    return std::any_of(kReserved.begin(), kReserved.end(),
                       [&](std::string_view w) { return isWord(t, w); });
}

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

// Thrown inside the parser only; parseDefinition hands it back as a value.
struct Failure {
    Error error;
};

Error syntax(int number) {
    switch (number) {
        case err::kConstraintSyntax:
            return makeError(number, "Syntax error in CONSTRAINT clause.");
        case err::kCreateTableSyntax:
            return makeError(number, "Syntax error in CREATE TABLE statement.");
        case err::kCreateIndexSyntax:
            return makeError(number, "Syntax error in CREATE INDEX statement.");
        case err::kFieldSyntax:
            return makeError(number, "Syntax error in field definition.");
        case err::kAlterTableSyntax:
            return makeError(number, "Syntax error in ALTER TABLE statement.");
        default:
            return makeError(err::kDropSyntax,
                             "Syntax error in DROP TABLE or DROP INDEX statement.");
    }
}

Error invalidStatement() {
    return makeError(err::kInvalidStatement,
                     "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', "
                     "or 'UPDATE'.");
}

class Parser {
  public:
    Parser(const std::vector<Token>& toks, std::size_t end) : t_(toks), end_(end) {}

    Definition statement() {
        if (word("CREATE")) {
            if (word("TABLE")) return createTable();
            const bool unique = word("UNIQUE");
            if (word("INDEX")) return createIndex(unique);
            throw Failure{invalidStatement()};
        }
        if (word("DROP")) {
            code_ = err::kDropSyntax;
            Definition d;
            if (word("TABLE")) {
                d = DropTable{name()};
            } else if (word("VIEW")) {
                d = DropView{name()};
            } else if (word("INDEX")) {
                DropIndex di;
                di.index = name();
                if (word("ON")) di.table = name();
                d = std::move(di);
            } else {
                throw Failure{invalidStatement()};
            }
            finish();
            return d;
        }
        if (word("ALTER") && word("TABLE")) return alterTable();
        throw Failure{invalidStatement()};
    }

  private:
    // ---- token helpers ---------------------------------------------------

    bool atEnd() const { return pos_ >= end_; }
    const Token& cur() const { return t_[pos_]; }
    bool isWordAt(std::size_t i, std::string_view w) const { return i < end_ && isWord(t_[i], w); }
    bool word(std::string_view w) {
        if (!isWordAt(pos_, w)) return false;
        ++pos_;
        return true;
    }
    bool symbol(std::string_view s) {
        if (atEnd() || !isSymbol(cur(), s)) return false;
        ++pos_;
        return true;
    }
    [[noreturn]] void fail(int number) const { throw Failure{syntax(number)}; }
    [[noreturn]] void fail() const { fail(code_); }
    void expectWord(std::string_view w) {
        if (!word(w)) fail();
    }
    void expectSymbol(std::string_view s) {
        if (!symbol(s)) fail();
    }
    void finish() const {
        if (!atEnd()) fail();
    }

    bool nameAhead() const {
        if (atEnd()) return false;
        const Token& t = cur();
        return t.kind == TokenKind::Name || (t.kind == TokenKind::Word && !reserved(t));
    }
    // One unqualified name, bracketed or bare: an object of this database.
    std::string name() {
        if (!nameAhead()) fail();
        std::string n = tokenValue(t_[pos_++]);
        if (!atEnd() && isSymbol(cur(), ".")) fail();
        return n;
    }
    std::vector<std::string> nameList() {
        std::vector<std::string> out;
        expectSymbol("(");
        do out.push_back(name());
        while (symbol(","));
        expectSymbol(")");
        return out;
    }
    long number() {
        if (atEnd() || cur().kind != TokenKind::Number ||
            cur().text.find_first_not_of("0123456789") != std::string_view::npos ||
            cur().text.size() > 9)
            fail();
        return std::stol(std::string(t_[pos_++].text));
    }

    // ---- CREATE TABLE ----------------------------------------------------

    Definition createTable() {
        code_ = err::kCreateTableSyntax;
        CreateTable ct;
        ct.table = name();
        expectSymbol("(");
        do {
            if (constraintAhead())
                ct.constraints.push_back(tableConstraint());
            else
                ct.columns.push_back(columnDefinition());
        } while (symbol(","));
        expectSymbol(")");
        finish();
        return ct;
    }

    // A table-level constraint starts with CONSTRAINT, or with the key
    // words of one followed by its list of fields.
    bool constraintAhead() const {
        if (isWordAt(pos_, "CONSTRAINT")) return true;
        auto list = [&](std::size_t i) { return i < end_ && isSymbol(t_[i], "("); };
        if (isWordAt(pos_, "PRIMARY") || isWordAt(pos_, "FOREIGN") || isWordAt(pos_, "NOT"))
            return list(pos_ + 2);
        return isWordAt(pos_, "UNIQUE") && list(pos_ + 1);
    }

    // [CONSTRAINT name] {PRIMARY KEY (fields) | UNIQUE (fields) | NOT NULL (fields) |
    //                    FOREIGN KEY (fields) REFERENCES table [(fields)]}
    Constraint tableConstraint() {
        const int outer = code_;
        Constraint c;
        if (word("CONSTRAINT")) c.name = name();
        code_ = err::kConstraintSyntax;
        if (word("PRIMARY")) {
            expectWord("KEY");
            c.kind = ConstraintKind::PrimaryKey;
        } else if (word("UNIQUE")) {
            c.kind = ConstraintKind::Unique;
        } else if (word("NOT")) {
            expectWord("NULL");
            c.kind = ConstraintKind::NotNull;
        } else if (word("FOREIGN")) {
            expectWord("KEY");
            c.kind = ConstraintKind::ForeignKey;
        } else {
            fail();
        }
        c.fields = nameList();
        if (c.kind == ConstraintKind::ForeignKey) references(c);
        code_ = outer;
        return c;
    }

    void references(Constraint& c) {
        expectWord("REFERENCES");
        c.refTable = name();
        if (!atEnd() && isSymbol(cur(), "(")) c.refFields = nameList();
    }

    // name type [(size [, scale])] {[CONSTRAINT name] {NOT NULL | PRIMARY KEY | UNIQUE |
    //                                                  REFERENCES table [(fields)]}}
    ColumnDef columnDefinition() {
        ColumnDef col;
        col.name = name();
        const int outer = code_;
        code_ = err::kFieldSyntax;
        if (atEnd() || cur().kind != TokenKind::Word) fail();
        col.type = upper(t_[pos_++].text);
        const DialectType* type = dialectType(col.type);
        if (!type) fail();
        if (symbol("(")) {
            col.size = number();
            if (symbol(",")) col.scale = number();
            expectSymbol(")");
            if (!type->sized || col.scale >= 0 || col.size < 1 || col.size > type->maxSize) fail();
        }
        for (;;) {
            Constraint c;
            const bool named = word("CONSTRAINT");
            if (named) {
                code_ = err::kConstraintSyntax;
                c.name = name();
            }
            if (isWordAt(pos_, "NOT") && isWordAt(pos_ + 1, "NULL")) {
                pos_ += 2;
                c.kind = ConstraintKind::NotNull;
                col.notNull = true;
            } else if (isWordAt(pos_, "PRIMARY") && isWordAt(pos_ + 1, "KEY")) {
                pos_ += 2;
                c.kind = ConstraintKind::PrimaryKey;
            } else if (word("UNIQUE")) {
                c.kind = ConstraintKind::Unique;
            } else if (isWordAt(pos_, "REFERENCES")) {
                c.kind = ConstraintKind::ForeignKey;
                code_ = err::kConstraintSyntax;
                references(c);
            } else if (named) {
                fail();
            } else {
                break;
            }
            code_ = err::kFieldSyntax;
            col.constraints.push_back(std::move(c));
        }
        code_ = outer;
        return col;
    }

    // ---- CREATE INDEX ----------------------------------------------------

    // CREATE [UNIQUE] INDEX name ON table (field [ASC | DESC], ...)
    //     [WITH {PRIMARY | DISALLOW NULL | IGNORE NULL}]
    Definition createIndex(bool unique) {
        code_ = err::kCreateIndexSyntax;
        CreateIndex ci;
        ci.unique = unique;
        ci.index = name();
        expectWord("ON");
        ci.table = name();
        expectSymbol("(");
        do {
            IndexColumn c;
            c.field = name();
            if (word("DESC"))
                c.descending = true;
            else
                word("ASC");
            ci.columns.push_back(std::move(c));
        } while (symbol(","));
        expectSymbol(")");
        if (word("WITH")) {
            if (word("PRIMARY")) {
                ci.option = IndexOption::Primary;
            } else if (word("DISALLOW")) {
                expectWord("NULL");
                ci.option = IndexOption::DisallowNull;
            } else if (word("IGNORE")) {
                expectWord("NULL");
                ci.option = IndexOption::IgnoreNull;
            } else {
                fail();
            }
        }
        finish();
        return ci;
    }

    // ---- ALTER TABLE -----------------------------------------------------

    Definition alterTable() {
        code_ = err::kAlterTableSyntax;
        AlterTable at;
        at.table = name();
        if (word("ADD")) {
            if (constraintAhead()) {
                // A constraint added to a table always carries its name.
                if (!isWordAt(pos_, "CONSTRAINT")) fail();
                at.action = AlterAction::AddConstraint;
                at.constraint = tableConstraint();
            } else {
                word("COLUMN");
                at.action = AlterAction::AddColumn;
                at.column = columnDefinition();
            }
        } else if (word("DROP")) {
            if (word("CONSTRAINT")) {
                at.action = AlterAction::DropConstraint;
            } else {
                word("COLUMN");
                at.action = AlterAction::DropColumn;
            }
            at.name = name();
        } else if (word("ALTER")) {
            word("COLUMN");
            at.action = AlterAction::AlterColumn;
            at.column = columnDefinition();
        } else if (word("RENAME")) {
            expectWord("TO");
            at.action = AlterAction::Rename;
            at.name = name();
        } else {
            fail();
        }
        finish();
        return at;
    }

    const std::vector<Token>& t_;
    std::size_t end_;
    std::size_t pos_ = 0;
    int code_ = err::kCreateTableSyntax;
};

// The dialect's type words and their synonyms.
constexpr DialectType kTypes[] = {
    {"TEXT", dbText, false, true, 255},
    {"CHAR", dbText, false, true, 255},
    {"VARCHAR", dbText, false, true, 255},
    {"CHARACTER", dbText, false, true, 255},
    {"STRING", dbText, false, true, 255},
    {"ALPHANUMERIC", dbText, false, true, 255},
    {"MEMO", dbMemo, false, false, 0},
    {"LONGTEXT", dbMemo, false, false, 0},
    {"LONGCHAR", dbMemo, false, false, 0},
    {"NOTE", dbMemo, false, false, 0},
    {"BYTE", dbByte, false, false, 0},
    {"INTEGER1", dbByte, false, false, 0},
    {"SHORT", dbInteger, false, false, 0},
    {"SMALLINT", dbInteger, false, false, 0},
    {"INTEGER2", dbInteger, false, false, 0},
    {"LONG", dbLong, false, false, 0},
    {"INT", dbLong, false, false, 0},
    {"INTEGER", dbLong, false, false, 0},
    {"INTEGER4", dbLong, false, false, 0},
    {"SINGLE", dbSingle, false, false, 0},
    {"REAL", dbSingle, false, false, 0},
    {"FLOAT4", dbSingle, false, false, 0},
    {"IEEESINGLE", dbSingle, false, false, 0},
    {"DOUBLE", dbDouble, false, false, 0},
    {"FLOAT", dbDouble, false, false, 0},
    {"FLOAT8", dbDouble, false, false, 0},
    {"IEEEDOUBLE", dbDouble, false, false, 0},
    {"NUMBER", dbDouble, false, false, 0},
    {"NUMERIC", dbDouble, false, false, 0},
    {"CURRENCY", dbCurrency, false, false, 0},
    {"MONEY", dbCurrency, false, false, 0},
    {"DATETIME", dbDate, false, false, 0},
    {"DATE", dbDate, false, false, 0},
    {"TIME", dbDate, false, false, 0},
    {"TIMESTAMP", dbDate, false, false, 0},
    {"YESNO", dbBoolean, false, false, 0},
    {"BIT", dbBoolean, false, false, 0},
    {"LOGICAL", dbBoolean, false, false, 0},
    {"LOGICAL1", dbBoolean, false, false, 0},
    {"BOOLEAN", dbBoolean, false, false, 0},
    {"COUNTER", dbLong, true, false, 0},
    {"AUTOINCREMENT", dbLong, true, false, 0},
    {"BINARY", dbBinary, false, true, 255},
    {"VARBINARY", dbBinary, false, true, 255},
    {"LONGBINARY", dbLongBinary, false, false, 0},
    {"GENERAL", dbLongBinary, false, false, 0},
    {"OLEOBJECT", dbLongBinary, false, false, 0},
    {"IMAGE", dbLongBinary, false, false, 0},
    {"GUID", dbGUID, false, false, 0},
};

}  // namespace

const DialectType* dialectType(std::string_view upperWord) {
    for (const DialectType& t : kTypes)
        if (t.word == upperWord) return &t;
    return nullptr;
}

bool isDefinitionStatement(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    std::size_t j = i;
    while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_' ||
                              static_cast<unsigned char>(sql[j]) >= 0x80))
        ++j;
    const std::string first = upper(sql.substr(i, j - i));
    return first == "CREATE" || first == "DROP" || first == "ALTER";
}

Result<Definition> parseDefinition(std::string_view sql) {
    auto toks = tokenize(sql);
    if (!toks) return toks.error();
    const std::vector<Token>& t = *toks;
    std::size_t end = t.size() - 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (!isSymbol(t[i], ";")) continue;
        if (t[i + 1].kind != TokenKind::End)
            return makeError(err::kCharsAfterEnd, "Characters found after end of SQL statement.");
        end = i;
    }
    try {
        return Parser(t, end).statement();
    } catch (const Failure& f) {
        return f.error;
    }
}

}  // namespace qrv::dao::sql
