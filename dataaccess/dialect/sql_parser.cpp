// Parser of dialect statements: the clause structure of SELECT, INSERT,
// UPDATE and DELETE, the FROM clause with its joins and source clauses.
// Expressions are parsed in sql_parse_expr.cpp.
#include "dataaccess/dialect/sql_parser.h"

#include <utility>

#include "dataaccess/dialect/sql_parser_impl.h"
#include "dataaccess/fold.h"

namespace qrv::dao::sql {

Parser::Parser(std::string_view source, const std::vector<Token>& tokens, Tree& tree)
    : src_(source), toks_(tokens), tree_(tree) {
    kws_.reserve(toks_.size());
    for (const Token& t : toks_) kws_.push_back(keywordOf(t));
    end_ = static_cast<Id>(toks_.size()) - 1;
}

bool Parser::isNameToken(Id i) const {
    return i < end_ && (toks_[i].kind == TokenKind::Name ||
                        (toks_[i].kind == TokenKind::Word && kws_[i] == Kw::None));
}

bool Parser::startsExpression(Id i) const {
    if (i >= end_) return false;
    switch (kws_[i]) {
        case Kw::None:
        case Kw::Null:
        case Kw::True:
        case Kw::False:
        case Kw::Not:
        case Kw::Exists:
        case Kw::Left:
        case Kw::Right:
            return true;
        default:
            return false;
    }
}

std::string Parser::nameValue(Id i) const {
    const Token& t = tok(i);
    if (t.kind == TokenKind::Name && t.text.size() <= 2) failExpr(i);  // "[]"
    return tokenValue(t);
}

void Parser::failExpr(Id at) const {
    const Token& t = toks_[at];
    const std::size_t endOff = t.kind == TokenKind::End ? src_.size() : t.offset + t.text.size();
    std::size_t begin = toks_[exprStart_].offset;
    if (begin > endOff) begin = t.offset;
    throw ParseFailure{expressionError(src_.substr(begin, endOff - begin))};
}

void Parser::failStatement() const {
    std::string text;
    switch (type_) {
        case StatementType::Insert:
            text = "Syntax error in INSERT INTO statement.";
            break;
        case StatementType::Update:
            text = "Syntax error in UPDATE statement.";
            break;
        case StatementType::Delete:
            text = "Syntax error in DELETE statement.";
            break;
        default:
            text = inTable_ ? "Syntax error in FROM clause."
                            : "The SELECT statement includes a reserved word or an argument "
                              "name that is misspelled or missing, or the punctuation is "
                              "incorrect.";
    }
    throw ParseFailure{makeError(err::kSyntaxError, std::move(text))};
}

// A token that no rule expects here: a second expression right after one
// ("[a] = 1 2") is an error in that expression, anything else in the statement.
void Parser::unexpected() const {
    if (!inTable_ && pos_ < end_ && kw(pos_) == Kw::None && !sym(pos_, ",") &&
        tok(pos_).kind != TokenKind::Symbol)
        failExpr(pos_);
    failStatement();
}

void Parser::enter() {
    if (++depth_ > kMaxDepth) failExpr(pos_ < end_ ? pos_ : end_);
}

Id Parser::addTable(TableRef t) {
    tree_.tables.push_back(std::move(t));
    return static_cast<Id>(tree_.tables.size()) - 1;
}

// An expression where the statement requires one: a clause keyword or the
// end there is an error of the statement, anything else is parsed.
Id Parser::expectExpression() {
    if (!startsExpression(pos_)) failStatement();
    exprStart_ = pos_;
    return parseExpr(0);
}

Collation Parser::collation() {
    if (pos_ >= end_ || !isWord(tok(pos_), "COLLATE")) return Collation::None;
    // Only the engine's own collations, so nothing foreign reaches a target.
    require(pos_ + 1 < end_);
    Collation c = Collation::None;
    if (isWord(tok(pos_ + 1), "QRV_FOLD"))
        c = Collation::Fold;
    else if (isWord(tok(pos_ + 1), "QRV_CASELESS"))
        c = Collation::Caseless;
    else if (isWord(tok(pos_ + 1), "QRV_BINARY"))
        c = Collation::Binary;
    else
        failStatement();
    pos_ += 2;
    return c;
}

void Parser::statement() {
    if (toks_[0].kind == TokenKind::End || isSymbol(toks_[0], ";"))
        throw ParseFailure{makeError(err::kSyntaxError,
                                     "Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                     "'PROCEDURE', 'SELECT', or 'UPDATE'.")};
    // A ";" outside parentheses ends the statement; only blanks may follow.
    for (Id i = 0; i < end_; ++i) {
        if (isSymbol(toks_[i], "(")) {
            i = toks_[i].match;
            continue;
        }
        if (!isSymbol(toks_[i], ";")) continue;
        if (toks_[i + 1].kind != TokenKind::End)
            throw ParseFailure{
                makeError(err::kCharsAfterEnd, "Characters found after end of SQL statement.")};
        end_ = i;
    }
    Statement& st = tree_.statement;
    switch (kws_[0]) {
        case Kw::Select:
            type_ = StatementType::Select;
            st.query = query(0, end_, true);
            st.type = type_;  // SELECT ... INTO changed it
            return;
        case Kw::Insert:
            type_ = st.type = StatementType::Insert;
            insertStatement();
            return;
        case Kw::Update:
            type_ = st.type = StatementType::Update;
            updateStatement();
            return;
        case Kw::Delete:
            type_ = st.type = StatementType::Delete;
            deleteStatement();
            return;
        default:
            throw ParseFailure{makeError(err::kInvalidStatement,
                                         "Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                         "'PROCEDURE', 'SELECT', or 'UPDATE'.")};
    }
}

// SELECT ... [UNION [ALL] SELECT ...] [ORDER BY ...] filling tokens begin..end.
Id Parser::query(Id begin, Id end, bool allowInto) {
    enter();
    const Id savedPos = pos_, savedEnd = end_, savedStart = exprStart_;
    const bool savedTable = inTable_;
    pos_ = begin;
    end_ = end;
    inTable_ = false;
    Query q;
    for (;;) {
        require(kw(pos_) == Kw::Select);
        Select s;
        if (!q.parts.empty()) {
            s.unionAll = kw(pos_ - 1) == Kw::All;
        }
        selectPart(s, allowInto && q.parts.empty());
        q.parts.push_back(std::move(s));
        if (kw(pos_) != Kw::Union) break;
        ++pos_;
        if (kw(pos_) == Kw::All) ++pos_;
    }
    if (kw(pos_) == Kw::Order) {
        require(kw(pos_ + 1) == Kw::By);
        pos_ += 2;
        for (;;) {
            OrderItem item;
            item.expr = expectExpression();
            item.collation = collation();
            if (kw(pos_) == Kw::Asc || kw(pos_) == Kw::Desc) {
                item.descending = kw(pos_) == Kw::Desc;
                ++pos_;
            }
            q.orderBy.push_back(item);
            if (!sym(pos_, ",")) break;
            ++pos_;
        }
    }
    if (pos_ != end_) unexpected();
    tree_.queries.push_back(std::move(q));
    const Id id = static_cast<Id>(tree_.queries.size()) - 1;
    pos_ = savedPos;
    end_ = savedEnd;
    exprStart_ = savedStart;
    inTable_ = savedTable;
    leave();
    return id;
}

void Parser::selectPart(Select& s, bool allowInto) {
    ++pos_;  // SELECT
    for (;;) {
        const Kw m = kw(pos_);
        if (m == Kw::Distinct) {
            s.quantifier = Quantifier::Distinct;
        } else if (m == Kw::All) {
            s.explicitAll = true;
        } else if (m == Kw::Distinctrow) {
            s.quantifier = Quantifier::DistinctRow;
        } else if (m == Kw::Top) {
            const Token& n = tok(pos_ + 1);
            require(!s.top && pos_ + 1 < end_ && n.kind == TokenKind::Number &&
                    n.text.find_first_not_of("0123456789") == std::string_view::npos);
            s.top = true;
            s.topCount = std::string(n.text);
            ++pos_;
            if (kw(pos_ + 1) == Kw::Percent) {
                s.topPercent = true;
                ++pos_;
            }
        } else {
            break;
        }
        ++pos_;
    }
    for (;;) {
        SelectItem item;
        if (sym(pos_, "*")) {
            ++pos_;
        } else {
            item.expr = expectExpression();
            item.collation = collation();
            if (kw(pos_) == Kw::As) {
                require(isNameToken(pos_ + 1));
                item.alias = nameValue(pos_ + 1);
                item.hasAlias = true;
                pos_ += 2;
            }
        }
        s.items.push_back(std::move(item));
        if (!sym(pos_, ",")) break;
        ++pos_;
    }
    if (kw(pos_) == Kw::Into) {
        require(allowInto && isNameToken(pos_ + 1));
        ++pos_;
        target(tree_.statement.target);
        type_ = StatementType::SelectInto;
        require(kw(pos_) == Kw::From);
    }
    if (kw(pos_) == Kw::From) {
        ++pos_;
        inTable_ = true;
        s.from = tableExpr();
        while (sym(pos_, ",")) {
            ++pos_;
            TableRef join;
            join.join = JoinKind::Comma;
            join.left = s.from;
            join.right = tableExpr();
            s.from = addTable(std::move(join));
        }
        if (pos_ < end_ && kw(pos_) == Kw::None) failStatement();  // e.g. a second alias
        inTable_ = false;
        if (kw(pos_) == Kw::Where) {
            ++pos_;
            s.where = expectExpression();
        }
        if (kw(pos_) == Kw::Group) {
            require(kw(pos_ + 1) == Kw::By);
            pos_ += 2;
            for (;;) {
                s.groupBy.push_back(expectExpression());
                if (!sym(pos_, ",")) break;
                ++pos_;
            }
            if (kw(pos_) == Kw::Having) {
                ++pos_;
                s.having = expectExpression();
            }
        }
    }
    switch (kw(pos_)) {
        case Kw::Union:
        case Kw::Order:
            return;
        default:
            if (pos_ != end_) unexpected();
    }
}

// Items joined by [INNER | LEFT [OUTER] | RIGHT [OUTER]] JOIN ... ON.
Id Parser::tableExpr() {
    enter();
    Id left = tableTerm();
    for (;;) {
        JoinKind kind = JoinKind::Inner;
        Id i = pos_;
        if (kw(i) == Kw::Inner) {
            ++i;
        } else if (kw(i) == Kw::Left || kw(i) == Kw::Right) {
            kind = kw(i) == Kw::Left ? JoinKind::Left : JoinKind::Right;
            ++i;
            if (kw(i) == Kw::Outer) ++i;
        }
        if (kw(i) != Kw::Join) {
            require(i == pos_);  // INNER, LEFT, RIGHT owe a JOIN
            break;
        }
        pos_ = i + 1;
        TableRef join;
        join.join = kind;
        join.left = left;
        join.right = tableTerm();
        require(kw(pos_) == Kw::On);
        ++pos_;
        inTable_ = false;
        join.on = expectExpression();
        inTable_ = true;
        left = addTable(std::move(join));
    }
    leave();
    return left;
}

// A table with optional source clause and alias, a subquery with optional
// alias, or a parenthesised join.
Id Parser::tableTerm() {
    if (sym(pos_, "(")) {
        const Id close = tok(pos_).match;
        if (kw(pos_ + 1) == Kw::Select) {
            TableRef t;
            t.query = query(pos_ + 1, close, false);
            pos_ = close + 1;
            if (kw(pos_) == Kw::As) {
                require(isNameToken(pos_ + 1));
                ++pos_;
            }
            if (isNameToken(pos_)) t.alias = nameValue(pos_++);
            return addTable(std::move(t));
        }
        ++pos_;
        const Id inner = tableExpr();
        require(pos_ == close);
        ++pos_;
        tree_.tables[inner].parenthesized = true;
        return inner;
    }
    const Id t = tableName();
    if (kw(pos_) == Kw::As) {
        require(isNameToken(pos_ + 1));
        ++pos_;
    }
    if (isNameToken(pos_)) tree_.tables[t].alias = nameValue(pos_++);
    return t;
}

Id Parser::tableName() {
    TableRef t;
    Target name;
    target(name);
    t.name = std::move(name.name);
    t.hasSource = name.hasSource;
    t.sourceFile = std::move(name.sourceFile);
    return addTable(std::move(t));
}

// name[.name...] or name IN 'file': a table of this database or of another
// database file. A connect string after the path is not supported.
void Parser::target(Target& t) {
    require(isNameToken(pos_));
    t.name.push_back(nameValue(pos_));
    while (sym(pos_ + 1, ".") && isNameToken(pos_ + 2)) {
        pos_ += 2;
        t.name.push_back(nameValue(pos_));
    }
    ++pos_;
    if (kw(pos_) == Kw::In && pos_ + 1 < end_ && tok(pos_ + 1).kind == TokenKind::String) {
        require(t.name.size() == 1);
        require(!(pos_ + 2 < end_ && tok(pos_ + 2).kind == TokenKind::Name));
        t.hasSource = true;
        t.sourceFile = tokenValue(tok(pos_ + 1));
        pos_ += 2;
    }
}

void Parser::insertStatement() {
    Statement& st = tree_.statement;
    require(kw(1) == Kw::Into);
    pos_ = 2;
    target(st.target);
    if (sym(pos_, "(")) {
        const Id close = tok(pos_).match;
        for (++pos_; pos_ < close; pos_ += 2) {
            require(isNameToken(pos_) &&
                    (pos_ + 1 == close || (sym(pos_ + 1, ",") && pos_ + 2 < close)));
            st.columns.push_back(nameValue(pos_));
        }
        require(!st.columns.empty());
        pos_ = close + 1;
    }
    if (kw(pos_) == Kw::Select) {
        const Id q = query(pos_, end_, false);
        tree_.statement.query = q;
        return;
    }
    require(kw(pos_) == Kw::Values);
    ++pos_;
    for (;;) {
        require(sym(pos_, "("));
        const Id close = tok(pos_).match;
        ++pos_;
        std::vector<Id> row;
        for (;;) {
            row.push_back(expectExpression());
            if (pos_ == close) break;
            if (!sym(pos_, ",")) unexpected();
            ++pos_;
        }
        pos_ = close + 1;
        tree_.statement.rows.push_back(std::move(row));
        if (!sym(pos_, ",")) break;
        ++pos_;
    }
    if (pos_ != end_) unexpected();
}

void Parser::updateStatement() {
    pos_ = 1;
    inTable_ = true;
    const Id table = tableName();
    inTable_ = false;
    tree_.statement.table = table;
    require(kw(pos_) == Kw::Set);
    ++pos_;
    for (;;) {
        Assignment a;
        require(isNameToken(pos_));
        exprStart_ = pos_;
        a.field.push_back(nameValue(pos_));
        while ((sym(pos_ + 1, ".") || sym(pos_ + 1, "!")) && isNameToken(pos_ + 2)) {
            pos_ += 2;
            a.field.push_back(nameValue(pos_));
        }
        ++pos_;
        if (!sym(pos_, "=")) failExpr(pos_ < end_ ? pos_ : end_);
        ++pos_;
        a.value = parseExpr(0);
        tree_.statement.assignments.push_back(std::move(a));
        if (!sym(pos_, ",")) break;
        ++pos_;
    }
    if (kw(pos_) == Kw::Where) {
        ++pos_;
        const Id w = expectExpression();
        tree_.statement.where = w;
    }
    if (pos_ != end_) unexpected();
}

// DELETE [DISTINCTROW] [* | table.*] FROM ... [WHERE ...]
void Parser::deleteStatement() {
    pos_ = 1;
    if (kw(pos_) == Kw::Distinctrow) ++pos_;
    if (sym(pos_, "*")) {
        ++pos_;
    } else if (isNameToken(pos_) && sym(pos_ + 1, ".") && sym(pos_ + 2, "*")) {
        tree_.statement.deleteOf.push_back(nameValue(pos_));
        pos_ += 3;
    }
    require(kw(pos_) == Kw::From);
    ++pos_;
    inTable_ = true;
    Id from = tableExpr();
    while (sym(pos_, ",")) {
        ++pos_;
        TableRef join;
        join.join = JoinKind::Comma;
        join.left = from;
        join.right = tableExpr();
        from = addTable(std::move(join));
    }
    if (pos_ < end_ && kw(pos_) == Kw::None) failStatement();
    inTable_ = false;
    tree_.statement.table = from;
    if (kw(pos_) == Kw::Where) {
        ++pos_;
        const Id w = expectExpression();
        tree_.statement.where = w;
    }
    if (pos_ != end_) unexpected();
}

Result<Tree> parseStatement(std::string_view text) {
    Result<std::vector<Token>> tokens = tokenize(text);
    if (!tokens) return tokens.error();
    Tree tree;
    try {
        Parser(text, tokens.value(), tree).statement();
    } catch (ParseFailure& f) {
        return std::move(f.error);
    }
    return tree;
}

Result<Tree> parseExpression(std::string_view text, bool fieldRule) {
    Result<std::vector<Token>> tokens = tokenize(text);
    if (!tokens) return tokens.error();
    Tree tree;
    try {
        Parser(text, tokens.value(), tree).expressionOnly(fieldRule);
    } catch (ParseFailure& f) {
        return std::move(f.error);
    }
    return tree;
}

}  // namespace qrv::dao::sql
