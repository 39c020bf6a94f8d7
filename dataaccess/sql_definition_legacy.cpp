// Definition statements as the translator has always handled them: the
// dialect's CREATE TABLE, CREATE INDEX, ALTER TABLE and DROP are checked word
// by word so that nothing else (PRAGMA, ATTACH, triggers, IF EXISTS, DEFAULT,
// AS SELECT, ...) reaches SQLite, then written out token by token with names
// and literals re-quoted.
#include "dataaccess/sql_definition_legacy.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "dataaccess/date_text.h"
#include "dataaccess/sql_vocabulary.h"

namespace qrv::dao::sql {

namespace {

struct Failure {
    Error error;
};

class Definition {
  public:
    explicit Definition(const std::vector<Token>& tokens) : toks_(tokens) {
        kws_.reserve(toks_.size());
        for (const Token& t : toks_) kws_.push_back(keywordOf(t));
        end_ = static_cast<std::int32_t>(toks_.size()) - 1;
    }

    void run() {
        const std::int32_t end = end_;
        definition(end);
        passThrough(end);
    }
    std::string& output() { return out_; }
    std::vector<DefinedName>& definedNames() { return names_; }

  private:
    const Token& tok(std::int32_t i) const { return toks_[i]; }
    Kw kw(std::int32_t i) const { return kws_[i]; }
    bool sym(std::int32_t i, std::string_view s) const { return i < end_ && isSymbol(toks_[i], s); }
    bool isNameToken(std::int32_t i) const {
        return i < end_ && (toks_[i].kind == TokenKind::Name ||
                            (toks_[i].kind == TokenKind::Word && kws_[i] == Kw::None));
    }
    void sep() {
        if (out_.empty()) return;
        const char last = out_.back();
        if (last != '(' && last != ' ') out_.push_back(' ');
    }
    void appendIdentifier(const Token& t) {
        out_.push_back('"');
        std::string_view v = t.text;
        if (t.kind == TokenKind::Name) {
            v = v.substr(1, v.size() - 2);
            if (v.empty()) throw Failure{expressionError(t.text)};
        }
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i] == '"') out_.push_back('"');
            out_.push_back(v[i]);
            if (t.kind == TokenKind::Name && v[i] == ']') ++i;  // "]]" stands for one "]"
        }
        out_.push_back('"');
    }
    // A String token as an SQLite literal: its own delimiter un-doubled,
    // single quotes doubled.
    void appendLiteral(const Token& t) {
        const char delim = t.text.front();
        const std::string_view v = t.text.substr(1, t.text.size() - 2);
        out_.push_back('\'');
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i] == delim) ++i;  // the tokenizer only lets doubled delimiters through
            if (v[i] == '\'') out_.push_back('\'');
            out_.push_back(v[i]);
        }
        out_.push_back('\'');
    }

    // Statements other than queries and row changes (CREATE, DROP, ALTER):
    // names and literals are re-quoted, everything else is copied.
    // ---- definition statements ------------------------------------------

    // The dialect's data definitions, checked word by word so that nothing
    // else (PRAGMA, ATTACH, triggers, IF EXISTS, DEFAULT, AS SELECT, ...)
    // reaches SQLite; passThrough then writes the checked tokens out.
    void definition(std::int32_t end) {
        for (std::int32_t i = 0; i < end; ++i) {
            if (!isSymbol(tok(i), ";")) continue;
            if (toks_[i + 1].kind != TokenKind::End)
                throw Failure{
                    makeError(err::kCharsAfterEnd, "Characters found after end of SQL statement.")};
            end = i;
        }
        pos_ = 0;
        end_ = end;
        if (defWord(0, "CREATE") && defWord(1, "TABLE")) {
            defWhat_ = "CREATE TABLE statement";
            pos_ = 2;
            defName(true, false);
            defSymbol("(");
            do {
                if (defWord(pos_, "CONSTRAINT"))
                    tableConstraint();
                else
                    columnDefinition();
            } while (defComma());
            defSymbol(")");
        } else if (defWord(0, "CREATE") &&
                   (defWord(1, "INDEX") || (defWord(1, "UNIQUE") && defWord(2, "INDEX")))) {
            defWhat_ = "CREATE INDEX statement";
            pos_ = defWord(1, "UNIQUE") ? 3 : 2;
            defName(true, false);
            if (kw(pos_) != Kw::On) failDefinition();
            ++pos_;
            defName(false, false);
            defSymbol("(");
            do {
                defName(false, true);
                if (kw(pos_) == Kw::Asc || kw(pos_) == Kw::Desc) ++pos_;
            } while (defComma());
            defSymbol(")");
        } else if (defWord(0, "DROP") &&
                   (defWord(1, "TABLE") || defWord(1, "INDEX") || defWord(1, "VIEW"))) {
            defWhat_ = "DROP TABLE or DROP INDEX statement";
            pos_ = 2;
            defName(false, false);
        } else if (defWord(0, "ALTER") && defWord(1, "TABLE")) {
            defWhat_ = "ALTER TABLE statement";
            pos_ = 2;
            defName(false, false);
            if (defWord(pos_, "RENAME") && defWord(pos_ + 1, "TO")) {
                pos_ += 2;
                defName(true, false);
            } else if (defWord(pos_, "ADD")) {
                pos_ += defWord(pos_ + 1, "COLUMN") ? 2 : 1;
                columnDefinition();
            } else if (defWord(pos_, "DROP")) {
                pos_ += defWord(pos_ + 1, "COLUMN") ? 2 : 1;
                defName(false, true);
            } else {
                failDefinition();
            }
        } else {
            throw Failure{makeError(err::kInvalidStatement,
                                    "Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                    "'PROCEDURE', 'SELECT', or 'UPDATE'.")};
        }
        if (pos_ != end_) failDefinition();
    }

    [[noreturn]] void failDefinition() const {
        throw Failure{makeError(err::kSyntaxError, "Syntax error in " + defWhat_ + ".")};
    }
    bool defWord(std::int32_t i, std::string_view upperWord) const {
        return i < end_ && tok(i).kind == TokenKind::Word && isWord(tok(i), upperWord);
    }
    void defSymbol(std::string_view s) {
        if (!sym(pos_, s)) failDefinition();
        ++pos_;
    }
    bool defComma() {
        if (!sym(pos_, ",")) return false;
        ++pos_;
        return true;
    }
    // One unqualified name: an object of this database, never of another schema.
    void defName(bool created, bool field) {
        if (!isNameToken(pos_) || sym(pos_ + 1, ".")) failDefinition();
        const Token& t = tok(pos_++);
        std::string name;
        if (t.kind == TokenKind::Name) {
            const std::string_view v = t.text.substr(1, t.text.size() - 2);
            for (std::size_t i = 0; i < v.size(); ++i) {
                name.push_back(v[i]);
                if (v[i] == ']') ++i;  // "]]" stands for one "]"
            }
        } else {
            name = t.text;
        }
        names_.push_back(DefinedName{std::move(name), created, field});
    }
    void defNameList(bool field) {
        defSymbol("(");
        do defName(false, field);
        while (defComma());
        defSymbol(")");
    }
    // name type [(size [, scale])] {NOT NULL | PRIMARY KEY | UNIQUE | CONSTRAINT name ...}
    void columnDefinition() {
        defName(true, true);
        if (pos_ >= end_ || tok(pos_).kind != TokenKind::Word || kw(pos_) != Kw::None)
            failDefinition();
        ++pos_;
        if (sym(pos_, "(")) {
            ++pos_;
            do {
                if (pos_ >= end_ || tok(pos_).kind != TokenKind::Number ||
                    tok(pos_).text.find_first_not_of("0123456789") != std::string_view::npos)
                    failDefinition();
                ++pos_;
            } while (defComma());
            defSymbol(")");
        }
        for (;;) {
            bool named = false;
            if (defWord(pos_, "CONSTRAINT")) {
                ++pos_;
                defName(true, false);
                named = true;
            }
            if (kw(pos_) == Kw::Not && kw(pos_ + 1) == Kw::Null && pos_ + 1 < end_) {
                pos_ += 2;
            } else if (defWord(pos_, "PRIMARY") && defWord(pos_ + 1, "KEY")) {
                pos_ += 2;
            } else if (defWord(pos_, "UNIQUE")) {
                ++pos_;
            } else if (defWord(pos_, "REFERENCES") && named) {
                ++pos_;
                defName(false, false);
                if (sym(pos_, "(")) defNameList(true);
            } else if (named) {
                failDefinition();
            } else {
                return;
            }
        }
    }
    // CONSTRAINT name {PRIMARY KEY (fields) | UNIQUE (fields) |
    //                  FOREIGN KEY (fields) REFERENCES table [(fields)]}
    void tableConstraint() {
        ++pos_;
        defName(true, false);
        if (defWord(pos_, "PRIMARY") && defWord(pos_ + 1, "KEY")) {
            pos_ += 2;
            defNameList(true);
        } else if (defWord(pos_, "UNIQUE")) {
            ++pos_;
            defNameList(true);
        } else if (defWord(pos_, "FOREIGN") && defWord(pos_ + 1, "KEY")) {
            pos_ += 2;
            defNameList(true);
            if (!defWord(pos_, "REFERENCES")) failDefinition();
            ++pos_;
            defName(false, false);
            if (sym(pos_, "(")) defNameList(true);
        } else {
            failDefinition();
        }
    }

    void passThrough(std::int32_t end) {
        bool glue = false;  // after a qualifying "." the name follows without a blank
        for (std::int32_t i = 0; i < end; ++i) {
            const Token& t = tok(i);
            if (isSymbol(t, ";")) {
                if (toks_[i + 1].kind != TokenKind::End)
                    throw Failure{makeError(err::kCharsAfterEnd,
                                            "Characters found after end of SQL statement.")};
                break;
            }
            if (isSymbol(t, ",") || isSymbol(t, ")") || isSymbol(t, ".")) {
                out_.append(t.text);
                glue = isSymbol(t, ".");
                continue;
            }
            if (!glue) sep();
            glue = false;
            switch (t.kind) {
                case TokenKind::Name:
                    appendIdentifier(t);
                    break;
                case TokenKind::String:
                    appendLiteral(t);
                    break;
                case TokenKind::Date: {
                    const std::optional<double> serial = parseDateText(tokenValue(t));
                    if (!serial) throw Failure{expressionError(t.text)};
                    out_.append(quoteLiteral(serialDateToIso(*serial)));
                    break;
                }
                default:
                    out_.append(t.text);
            }
        }
    }

    const std::vector<Token>& toks_;
    std::vector<Kw> kws_;
    std::string out_;
    std::vector<DefinedName> names_;
    std::string defWhat_;
    std::int32_t pos_ = 0;
    std::int32_t end_ = 0;
};

}  // namespace

Result<TranslatedSql> translateDefinition(const std::vector<Token>& tokens) {
    Definition d(tokens);
    try {
        d.run();
    } catch (Failure& f) {
        return std::move(f.error);
    }
    TranslatedSql out;
    out.sql = std::move(d.output());
    out.names = std::move(d.definedNames());
    return out;
}

}  // namespace qrv::dao::sql
