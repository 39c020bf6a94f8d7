// Translation of dialect SQL into SQLite SQL.
//
// The statement is tokenized first (sql_tokenizer.h). A clause walker then
// follows the statement's structure (select list, FROM with joins and source
// clauses, WHERE, GROUP BY, ...), and every expression inside it is parsed
// with the dialect's operator precedence into a small tree held in one vector
// and written out again with SQLite's precedence, adding parentheses only
// where the two grammars disagree. Names and literals are re-quoted from their
// token values, so nothing written inside them can reach the output as SQL.
#include "dataaccess/sql_dialect.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "dataaccess/fold.h"
#include "dataaccess/sql_tokenizer.h"

namespace qrv::dao {

namespace {

using sql::Token;
using sql::TokenKind;

// clang-format off
enum class Kw : std::uint8_t {
    None, Select, From, Where, Group, Order, By, Having, As, Asc, Desc, Inner, Left, Right,
    Outer, Join, On, Union, All, Insert, Into, Values, Update, Set, Delete, Distinct,
    Distinctrow, Top, Percent, And, Or, Not, Xor, Eqv, Imp, Is, Null, Between, Like, In, Mod,
    True, False, Exists, Transform, Pivot, Parameters,
};

// The dialect's reserved words: never a bare column or table name. Words
// reserved only in SQLite need no entry, as bare names are always written quoted.
constexpr std::pair<std::string_view, Kw> kKeywords[] = {
    {"SELECT", Kw::Select},     {"FROM", Kw::From},           {"WHERE", Kw::Where},
    {"GROUP", Kw::Group},       {"ORDER", Kw::Order},         {"BY", Kw::By},
    {"HAVING", Kw::Having},     {"AS", Kw::As},               {"ASC", Kw::Asc},
    {"DESC", Kw::Desc},         {"INNER", Kw::Inner},         {"LEFT", Kw::Left},
    {"RIGHT", Kw::Right},       {"OUTER", Kw::Outer},         {"JOIN", Kw::Join},
    {"ON", Kw::On},             {"UNION", Kw::Union},         {"ALL", Kw::All},
    {"INSERT", Kw::Insert},     {"INTO", Kw::Into},
    {"VALUES", Kw::Values},     {"UPDATE", Kw::Update},       {"SET", Kw::Set},
    {"DELETE", Kw::Delete},     {"DISTINCT", Kw::Distinct},   {"DISTINCTROW", Kw::Distinctrow},
    {"TOP", Kw::Top},           {"PERCENT", Kw::Percent},     {"AND", Kw::And},
    {"OR", Kw::Or},             {"NOT", Kw::Not},             {"XOR", Kw::Xor},
    {"EQV", Kw::Eqv},           {"IMP", Kw::Imp},             {"IS", Kw::Is},
    {"NULL", Kw::Null},         {"BETWEEN", Kw::Between},     {"LIKE", Kw::Like},
    {"IN", Kw::In},             {"MOD", Kw::Mod},             {"TRUE", Kw::True},
    {"FALSE", Kw::False},       {"EXISTS", Kw::Exists},       {"TRANSFORM", Kw::Transform},
    {"PIVOT", Kw::Pivot},       {"PARAMETERS", Kw::Parameters},
};
// clang-format on

Kw keywordOf(const Token& t) {
    if (t.kind != TokenKind::Word || t.text.size() > 11) return Kw::None;
    for (const auto& [word, kw] : kKeywords) {
        if (sql::isWord(t, word)) return kw;
    }
    return Kw::None;
}

std::string_view keywordText(Kw k) {
    for (const auto& [word, kw] : kKeywords) {
        if (kw == k) return word;
    }
    return {};
}

// Dialect functions whose name or shape differs in SQLite. Names not listed
// are passed through as written.
enum class Fn : std::uint8_t { Plain, IsNull, Nz };
struct FnMap {
    std::string_view dialect;  // upper case
    std::string_view sqlite;
    Fn shape;
};
// clang-format off
constexpr std::array<FnMap, 18> kFunctions{{
    {"IIF", "iif", Fn::Plain},           {"ISNULL", "", Fn::IsNull},
    {"NZ", "ifnull", Fn::Nz},            {"STDEV", "qrv_stdev", Fn::Plain},
    {"STDEVP", "qrv_stdevp", Fn::Plain}, {"VAR", "qrv_var", Fn::Plain},
    {"VARP", "qrv_varp", Fn::Plain},     {"FIRST", "qrv_first", Fn::Plain},
    {"LAST", "qrv_last", Fn::Plain},     {"SUM", "sum", Fn::Plain},
    {"COUNT", "count", Fn::Plain},       {"MIN", "min", Fn::Plain},
    {"MAX", "max", Fn::Plain},           {"AVG", "avg", Fn::Plain},
    {"LEN", "length", Fn::Plain},        {"UCASE", "upper", Fn::Plain},
    {"LCASE", "lower", Fn::Plain},       {"MID", "substr", Fn::Plain},
}};

// Dialect precedence, loosest first (Not is a prefix, Neg the unary minus).
enum Prec : int {
    kImp = 1, kEqv, kXor, kOr, kAnd, kNot, kCompare, kConcat, kAdd, kMod, kIntDiv, kMul, kNeg, kPow
};

enum class NodeKind : std::uint8_t {
    Number, String, Date, Name, Null, Bool, Field, Star, Call, Group, Row, Subquery, Exists,
    Unary, Binary, Like, IsNull, Between, In,
};
enum class Op : std::uint8_t {
    None, Eq, Ne, Lt, Gt, Le, Ge, And, Or, Xor, Eqv, Imp, Concat, Add, Sub, Mod, IntDiv, Mul,
    Div, Pow, Neg, Plus, Not,
    TextAdd,  // "+" of two texts, which joins them (a Null operand still gives Null)
};
// clang-format on

// What the translator can tell of a value's type from the expression alone.
// Field values may be text or numbers; only the row can say.
enum class Ty : std::uint8_t { Unknown, Num, Text, Field };

struct Node {
    NodeKind kind = NodeKind::Null;
    Op op = Op::None;
    bool flag = false;  // Bool: true; Like/IsNull/Between/In: negated; Binary: SET assignment
    Fn shape = Fn::Plain;
    bool native = false;       // Like: the pattern maps onto SQLite's own LIKE
    std::int32_t tok = -1;     // literal or first name token; Subquery: first token inside
    std::int32_t tokEnd = -1;  // Name: last token; Subquery: the closing parenthesis
    std::int32_t a = -1, b = -1, c = -1;  // operands; Call/Row/In: first item of a list
    std::int32_t next = -1;               // next item in a list
    std::int32_t depth = 1;
    Ty ty = Ty::Unknown;
    std::string_view fn;  // Call: SQLite function name
};

bool isComparison(Op op) {
    return op == Op::Eq || op == Op::Ne || op == Op::Lt || op == Op::Gt || op == Op::Le ||
           op == Op::Ge;
}

// Where a node sits in SQLite's own precedence (higher binds tighter); used to
// decide whether an operand must be parenthesised when written out.
int sqlitePrec(const Node& n) {
    switch (n.kind) {
        case NodeKind::Unary:
            return n.op == Op::Not ? 3 : 11;
        case NodeKind::Like:
            return n.native ? 4 : n.flag ? 3 : 100;
        case NodeKind::IsNull:
        case NodeKind::Between:
        case NodeKind::In:
            return 4;
        case NodeKind::Binary:
            switch (n.op) {
                case Op::Or:
                case Op::Imp:
                    return 1;
                case Op::And:
                    return 2;
                case Op::Eq:
                case Op::Ne:
                case Op::Xor:
                case Op::Eqv:
                    return 4;
                case Op::Lt:
                case Op::Gt:
                case Op::Le:
                case Op::Ge:
                    return 5;
                case Op::Add:
                case Op::Sub:
                    return 7;
                case Op::Mul:
                case Op::Div:
                    return 8;
                case Op::TextAdd:
                    return 9;
                default:
                    return 100;  // Pow, Mod, "\" and "&" are written as function calls
            }
        default:
            return 100;
    }
}

// The SQLite text of the operators written as "left op right".
std::string_view infixText(Op op) {
    switch (op) {
        case Op::Eq:
            return " = ";
        case Op::Ne:
            return " <> ";
        case Op::Lt:
            return " < ";
        case Op::Gt:
            return " > ";
        case Op::Le:
            return " <= ";
        case Op::Ge:
            return " >= ";
        case Op::And:
            return " AND ";
        case Op::Or:
            return " OR ";
        case Op::TextAdd:
            return " || ";
        case Op::Add:
            return " + ";
        case Op::Sub:
            return " - ";
        case Op::Mul:
            return " * ";
        default:
            return {};
    }
}

// True when `left`, the left operand of an operator at SQLite level `prec`,
// is written without parentheses as part of the same chain.
bool chainsWith(const Node& left, int prec) {
    return left.kind == NodeKind::Binary && !infixText(left.op).empty() && sqlitePrec(left) == prec;
}

struct Failure {
    Error error;
};

// Bounds recursion on hostile or generated input; deep enough for any real
// query, shallow enough for the stack of a sanitized build.
constexpr int kMaxDepth = 1000;

// How a LIKE pattern written as a literal maps onto SQLite's own LIKE.
// Returns false when the pattern needs qrv_like (classes, "#", non-ASCII case).
bool nativeLikePattern(std::string_view pattern, std::string& out, bool& escape) {
    escape = false;
    for (const char ch : pattern) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '#' || c == '[' || c >= 0x80) return false;
        if (c == '%' || c == '_') escape = true;
    }
    out.push_back('\'');
    for (const char ch : pattern) {
        switch (ch) {
            case '*':
                out.push_back('%');
                break;
            case '?':
                out.push_back('_');
                break;
            case '%':
            case '_':
                out.push_back('\\');
                out.push_back(ch);
                break;
            case '\\':
                if (escape) out.push_back('\\');
                out.push_back(ch);
                break;
            case '\'':
                out.append("''");
                break;
            default:
                out.push_back(ch);
        }
    }
    out.push_back('\'');
    return true;
}

// Small cursor over the inside of a #date# literal.
struct DateCursor {
    std::string_view s;
    std::size_t i = 0;

    void skipSpace() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    // Reads up to 4 digits; returns the number of digits read.
    int number(int& value) {
        int digits = 0;
        value = 0;
        while (i < s.size() && digits < 4 && s[i] >= '0' && s[i] <= '9') {
            value = value * 10 + (s[i] - '0');
            ++i;
            ++digits;
        }
        return digits;
    }
    bool take(char c) {
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
};

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// "#m/d/yyyy h:mm:ss AM#" and friends to "YYYY-MM-DD HH:MM:SS", the stored
// form of dates; a time alone falls on the engine's day zero, 1899-12-30.
bool convertDate(std::string_view literal, std::string& out) {
    DateCursor cur{literal};
    cur.skipSpace();
    int y = 1899, m = 12, d = 30, h = 0, mi = 0, s = 0;
    const std::size_t start = cur.i;
    int first = 0;
    const int firstDigits = cur.number(first);
    if (firstDigits == 0) return false;
    const bool hasDate = cur.i < literal.size() &&
                         (literal[cur.i] == '/' || literal[cur.i] == '-' || literal[cur.i] == '.');
    if (hasDate) {
        const char sep = literal[cur.i++];
        int second = 0, third = 0;
        if (cur.number(second) == 0 || !cur.take(sep)) return false;
        const int thirdDigits = cur.number(third);
        if (thirdDigits == 0) return false;
        if (firstDigits == 4) {
            y = first, m = second, d = third;
        } else {
            m = first, d = second, y = third;
            if (thirdDigits <= 2) y += y < 30 ? 2000 : 1900;
        }
        if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return false;
        cur.skipSpace();
    } else {
        cur.i = start;
    }
    if (cur.i < literal.size()) {
        if (cur.number(h) == 0) return false;
        bool hasMinutes = false;
        if (cur.take(':')) {
            if (cur.number(mi) == 0) return false;
            hasMinutes = true;
            if (cur.take(':') && cur.number(s) == 0) return false;
        }
        cur.skipSpace();
        const std::string_view rest = literal.substr(cur.i);
        auto is = [&](std::string_view w) {
            if (rest.size() < w.size()) return false;
            for (std::size_t k = 0; k < w.size(); ++k)
                if (std::toupper(static_cast<unsigned char>(rest[k])) != w[k]) return false;
            return true;
        };
        if (is("AM") || is("PM")) {
            if (h > 12) return false;
            h = h % 12 + (is("PM") ? 12 : 0);
            cur.i += 2;
        } else if (!hasMinutes) {
            return false;  // a bare number is neither a date nor a time
        }
        cur.skipSpace();
        if (cur.i != literal.size() || h > 23 || mi > 59 || s > 59) return false;
    }
    char buf[24];
    const int values[] = {y, m, d, h, mi, s};
    const int widths[] = {4, 2, 2, 2, 2, 2};
    const char seps[] = {'-', '-', ' ', ':', ':', '\0'};
    std::size_t n = 0;
    for (int k = 0; k < 6; ++k) {
        int v = values[k];
        for (int w = widths[k] - 1; w >= 0; --w) {
            buf[n + w] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        n += widths[k];
        if (seps[k]) buf[n++] = seps[k];
    }
    out.push_back('\'');
    out.append(buf, n);
    out.push_back('\'');
    return true;
}

class Translator {
  public:
    Translator(std::string_view source, const std::vector<Token>& tokens, const AttachFn* attach)
        : src_(source), toks_(tokens), attach_(attach) {
        kws_.reserve(toks_.size());
        for (const Token& t : toks_) kws_.push_back(keywordOf(t));
        out_.reserve(source.size() + source.size() / 4 + 16);
        nodes_.reserve(32);
    }

    StatementKind kind() const { return kind_; }
    std::string& output() { return out_; }

    // A field rule is stored in the schema, where other SQLite clients read it:
    // it may use SQLite's own functions only.
    void setRuleField(std::string_view field) {
        ruleField_ = field;
        portable_ = true;
    }
    void setPortable() { portable_ = true; }

    // A whole statement from token 0 up to End, with an optional trailing ";".
    void topStatement() {
        const std::int32_t end = static_cast<std::int32_t>(toks_.size()) - 1;
        switch (kws_[0]) {
            case Kw::Select:
                kind_ = StatementKind::Select;
                break;
            case Kw::Insert:
                kind_ = StatementKind::Insert;
                break;
            case Kw::Update:
                kind_ = StatementKind::Update;
                break;
            case Kw::Delete:
                kind_ = StatementKind::Delete;
                break;
            default:
                kind_ = StatementKind::Other;
        }
        if (toks_[0].kind == TokenKind::End || sql::isSymbol(toks_[0], ";"))
            throw Failure{makeError(err::kSyntaxError,
                                    "Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                    "'PROCEDURE', 'SELECT', or 'UPDATE'.")};
        if (kind_ == StatementKind::Other) {
            definition(end);
            passThrough(end);
        } else {
            statement(0, end, true);
        }
    }

    std::vector<DefinedName>& definedNames() { return names_; }

    // One expression covering all tokens.
    void topExpression() {
        if (toks_[0].kind == TokenKind::End) throw Failure{sql::expressionError("")};
        pos_ = 0;
        end_ = static_cast<std::int32_t>(toks_.size()) - 1;
        exprStart_ = 0;
        const std::int32_t root = parseExpr(0);
        if (pos_ != end_) failExpr(pos_);
        emitNode(root);
    }

  private:
    // ---- shared helpers -------------------------------------------------

    const Token& tok(std::int32_t i) const { return toks_[i]; }
    Kw kw(std::int32_t i) const { return kws_[i]; }
    bool sym(std::int32_t i, std::string_view s) const {
        return i < end_ && sql::isSymbol(toks_[i], s);
    }
    bool isNameToken(std::int32_t i) const {
        return i < end_ && (toks_[i].kind == TokenKind::Name ||
                            (toks_[i].kind == TokenKind::Word && kws_[i] == Kw::None));
    }

    [[noreturn]] void failExpr(std::int32_t at) const {
        const Token& t = toks_[at];
        const std::size_t endOff =
            t.kind == TokenKind::End ? src_.size() : t.offset + t.text.size();
        std::size_t begin = toks_[exprStart_].offset;
        if (begin > endOff) begin = t.offset;
        throw Failure{sql::expressionError(src_.substr(begin, endOff - begin))};
    }

    [[noreturn]] void failStatement() const {
        std::string text;
        switch (kind_) {
            case StatementKind::Insert:
                text = "Syntax error in INSERT INTO statement.";
                break;
            case StatementKind::Update:
                text = "Syntax error in UPDATE statement.";
                break;
            case StatementKind::Delete:
                text = "Syntax error in DELETE statement.";
                break;
            default:
                text = inTable_ ? "Syntax error in FROM clause."
                                : "The SELECT statement includes a reserved word or an argument "
                                  "name that is misspelled or missing, or the punctuation is "
                                  "incorrect.";
        }
        throw Failure{makeError(err::kSyntaxError, std::move(text))};
    }

    void enter() {
        if (++depth_ > kMaxDepth) failExpr(pos_ < end_ ? pos_ : end_);
    }

    // A blank between output pieces except after "("; callers write ",", ")"
    // and qualifying dots directly so those never get one around them.
    void sep() {
        if (out_.empty()) return;
        const char last = out_.back();
        if (last != '(' && last != ' ') out_.push_back(' ');
    }
    void word(std::string_view w) {
        sep();
        out_.append(w);
    }

    void appendIdentifier(const Token& t) {
        out_.push_back('"');
        std::string_view v = t.text;
        if (t.kind == TokenKind::Name) {
            v = v.substr(1, v.size() - 2);
            if (v.empty()) throw Failure{sql::expressionError(t.text)};
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

    // ---- statements -----------------------------------------------------

    enum class Ctx : std::uint8_t { None, Expr, Table };

    // Where the walker stands in a statement: each clause keyword is accepted
    // only after the clauses that may come before it.
    // clang-format off
    enum class Clause : std::uint8_t {
        Start, SelectList, From, Where, GroupBy, Having, OrderBy,
        InsertTarget, Values, UpdateTarget, Set, DeleteHead,
    };
    // clang-format on

    void statement(std::int32_t begin, std::int32_t end, bool top) {
        enter();
        const std::int32_t savedPos = pos_, savedEnd = end_;
        const bool savedTable = inTable_;
        pos_ = begin;
        end_ = end;
        Clause clause = Clause::Start;
        Ctx ctx = Ctx::None;
        bool expectItem = true;     // a name or expression must come next
        bool aliasAllowed = false;  // a bare table alias may come next
        int joinParens = 0;         // open "(" of nested joins: FROM ((a INNER JOIN b ON ...) ...)
        int joinsWithoutOn = 0;     // each JOIN owes one ON
        std::string_view limit;
        bool distinctRow = false;
        std::vector<std::int32_t> rowKeys;  // DISTINCTROW: whose rows make one output row
        bool joined = false;                // FROM has more than one table
        bool closeDelete = false;           // DELETE over a join owes a ")"
        auto require = [this](bool ok) {
            if (!ok) failStatement();
        };
        // DISTINCTROW across a join: one output row per combination of rows of
        // the tables whose fields are selected, whatever they matched.
        auto groupByRowKeys = [&] {
            if (joined && !rowKeys.empty()) {
                word("GROUP BY");
                for (std::size_t k = 0; k < rowKeys.size(); ++k) {
                    if (k != 0) out_.push_back(',');
                    sep();
                    appendIdentifier(tok(rowKeys[k]));
                    out_.append(".rowid");
                }
            }
            rowKeys.clear();
        };
        // A clause keyword may follow only a complete item.
        auto after = [&](std::initializer_list<Clause> allowed) {
            bool ok = !expectItem;
            if (ok) {
                ok = false;
                for (const Clause c : allowed) ok = ok || c == clause;
            }
            require(ok);
        };
        auto startClause = [&](Clause c, std::string_view text, Ctx next, std::int32_t width) {
            word(text);
            pos_ += width;
            clause = c;
            ctx = next;
            expectItem = true;
            aliasAllowed = false;
        };
        while (pos_ < end_) {
            const Token& t = tok(pos_);
            const Kw k = kw(pos_);
            inTable_ = ctx == Ctx::Table;
            if (sql::isSymbol(t, ";")) {
                if (!top) failStatement();
                if (toks_[pos_ + 1].kind != TokenKind::End)
                    throw Failure{makeError(err::kCharsAfterEnd,
                                            "Characters found after end of SQL statement.")};
                break;
            }
            switch (k) {
                case Kw::Select:
                    require(clause == Clause::Start || clause == Clause::InsertTarget);
                    startClause(Clause::SelectList, "SELECT", Ctx::Expr, 1);
                    for (;;) {
                        const Kw m = kw(pos_);
                        if (m == Kw::Distinct || m == Kw::All) {
                            word(keywordText(m));
                        } else if (m == Kw::Distinctrow) {
                            distinctRow = true;
                        } else if (m == Kw::Top) {
                            const Token& n = tok(pos_ + 1);
                            require(n.kind == TokenKind::Number &&
                                    n.text.find_first_not_of("0123456789") ==
                                        std::string_view::npos);
                            require(kw(pos_ + 2) != Kw::Percent);
                            limit = n.text;
                            ++pos_;
                        } else {
                            break;
                        }
                        ++pos_;
                    }
                    if (distinctRow) rowKeys = distinctRowKeys(pos_);
                    distinctRow = false;
                    continue;
                case Kw::From:
                    require(clause == Clause::DeleteHead ||
                            (clause == Clause::SelectList && !expectItem));
                    startClause(Clause::From, "FROM", Ctx::Table, 1);
                    continue;
                case Kw::Where:
                    after({Clause::From, Clause::Set});
                    startClause(Clause::Where, "WHERE", Ctx::Expr, 1);
                    continue;
                case Kw::Group:
                    after({Clause::From, Clause::Where});
                    require(kw(pos_ + 1) == Kw::By);
                    rowKeys.clear();  // groups are distinct already
                    startClause(Clause::GroupBy, "GROUP BY", Ctx::Expr, 2);
                    continue;
                case Kw::Having:
                    after({Clause::GroupBy});
                    startClause(Clause::Having, "HAVING", Ctx::Expr, 1);
                    continue;
                case Kw::Order:
                    after({Clause::SelectList, Clause::From, Clause::Where, Clause::GroupBy,
                           Clause::Having});
                    require(kw(pos_ + 1) == Kw::By);
                    groupByRowKeys();
                    startClause(Clause::OrderBy, "ORDER BY", Ctx::Expr, 2);
                    continue;
                case Kw::Set:
                    after({Clause::UpdateTarget});
                    startClause(Clause::Set, "SET", Ctx::Expr, 1);
                    continue;
                case Kw::Values:
                    require(clause == Clause::InsertTarget && sym(pos_ + 1, "("));
                    startClause(Clause::Values, "VALUES", Ctx::Expr, 1);
                    continue;
                case Kw::On:
                    require(ctx == Ctx::Table && !expectItem && clause == Clause::From &&
                            joinsWithoutOn > 0);
                    --joinsWithoutOn;
                    startClause(Clause::From, "ON", Ctx::Expr, 1);
                    continue;
                case Kw::Left:
                case Kw::Right:
                    if (ctx == Ctx::Expr && sym(pos_ + 1, "(")) break;  // Left(...) and Right(...)
                    [[fallthrough]];
                case Kw::Inner:
                case Kw::Outer:
                case Kw::Join: {
                    // [INNER | LEFT [OUTER] | RIGHT [OUTER]] JOIN, after a table
                    // or after the ON condition of the previous join.
                    require(clause == Clause::From && !expectItem);
                    std::int32_t i = pos_;
                    while (kw(i) != Kw::Join) {
                        const Kw j = kw(i);
                        require(j == Kw::Inner || j == Kw::Left || j == Kw::Right ||
                                j == Kw::Outer);
                        word(keywordText(j));
                        ++i;
                    }
                    pos_ = i;
                    ++joinsWithoutOn;
                    joined = true;
                    startClause(Clause::From, "JOIN", Ctx::Table, 1);
                    continue;
                }
                case Kw::As:
                    require(!expectItem && isNameToken(pos_ + 1) &&
                            (clause == Clause::SelectList ||
                             (clause == Clause::From && ctx == Ctx::Table && aliasAllowed)));
                    word("AS");
                    sep();
                    appendIdentifier(tok(pos_ + 1));
                    pos_ += 2;
                    aliasAllowed = false;
                    continue;
                case Kw::Asc:
                case Kw::Desc:
                    require(clause == Clause::OrderBy && !expectItem);
                    word(keywordText(k));
                    ++pos_;
                    continue;
                case Kw::Union:
                    after({Clause::SelectList, Clause::From, Clause::Where, Clause::GroupBy,
                           Clause::Having});
                    groupByRowKeys();
                    joined = false;
                    word(keywordText(k));
                    ++pos_;
                    if (kw(pos_) == Kw::All) {
                        word("ALL");
                        ++pos_;
                    }
                    require(kw(pos_) == Kw::Select);
                    clause = Clause::Start;
                    ctx = Ctx::None;
                    continue;
                case Kw::Insert:
                    require(pos_ == begin && kw(pos_ + 1) == Kw::Into && isNameToken(pos_ + 2));
                    word("INSERT INTO");
                    pos_ += 2;
                    insertTarget();
                    clause = Clause::InsertTarget;
                    ctx = Ctx::None;
                    expectItem = false;
                    continue;
                case Kw::Update:
                    require(pos_ == begin);
                    startClause(Clause::UpdateTarget, "UPDATE", Ctx::Table, 1);
                    continue;
                case Kw::Delete:
                    require(pos_ == begin);
                    closeDelete = deleteHead();
                    clause = Clause::DeleteHead;
                    ctx = Ctx::None;
                    expectItem = true;
                    continue;
                case Kw::Into:  // SELECT ... INTO makes a table: not a query
                case Kw::Top:
                case Kw::Distinct:
                case Kw::Distinctrow:
                case Kw::Transform:
                case Kw::Pivot:
                case Kw::Parameters:
                case Kw::Percent:
                case Kw::By:
                case Kw::All:
                    failStatement();
                default:
                    break;
            }
            if (ctx == Ctx::Table) {
                if (isNameToken(pos_)) {
                    if (expectItem) {
                        tableRef();
                        expectItem = false;
                        aliasAllowed = clause == Clause::From;
                    } else {
                        require(aliasAllowed);
                        sep();
                        appendIdentifier(t);
                        ++pos_;
                        aliasAllowed = false;
                    }
                } else if (sql::isSymbol(t, "(")) {
                    require(expectItem && clause == Clause::From);
                    if (kw(pos_ + 1) == Kw::Select) {
                        const std::int32_t close = t.match;
                        sep();
                        out_.push_back('(');
                        statement(pos_ + 1, close, false);
                        out_.push_back(')');
                        pos_ = close + 1;
                        expectItem = false;
                        aliasAllowed = true;
                    } else {
                        sep();
                        out_.push_back('(');
                        ++pos_;
                        ++joinParens;
                    }
                } else if (sql::isSymbol(t, ")")) {
                    require(!expectItem && joinParens > 0);
                    --joinParens;
                    out_.push_back(')');
                    ++pos_;
                    aliasAllowed = false;
                } else if (sql::isSymbol(t, ",")) {
                    require(!expectItem && clause == Clause::From && joinParens == 0);
                    out_.push_back(',');
                    ++pos_;
                    expectItem = true;
                    joined = true;
                } else {
                    failStatement();
                }
                continue;
            }
            if (ctx == Ctx::Expr) {
                if (sql::isSymbol(t, ",")) {
                    require(!expectItem);
                    out_.push_back(',');
                    ++pos_;
                    expectItem = true;
                } else if (sql::isSymbol(t, ")") && joinParens > 0 && !expectItem) {
                    // the ON condition of a parenthesised join ends here
                    --joinParens;
                    out_.push_back(')');
                    ++pos_;
                    ctx = Ctx::Table;
                    aliasAllowed = false;
                } else if (sql::isSymbol(t, "*") && expectItem && clause == Clause::SelectList) {
                    word("*");
                    ++pos_;
                    expectItem = false;
                } else if (clause == Clause::OrderBy && !expectItem && sql::isWord(t, "COLLATE")) {
                    // An ordering term may take the collations QRV_FOLD or QRV_CASELESS
                    // (names equal but for case together); no other, so nothing foreign
                    // reaches SQLite.
                    const bool caseless =
                        pos_ + 1 < end_ && sql::isWord(tok(pos_ + 1), "QRV_CASELESS");
                    require(pos_ + 1 < end_ &&
                            (caseless || sql::isWord(tok(pos_ + 1), "QRV_FOLD")));
                    word(caseless ? "COLLATE QRV_CASELESS" : "COLLATE QRV_FOLD");
                    pos_ += 2;
                } else {
                    if (!expectItem) failExpr(pos_);  // two expressions with no operator between
                    exprStart_ = pos_;
                    const std::size_t mark = nodes_.size();
                    const std::int32_t root = parseExpr(0);
                    // In SET, the top "=" assigns: its field is no comparand.
                    if (clause == Clause::Set && nodes_[root].kind == NodeKind::Binary)
                        nodes_[root].flag = true;
                    sep();
                    emitNode(root);
                    nodes_.resize(mark);
                    expectItem = false;
                }
                continue;
            }
            failStatement();
        }
        require(!expectItem && joinParens == 0 && joinsWithoutOn == 0 &&
                clause != Clause::UpdateTarget);
        groupByRowKeys();
        if (closeDelete) out_.push_back(')');
        if (!limit.empty()) {
            word("LIMIT");
            word(limit);
        }
        pos_ = savedPos;
        end_ = savedEnd;
        inTable_ = savedTable;
        --depth_;
    }

    // The target of INSERT INTO with its optional column list; a query or
    // VALUES must follow.
    void insertTarget() {
        tableRef();
        if (sym(pos_, "(")) {
            const std::int32_t close = tok(pos_).match;
            sep();
            out_.push_back('(');
            for (++pos_; pos_ < close; pos_ += 2) {
                if (!isNameToken(pos_) ||
                    !(pos_ + 1 == close || (sym(pos_ + 1, ",") && pos_ + 2 < close)))
                    failStatement();
                if (out_.back() != '(') out_.append(", ");
                appendIdentifier(tok(pos_));
            }
            out_.push_back(')');
            pos_ = close + 1;
        }
        if (kw(pos_) != Kw::Select && kw(pos_) != Kw::Values) failStatement();
    }

    // The select list of SELECT DISTINCTROW starting at `i`: when every item is
    // a field or "*" of a named table ([T].[F], [T].*, with or without AS), the
    // tokens of those table names, each once; otherwise none, and the rows of
    // all tables of the join count, which is what a plain SELECT gives.
    std::vector<std::int32_t> distinctRowKeys(std::int32_t i) const {
        std::vector<std::int32_t> keys;
        for (;;) {
            if (!isNameToken(i) || !(sym(i + 1, ".") || sym(i + 1, "!")) ||
                !(isNameToken(i + 2) || sym(i + 2, "*")))
                return {};
            const std::int32_t q = i;
            i += 3;
            if (kw(i) == Kw::As) {
                if (!isNameToken(i + 1)) return {};
                i += 2;
            }
            bool seen = false;
            for (const std::int32_t k : keys)
                seen = seen || iequal(sql::tokenValue(tok(k)), sql::tokenValue(tok(q)));
            if (!seen) keys.push_back(q);
            if (sym(i, ",")) {
                ++i;
                continue;
            }
            if (i < end_ && kw(i) == Kw::From) return keys;
            return {};
        }
    }

    // DELETE [DISTINCTROW] [* | table.*] FROM: SQLite knows only DELETE FROM of
    // one table. Over a join, the rows of the first table that have a match go:
    // DELETE FROM t WHERE rowid IN (SELECT t.rowid FROM <the join> WHERE ...).
    // Returns true when that subquery is open and the caller must close it.
    bool deleteHead() {
        word("DELETE");
        ++pos_;
        if (kw(pos_) == Kw::Distinctrow) ++pos_;
        std::int32_t target = -1;
        if (sym(pos_, "*")) {
            ++pos_;
        } else if (isNameToken(pos_) && sym(pos_ + 1, ".") && sym(pos_ + 2, "*")) {
            target = pos_;
            pos_ += 3;
        }
        if (kw(pos_) != Kw::From) failStatement();
        bool join = false;
        for (std::int32_t i = pos_ + 1; i < end_ && kw(i) != Kw::Where; ++i) {
            if (sym(i, "(") && kw(i + 1) == Kw::Select) i = tok(i).match;
            join = join || kw(i) == Kw::Join || sym(i, ",");
        }
        if (!join) return false;
        std::int32_t table = pos_ + 1;
        while (sym(table, "(")) ++table;
        if (!isNameToken(table) || sym(table + 1, ".") || kw(table + 1) == Kw::In) failStatement();
        std::int32_t alias = table;
        if (kw(table + 1) == Kw::As && isNameToken(table + 2))
            alias = table + 2;
        else if (isNameToken(table + 1))
            alias = table + 1;
        if (target >= 0 && !iequal(sql::tokenValue(tok(target)), sql::tokenValue(tok(table))) &&
            !iequal(sql::tokenValue(tok(target)), sql::tokenValue(tok(alias))))
            failStatement();  // only the first table's rows can be deleted
        word("FROM");
        sep();
        appendIdentifier(tok(table));
        word("WHERE rowid IN (SELECT");
        sep();
        appendIdentifier(tok(alias));
        out_.append(".rowid");
        return true;
    }

    // A table name, optionally qualified, optionally followed by a source
    // clause IN 'path' naming another database file.
    void tableRef() {
        const std::int32_t first = pos_;
        std::int32_t last = pos_;
        while (sym(last + 1, ".") && isNameToken(last + 2)) last += 2;
        pos_ = last + 1;
        sep();
        if (kw(pos_) == Kw::In && tok(pos_ + 1).kind == TokenKind::String) {
            if (last != first) failStatement();
            if (tok(pos_ + 2).kind == TokenKind::Name) failStatement();  // foreign connect strings
            const std::string path = sql::tokenValue(tok(pos_ + 1));
            if (attach_ == nullptr || !*attach_)
                throw Failure{makeError(err::kNotValidPath, "'" + path + "' isn't a valid path.")};
            Result<std::string> schema = (*attach_)(path);
            if (!schema) throw Failure{schema.error()};
            out_.append(quoteIdentifier(schema.value()));
            out_.push_back('.');
            appendIdentifier(tok(first));
            pos_ += 2;
            return;
        }
        for (std::int32_t i = first; i <= last; i += 2) {
            if (i != first) out_.push_back('.');
            appendIdentifier(tok(i));
        }
    }

    // Statements other than queries and row changes (CREATE, DROP, ALTER):
    // names and literals are re-quoted, everything else is copied.
    // ---- definition statements ------------------------------------------

    // The dialect's data definitions, checked word by word so that nothing
    // else (PRAGMA, ATTACH, triggers, IF EXISTS, DEFAULT, AS SELECT, ...)
    // reaches SQLite; passThrough then writes the checked tokens out.
    void definition(std::int32_t end) {
        for (std::int32_t i = 0; i < end; ++i) {
            if (!sql::isSymbol(tok(i), ";")) continue;
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
        return i < end_ && tok(i).kind == TokenKind::Word && sql::isWord(tok(i), upperWord);
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
            if (sql::isSymbol(t, ";")) {
                if (toks_[i + 1].kind != TokenKind::End)
                    throw Failure{makeError(err::kCharsAfterEnd,
                                            "Characters found after end of SQL statement.")};
                break;
            }
            if (sql::isSymbol(t, ",") || sql::isSymbol(t, ")") || sql::isSymbol(t, ".")) {
                out_.append(t.text);
                glue = sql::isSymbol(t, ".");
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
                case TokenKind::Date:
                    exprStart_ = i;
                    if (!convertDate(sql::tokenValue(t), out_)) failExpr(i);
                    break;
                default:
                    out_.append(t.text);
            }
        }
    }

    // ---- expression parsing ---------------------------------------------

    // The static type of a node from its operands; "+" of two texts becomes TextAdd.
    void settleType(Node& n) const {
        auto of = [this](std::int32_t i) { return i < 0 ? Ty::Unknown : nodes_[i].ty; };
        switch (n.kind) {
            case NodeKind::Number:
                n.ty = Ty::Num;
                break;
            case NodeKind::String:
                n.ty = Ty::Text;
                break;
            case NodeKind::Name:
                n.ty = Ty::Field;
                break;
            case NodeKind::Group:
                n.ty = of(n.a);
                break;
            case NodeKind::Unary:
                n.ty = n.op == Op::Not ? Ty::Unknown : Ty::Num;
                break;
            case NodeKind::Binary:
                switch (n.op) {
                    case Op::Add:
                        if (of(n.a) == Ty::Text && of(n.b) == Ty::Text) {
                            n.op = Op::TextAdd;
                            n.ty = Ty::Text;
                        } else if (of(n.a) == Ty::Num || of(n.b) == Ty::Num) {
                            n.ty = Ty::Num;  // a number and a numeric text add up
                        }
                        break;
                    case Op::TextAdd:
                    case Op::Concat:
                        n.ty = Ty::Text;
                        break;
                    case Op::Sub:
                    case Op::Mul:
                    case Op::Div:
                    case Op::IntDiv:
                    case Op::Mod:
                    case Op::Pow:
                        n.ty = Ty::Num;
                        break;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
    }

    std::int32_t add(Node n) {
        settleType(n);
        // Depth counts the recursion needed to write the node out; a chain of
        // one operator is written in a loop and does not deepen it.
        const bool chain = n.kind == NodeKind::Binary && !infixText(n.op).empty() &&
                           chainsWith(nodes_[n.a], sqlitePrec(n));
        for (const std::int32_t child : {n.a, n.b, n.c}) {
            if (child < 0) continue;
            const std::int32_t d = nodes_[child].depth + (chain && child == n.a ? 0 : 1);
            if (d > n.depth) n.depth = d;
        }
        if (n.depth > kMaxDepth) failExpr(pos_ < end_ ? pos_ : end_);
        nodes_.push_back(n);
        return static_cast<std::int32_t>(nodes_.size()) - 1;
    }

    struct Infix {
        NodeKind kind = NodeKind::Null;  // Null: no infix operator here
        Op op = Op::None;
        int prec = 0;
        int width = 1;
        bool negated = false;
    };

    Infix peekInfix() const {
        Infix r;
        if (pos_ >= end_) return r;
        const Token& t = tok(pos_);
        if (t.kind == TokenKind::Symbol) {
            static constexpr std::pair<std::string_view, std::pair<Op, int>> kSymbols[] = {
                {"=", {Op::Eq, kCompare}},    {"<>", {Op::Ne, kCompare}},
                {"<", {Op::Lt, kCompare}},    {">", {Op::Gt, kCompare}},
                {"<=", {Op::Le, kCompare}},   {">=", {Op::Ge, kCompare}},
                {"&", {Op::Concat, kConcat}}, {"+", {Op::Add, kAdd}},
                {"-", {Op::Sub, kAdd}},       {"\\", {Op::IntDiv, kIntDiv}},
                {"*", {Op::Mul, kMul}},       {"/", {Op::Div, kMul}},
                {"^", {Op::Pow, kPow}},
            };
            for (const auto& [text, opPrec] : kSymbols) {
                if (t.text == text) {
                    r.kind = NodeKind::Binary;
                    r.op = opPrec.first;
                    r.prec = opPrec.second;
                    return r;
                }
            }
            return r;
        }
        Kw k = kw(pos_);
        if (k == Kw::Not) {
            const Kw after = pos_ + 1 < end_ ? kw(pos_ + 1) : Kw::None;
            if (after != Kw::Like && after != Kw::Between && after != Kw::In) return r;
            r.negated = true;
            r.width = 2;
            k = after;
        }
        switch (k) {
            case Kw::And:
                return {NodeKind::Binary, Op::And, kAnd, 1, false};
            case Kw::Or:
                return {NodeKind::Binary, Op::Or, kOr, 1, false};
            case Kw::Xor:
                return {NodeKind::Binary, Op::Xor, kXor, 1, false};
            case Kw::Eqv:
                return {NodeKind::Binary, Op::Eqv, kEqv, 1, false};
            case Kw::Imp:
                return {NodeKind::Binary, Op::Imp, kImp, 1, false};
            case Kw::Mod:
                return {NodeKind::Binary, Op::Mod, kMod, 1, false};
            case Kw::Is:
                return {NodeKind::IsNull, Op::None, kCompare, 1, false};
            case Kw::Like:
                r.kind = NodeKind::Like;
                break;
            case Kw::Between:
                r.kind = NodeKind::Between;
                break;
            case Kw::In:
                r.kind = NodeKind::In;
                break;
            default:
                return r;
        }
        r.prec = kCompare;
        return r;
    }

    // In a field rule, a term may start with its operator: "> 0", "Is Null",
    // "Between 1 And 5", "Like 'A*'", "In (1, 2)", "Not Like 'x*'".
    bool ruleTermStartsWithOperator() const {
        if (ruleField_.empty()) return false;
        const Infix in = peekInfix();
        if (in.kind == NodeKind::Binary) return in.prec == kCompare;
        return in.kind != NodeKind::Null;
    }

    std::int32_t parseExpr(int minPrec) {
        enter();
        std::int32_t lhs = parsePrefix(minPrec);
        for (;;) {
            const Infix in = peekInfix();
            if (in.kind == NodeKind::Null || in.prec < minPrec) break;
            const std::int32_t opTok = pos_;
            pos_ += in.width;
            Node n;
            n.kind = in.kind;
            n.op = in.op;
            n.flag = in.negated;
            n.a = lhs;
            switch (in.kind) {
                case NodeKind::Binary:
                    // All dialect binary operators associate to the left.
                    n.b = parseExpr(in.prec + 1);
                    break;
                case NodeKind::Like:
                    n.b = parseExpr(kConcat);
                    if (nodes_[n.b].kind == NodeKind::String) {
                        bool escape = false;
                        likeScratch_.clear();
                        n.native = nativeLikePattern(sql::tokenValue(tok(nodes_[n.b].tok)),
                                                     likeScratch_, escape);
                    }
                    break;
                case NodeKind::IsNull:
                    if (kw(pos_) == Kw::Not) {
                        n.flag = true;
                        ++pos_;
                    }
                    if (pos_ >= end_ || kw(pos_) != Kw::Null) failExpr(pos_ < end_ ? pos_ : opTok);
                    ++pos_;
                    break;
                case NodeKind::Between:
                    n.b = parseExpr(kConcat);
                    if (pos_ >= end_ || kw(pos_) != Kw::And) failExpr(pos_);
                    ++pos_;
                    n.c = parseExpr(kConcat);
                    break;
                case NodeKind::In: {
                    if (!sym(pos_, "(")) failExpr(pos_);
                    const std::int32_t close = tok(pos_).match;
                    if (kw(pos_ + 1) == Kw::Select) {
                        n.b = add(subquery(pos_));
                    } else {
                        ++pos_;
                        n.b = parseList(close);
                    }
                    pos_ = close + 1;
                    break;
                }
                default:
                    break;
            }
            lhs = add(n);
        }
        --depth_;
        return lhs;
    }

    // Comma-separated expressions up to the closing parenthesis `close`;
    // returns the first item, the others linked through `next`.
    std::int32_t parseList(std::int32_t close) {
        std::int32_t first = -1, prev = -1;
        for (;;) {
            const std::int32_t item = parseExpr(0);
            if (prev >= 0)
                nodes_[prev].next = item;
            else
                first = item;
            prev = item;
            if (pos_ == close) return first;
            if (!sym(pos_, ",")) failExpr(pos_);
            ++pos_;
        }
    }

    Node subquery(std::int32_t open) {
        Node n;
        n.kind = NodeKind::Subquery;
        n.tok = open + 1;
        n.tokEnd = tok(open).match;
        return n;
    }

    std::int32_t parsePrefix(int minPrec) {
        if (pos_ >= end_) failExpr(end_);
        if (minPrec <= kCompare && ruleTermStartsWithOperator()) {
            Node n;
            n.kind = NodeKind::Field;
            return add(n);
        }
        const Token& t = tok(pos_);
        const Kw k = kw(pos_);
        Node n;
        n.tok = pos_;
        switch (t.kind) {
            case TokenKind::Number:
                n.kind = NodeKind::Number;
                ++pos_;
                return add(n);
            case TokenKind::String:
                n.kind = NodeKind::String;
                ++pos_;
                return add(n);
            case TokenKind::Date: {
                std::string scratch;
                if (!convertDate(sql::tokenValue(t), scratch)) failExpr(pos_);
                n.kind = NodeKind::Date;
                ++pos_;
                return add(n);
            }
            case TokenKind::Symbol:
                if (t.text == "-" || t.text == "+") {
                    ++pos_;
                    n.kind = NodeKind::Unary;
                    n.op = t.text == "-" ? Op::Neg : Op::Plus;
                    n.a = parseExpr(kNeg);
                    return add(n);
                }
                if (t.text == "(") {
                    const std::int32_t close = t.match;
                    if (kw(pos_ + 1) == Kw::Select) {
                        n = subquery(pos_);
                        pos_ = close + 1;
                        return add(n);
                    }
                    ++pos_;
                    n.a = parseList(close);
                    n.kind = nodes_[n.a].next >= 0 ? NodeKind::Row : NodeKind::Group;
                    pos_ = close + 1;
                    return add(n);
                }
                failExpr(pos_);
            case TokenKind::Word:
                switch (k) {
                    case Kw::None:
                        break;
                    case Kw::Null:
                        n.kind = NodeKind::Null;
                        ++pos_;
                        return add(n);
                    case Kw::True:
                    case Kw::False:
                        n.kind = NodeKind::Bool;
                        n.flag = k == Kw::True;
                        ++pos_;
                        return add(n);
                    case Kw::Not:
                        ++pos_;
                        n.kind = NodeKind::Unary;
                        n.op = Op::Not;
                        n.a = parseExpr(kNot);
                        return add(n);
                    case Kw::Exists:
                        if (!sym(pos_ + 1, "(") || kw(pos_ + 2) != Kw::Select) failExpr(pos_);
                        n = subquery(pos_ + 1);
                        n.kind = NodeKind::Exists;
                        pos_ = n.tokEnd + 1;
                        return add(n);
                    case Kw::Left:
                    case Kw::Right:
                        if (sym(pos_ + 1, "(")) break;  // the string functions of the same name
                        failExpr(pos_);
                    default:
                        failExpr(pos_);
                }
                if (sym(pos_ + 1, "(")) return parseCall();
                return parseName();
            case TokenKind::Name:
                return parseName();
            default:
                failExpr(pos_);
        }
    }

    std::int32_t parseName() {
        Node n;
        n.kind = NodeKind::Name;
        n.tok = pos_;
        std::int32_t last = pos_;
        while ((sym(last + 1, ".") || sym(last + 1, "!")) &&
               (isNameToken(last + 2) || sym(last + 2, "*"))) {
            last += 2;
            if (sym(last, "*")) break;
        }
        n.tokEnd = last;
        pos_ = last + 1;
        return add(n);
    }

    std::int32_t parseCall() {
        Node n;
        n.kind = NodeKind::Call;
        n.tok = pos_;
        n.fn = tok(pos_).text;
        for (const FnMap& f : kFunctions) {
            if (sql::isWord(tok(pos_), f.dialect)) {
                n.fn = f.sqlite;
                n.shape = f.shape;
                break;
            }
        }
        const std::int32_t close = tok(pos_ + 1).match;
        pos_ += 2;
        std::int32_t count = 0;
        if (pos_ == close) {
            // no arguments
        } else if (sym(pos_, "*") && pos_ + 1 == close) {
            Node star;
            star.kind = NodeKind::Star;
            n.a = add(star);
            count = 1;
        } else {
            n.a = parseList(close);
            for (std::int32_t i = n.a; i >= 0; i = nodes_[i].next) ++count;
        }
        if ((n.shape == Fn::IsNull && count != 1) ||
            (n.shape == Fn::Nz && (count < 1 || count > 2)))
            failExpr(close);
        pos_ = close + 1;
        // Depth of a call counts its deepest argument.
        for (std::int32_t i = n.a; i >= 0; i = nodes_[i].next)
            if (nodes_[i].depth + 1 > n.depth) n.depth = nodes_[i].depth + 1;
        return add(n);
    }

    // ---- expression output ----------------------------------------------

    void emitOperand(std::int32_t idx, int parentPrec, bool leftSide) {
        const int p = sqlitePrec(nodes_[idx]);
        const bool wrap = p < parentPrec || (p == parentPrec && !leftSide);
        if (wrap) out_.push_back('(');
        emitNode(idx);
        if (wrap) out_.push_back(')');
    }

    void emitString(std::int32_t tokIdx, bool collate) {
        appendLiteral(tok(tokIdx));
        if (collate) out_.append(" COLLATE NOCASE");
    }

    void emitNode(std::int32_t idx) {
        enter();
        const Node n = nodes_[idx];  // a copy: nested subqueries may grow nodes_
        switch (n.kind) {
            case NodeKind::Number:
                out_.append(tok(n.tok).text);
                break;
            case NodeKind::String:
                emitString(n.tok, collate_);
                break;
            case NodeKind::Date:
                convertDate(sql::tokenValue(tok(n.tok)), out_);
                break;
            case NodeKind::Null:
                out_.append("NULL");
                break;
            case NodeKind::Bool:
                out_.push_back(n.flag ? '1' : '0');
                break;
            case NodeKind::Star:
                out_.push_back('*');
                break;
            case NodeKind::Field:
                out_.append(quoteIdentifier(ruleField_));
                break;
            case NodeKind::Name:
                for (std::int32_t i = n.tok; i <= n.tokEnd; i += 2) {
                    if (i != n.tok) out_.push_back('.');
                    if (sym(i, "*"))
                        out_.push_back('*');
                    else
                        appendIdentifier(tok(i));
                }
                break;
            case NodeKind::Group:
                out_.push_back('(');
                emitNode(n.a);
                out_.push_back(')');
                break;
            case NodeKind::Row:
                out_.push_back('(');
                emitList(n.a);
                out_.push_back(')');
                break;
            case NodeKind::Subquery:
            case NodeKind::Exists:
                if (n.kind == NodeKind::Exists) out_.append("EXISTS ");
                out_.push_back('(');
                statement(n.tok, n.tokEnd, false);
                out_.push_back(')');
                break;
            case NodeKind::Call:
                if (n.shape == Fn::IsNull) {
                    out_.append("((");
                    emitNode(n.a);
                    out_.append(") IS NULL)");
                    break;
                }
                out_.append(n.fn);
                out_.push_back('(');
                emitList(n.a);
                if (n.shape == Fn::Nz && nodes_[n.a].next < 0) out_.append(", ''");
                out_.push_back(')');
                break;
            case NodeKind::Unary:
                if (n.op == Op::Not) {
                    out_.append("NOT ");
                    emitOperand(n.a, 3, true);
                } else {
                    out_.push_back(n.op == Op::Neg ? '-' : '+');
                    // Wrapping any unary operand keeps "- -x" from becoming a comment.
                    emitOperand(n.a, 12, true);
                }
                break;
            case NodeKind::Binary:
                emitBinary(idx);
                break;
            case NodeKind::Like:
                emitLike(n);
                break;
            case NodeKind::IsNull:
                emitOperand(n.a, 4, true);
                out_.append(n.flag ? " IS NOT NULL" : " IS NULL");
                break;
            case NodeKind::Between:
                emitOperand(n.a, 4, true);
                out_.append(n.flag ? " NOT BETWEEN " : " BETWEEN ");
                emitOperand(n.b, 6, true);
                out_.append(" AND ");
                emitOperand(n.c, 6, true);
                break;
            case NodeKind::In:
                emitIn(n);
                break;
        }
        --depth_;
    }

    void emitList(std::int32_t first) {
        for (std::int32_t i = first; i >= 0; i = nodes_[i].next) {
            if (i != first) out_.append(", ");
            emitNode(i);
        }
    }

    void emitBinary(std::int32_t idx) {
        const Node n = nodes_[idx];
        const int p = sqlitePrec(n);
        switch (n.op) {
            case Op::Pow:
                out_.append("pow(");
                emitNode(n.a);
                out_.append(", ");
                emitNode(n.b);
                out_.push_back(')');
                return;
            case Op::IntDiv:
            case Op::Mod:
            case Op::Concat:
                if (portable_) {
                    emitPortable(n);
                    return;
                }
                out_.append(n.op == Op::IntDiv ? "qrv_idiv("
                            : n.op == Op::Mod  ? "qrv_mod("
                                               : "qrv_cat(");
                emitNode(n.a);
                out_.append(", ");
                emitNode(n.b);
                out_.push_back(')');
                return;
            case Op::Div:
                // Always real division: 2 / 4 is 0.5, never 0.
                out_.append("CAST(");
                emitNode(n.a);
                out_.append(" AS REAL) / ");
                emitOperand(n.b, p, false);
                return;
            case Op::Xor:
            case Op::Eqv:
                out_.append("((");
                emitNode(n.a);
                out_.append(n.op == Op::Xor ? ") <> 0) <> ((" : ") <> 0) = ((");
                emitNode(n.b);
                out_.append(") <> 0)");
                return;
            case Op::Imp:
                out_.append("NOT (");
                emitNode(n.a);
                out_.append(") OR (");
                emitNode(n.b);
                out_.push_back(')');
                return;
            default:
                break;
        }
        // A left-nested chain of operators of one level ("a OR b OR c ...") is
        // written in a loop, so long generated conditions do not recurse per term.
        const std::size_t base = spine_.size();
        for (std::int32_t cur = idx;;) {
            spine_.push_back(cur);
            const Node& left = nodes_[nodes_[cur].a];
            if (!chainsWith(left, p)) break;
            cur = nodes_[cur].a;
        }
        emitComparand(spine_.back(), true, p);
        for (std::size_t k = spine_.size(); k-- > base;) {
            const Node link = nodes_[spine_[k]];
            out_.append(infixText(link.op));
            emitComparand(spine_[k], false, p);
        }
        spine_.resize(base);
    }

    // "\", Mod and "&" with SQLite's own functions, for stored rules. These
    // forms repeat their operands, so their nesting is bounded.
    void emitPortable(const Node& n) {
        constexpr int kMaxRepeatNesting = 4;
        if (++repeatNesting_ > kMaxRepeatNesting) failExpr(end_);
        if (n.op == Op::Concat) {
            // Null joins as empty text; two Nulls give Null.
            out_.append("coalesce(");
            emitOperand(n.a, 9, true);
            out_.append(" || ");
            emitOperand(n.b, 9, false);
            out_.append(", ");
            emitNode(n.a);
            out_.append(", ");
            emitNode(n.b);
            out_.push_back(')');
        } else {
            out_.push_back('(');
            emitWhole(n.a);
            out_.append(n.op == Op::Mod ? " % " : " / ");
            emitWhole(n.b);
            out_.push_back(')');
        }
        --repeatNesting_;
    }

    // An operand made whole, half to even: a tie x.5 goes to 2 * round(x / 2).
    void emitWhole(std::int32_t idx) {
        out_.append("CAST(CASE WHEN abs((");
        emitNode(idx);
        out_.append(") - round(");
        emitNode(idx);
        out_.append(")) = 0.5 THEN 2 * round((");
        emitNode(idx);
        out_.append(") / 2.0) ELSE round(");
        emitNode(idx);
        out_.append(") END AS INTEGER)");
    }

    // An operand of a chain link. When a comparison sets a number against a
    // text or a field, the other side goes through qrv_num: a text that reads
    // as a number compares as that number ("'10' > 9" is true, "'8' > 9" false),
    // and a text that is no number stays text, which sorts after all numbers.
    void emitComparand(std::int32_t linkIdx, bool left, int prec) {
        const Node& link = nodes_[linkIdx];
        const std::int32_t side = left ? link.a : link.b;
        if (isComparison(link.op) && !link.flag && !portable_) {
            const Ty mine = nodes_[side].ty;
            const Ty other = nodes_[left ? link.b : link.a].ty;
            if (other == Ty::Num && (mine == Ty::Text || mine == Ty::Field)) {
                out_.append("qrv_num(");
                emitNode(side);
                out_.push_back(')');
                return;
            }
        }
        emitOperand(side, prec, left);
    }

    void emitLike(const Node& n) {
        const Node pattern = nodes_[n.b];  // a copy: emitting n.a may grow nodes_
        if (n.native) {
            emitOperand(n.a, 4, true);
            out_.append(n.flag ? " NOT LIKE " : " LIKE ");
            bool escape = false;
            nativeLikePattern(sql::tokenValue(tok(pattern.tok)), out_, escape);
            if (escape) out_.append(" ESCAPE '\\'");
            return;
        }
        if (n.flag) out_.append("NOT ");
        out_.append("qrv_like(");
        emitNode(n.a);
        out_.append(", ");
        if (pattern.kind == NodeKind::String)
            emitString(pattern.tok, false);  // the pattern's case is folded by qrv_like itself
        else
            emitNode(n.b);
        out_.push_back(')');
    }

    void emitIn(const Node& n) {
        // IN compares with the left operand's collation, so a text list needs
        // NOCASE on the left to ignore case like the other comparisons.
        bool textList = false;
        if (nodes_[n.b].kind != NodeKind::Subquery) {
            for (std::int32_t i = n.b; i >= 0; i = nodes_[i].next)
                textList = textList || nodes_[i].kind == NodeKind::String;
        }
        const bool addCollate = collate_ && textList && nodes_[n.a].kind != NodeKind::String;
        emitOperand(n.a, addCollate ? 100 : 4, true);
        if (addCollate) out_.append(" COLLATE NOCASE");
        out_.append(n.flag ? " NOT IN " : " IN ");
        if (nodes_[n.b].kind == NodeKind::Subquery) {
            emitNode(n.b);
        } else {
            out_.push_back('(');
            emitList(n.b);
            out_.push_back(')');
        }
    }

    std::string_view src_;
    const std::vector<Token>& toks_;
    std::vector<Kw> kws_;
    const AttachFn* attach_;
    std::string out_;
    std::vector<Node> nodes_;
    std::string likeScratch_;
    std::vector<std::int32_t> spine_;  // nodes of the operator chains being written
    std::string_view ruleField_;
    StatementKind kind_ = StatementKind::Other;
    std::vector<DefinedName> names_;
    std::string defWhat_;
    std::int32_t pos_ = 0;
    std::int32_t end_ = 0;
    std::int32_t exprStart_ = 0;
    int depth_ = 0;
    bool collate_ = true;
    bool inTable_ = false;
    bool portable_ = false;  // SQLite's own functions only
    int repeatNesting_ = 0;
};

}  // namespace

Result<TranslatedSql> translateStatement(std::string_view dialectSql, const AttachFn& attach) {
    Result<std::vector<sql::Token>> tokens = sql::tokenize(dialectSql);
    if (!tokens) return tokens.error();
    Translator tr(dialectSql, tokens.value(), &attach);
    try {
        tr.topStatement();
    } catch (Failure& f) {
        return std::move(f.error);
    }
    return TranslatedSql{std::move(tr.output()), tr.kind(), std::move(tr.definedNames())};
}

Result<std::string> translateExpression(std::string_view dialectExpr) {
    Result<std::vector<sql::Token>> tokens = sql::tokenize(dialectExpr);
    if (!tokens) return tokens.error();
    Translator tr(dialectExpr, tokens.value(), nullptr);
    try {
        tr.topExpression();
    } catch (Failure& f) {
        return std::move(f.error);
    }
    return std::move(tr.output());
}

Result<std::string> translateTableRule(std::string_view rule) {
    Result<std::vector<sql::Token>> tokens = sql::tokenize(rule);
    if (!tokens) return tokens.error();
    Translator tr(rule, tokens.value(), nullptr);
    tr.setPortable();
    try {
        tr.topExpression();
    } catch (Failure& f) {
        return std::move(f.error);
    }
    return std::move(tr.output());
}

Result<std::string> translateFieldRule(std::string_view rule, std::string_view fieldName) {
    Result<std::vector<sql::Token>> tokens = sql::tokenize(rule);
    if (!tokens) return tokens.error();
    Translator tr(rule, tokens.value(), nullptr);
    tr.setRuleField(fieldName);
    try {
        tr.topExpression();
    } catch (Failure& f) {
        return std::move(f.error);
    }
    return std::move(tr.output());
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
