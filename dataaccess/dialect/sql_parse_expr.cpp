// Parser of dialect expressions: operator precedence, literals, names,
// function calls, subqueries, and the static type each node has.
#include <utility>

#include "dataaccess/date_text.h"
#include "dataaccess/dialect/sql_parser_impl.h"

namespace qrv::dao::sql {

void Parser::expressionOnly(bool fieldRule) {
    fieldRule_ = fieldRule;
    if (toks_[0].kind == TokenKind::End) throw ParseFailure{expressionError("")};
    pos_ = 0;
    exprStart_ = 0;
    tree_.expression = parseExpr(0);
    if (pos_ != end_) failExpr(pos_);
}

void Parser::settleType(Expr& e) const {
    sql::settleType(tree_.exprs, e);
}

void settleType(const std::vector<Expr>& exprs, Expr& e) {
    auto of = [&exprs](Id i) { return i < 0 ? Type::Unknown : exprs[i].type; };
    switch (e.kind) {
        case ExprKind::Number:
            e.type = Type::Number;
            break;
        case ExprKind::Text:
            e.type = Type::Text;
            break;
        case ExprKind::Date:
            e.type = Type::Date;
            break;
        case ExprKind::Bool:
        case ExprKind::Like:
        case ExprKind::IsNull:
        case ExprKind::Between:
        case ExprKind::In:
        case ExprKind::Exists:
            e.type = Type::Truth;
            break;
        case ExprKind::Name:
        case ExprKind::RuleField:
            e.type = Type::Field;
            break;
        case ExprKind::Paren:
            e.type = of(e.a);
            break;
        case ExprKind::Unary:
            e.type = e.op == Op::Not ? Type::Truth : Type::Number;
            break;
        case ExprKind::Binary: {
            const Type a = of(e.a), b = of(e.b);
            switch (e.op) {
                case Op::Add:
                    // Two texts join; a date moved by a number stays a date.
                    if (a == Type::Text && b == Type::Text)
                        e.type = Type::Text;
                    else if (a == Type::Date || b == Type::Date)
                        e.type = Type::Date;
                    else if (a == Type::Number || b == Type::Number)
                        e.type = Type::Number;  // a number and a numeric text add up
                    break;
                case Op::Sub:
                    // Between two dates lies a number of days.
                    e.type = a == Type::Date && b != Type::Date ? Type::Date : Type::Number;
                    break;
                case Op::Concat:
                    e.type = Type::Text;
                    break;
                case Op::Mul:
                case Op::Div:
                case Op::IntDiv:
                case Op::Mod:
                case Op::Pow:
                    e.type = Type::Number;
                    break;
                default:
                    e.type = Type::Truth;  // comparisons and the logical operators
            }
            break;
        }
        default:
            break;
    }
}

// Operators a writer can write as "a op b op c" without recursing per term:
// the logical ones, comparisons, and arithmetic on numbers and texts.
bool Parser::chainable(const Expr& e) const {
    switch (e.op) {
        case Op::And:
        case Op::Or:
        case Op::Eq:
        case Op::Ne:
        case Op::Lt:
        case Op::Gt:
        case Op::Le:
        case Op::Ge:
        case Op::Mul:
            return true;
        case Op::Add:
        case Op::Sub: {
            // Sums of fields and dates are written as calls, one per term.
            auto plain = [](Type t) { return t == Type::Number || t == Type::Text; };
            return e.type != Type::Date && plain(tree_.exprs[e.a].type) &&
                   plain(tree_.exprs[e.b].type);
        }
        default:
            return false;
    }
}

Id Parser::add(Expr e) {
    settleType(e);
    // Depth counts the recursion a writer needs; a chain of one operator
    // ("a Or b Or c ...") is written in a loop and does not deepen it.
    const bool chain = e.kind == ExprKind::Binary && tree_.exprs[e.a].kind == ExprKind::Binary &&
                       tree_.exprs[e.a].op == e.op && chainable(e) && chainable(tree_.exprs[e.a]);
    auto deepen = [&](Id child, int extra) {
        if (child >= 0 && tree_.exprs[child].depth + extra > e.depth)
            e.depth = tree_.exprs[child].depth + extra;
    };
    deepen(e.a, chain ? 0 : 1);
    deepen(e.b, 1);
    deepen(e.c, 1);
    for (const Id item : e.list) deepen(item, 1);
    if (e.depth > kMaxDepth) failExpr(pos_ < end_ ? pos_ : end_);
    tree_.exprs.push_back(std::move(e));
    return static_cast<Id>(tree_.exprs.size()) - 1;
}

Parser::Infix Parser::peekInfix() const {
    Infix r;
    if (pos_ >= end_) return r;
    const Token& t = tok(pos_);
    if (t.kind == TokenKind::Symbol) {
        static constexpr std::pair<std::string_view, std::pair<Op, int>> kSymbols[] = {
            {"=", {Op::Eq, kCompare}},     {"<>", {Op::Ne, kCompare}}, {"<", {Op::Lt, kCompare}},
            {">", {Op::Gt, kCompare}},     {"<=", {Op::Le, kCompare}}, {">=", {Op::Ge, kCompare}},
            {"&", {Op::Concat, kConcat}},  {"+", {Op::Add, kAdd}},     {"-", {Op::Sub, kAdd}},
            {"\\", {Op::IntDiv, kIntDiv}}, {"*", {Op::Mul, kMul}},     {"/", {Op::Div, kMul}},
            {"^", {Op::Pow, kPow}},
        };
        for (const auto& [text, opPrec] : kSymbols) {
            if (t.text == text) {
                r.kind = ExprKind::Binary;
                r.op = opPrec.first;
                r.prec = opPrec.second;
                return r;
            }
        }
        return r;
    }
    Kw k = kw(pos_);
    if (k == Kw::Not) {
        const Kw after = kw(pos_ + 1);
        if (after != Kw::Like && after != Kw::Between && after != Kw::In) return r;
        r.negated = true;
        r.width = 2;
        k = after;
    }
    switch (k) {
        case Kw::And:
            return {ExprKind::Binary, Op::And, kAnd, 1, false};
        case Kw::Or:
            return {ExprKind::Binary, Op::Or, kOr, 1, false};
        case Kw::Xor:
            return {ExprKind::Binary, Op::Xor, kXor, 1, false};
        case Kw::Eqv:
            return {ExprKind::Binary, Op::Eqv, kEqv, 1, false};
        case Kw::Imp:
            return {ExprKind::Binary, Op::Imp, kImp, 1, false};
        case Kw::Mod:
            return {ExprKind::Binary, Op::Mod, kMod, 1, false};
        case Kw::Is:
            return {ExprKind::IsNull, Op::None, kCompare, 1, false};
        case Kw::Like:
            r.kind = ExprKind::Like;
            break;
        case Kw::Between:
            r.kind = ExprKind::Between;
            break;
        case Kw::In:
            r.kind = ExprKind::In;
            break;
        default:
            return r;
    }
    r.prec = kCompare;
    return r;
}

// In a field rule, a term may start with its operator: "> 0", "Is Null",
// "Between 1 And 5", "Like 'A*'", "In (1, 2)", "Not Like 'x*'".
bool Parser::ruleTermStartsWithOperator() const {
    if (!fieldRule_) return false;
    const Infix in = peekInfix();
    if (in.kind == ExprKind::Binary) return in.prec == kCompare;
    return in.kind != ExprKind::Null;
}

Id Parser::parseExpr(int minPrec) {
    enter();
    Id lhs = parsePrefix(minPrec);
    for (;;) {
        const Infix in = peekInfix();
        if (in.kind == ExprKind::Null || in.prec < minPrec) break;
        const Id opTok = pos_;
        pos_ += in.width;
        Expr e;
        e.kind = in.kind;
        e.op = in.op;
        e.negated = in.negated;
        e.a = lhs;
        switch (in.kind) {
            case ExprKind::Binary:
                // All dialect binary operators associate to the left.
                e.b = parseExpr(in.prec + 1);
                break;
            case ExprKind::Like:
                e.b = parseExpr(kConcat);
                break;
            case ExprKind::IsNull:
                if (kw(pos_) == Kw::Not) {
                    e.negated = true;
                    ++pos_;
                }
                if (kw(pos_) != Kw::Null) failExpr(pos_ < end_ ? pos_ : opTok);
                ++pos_;
                break;
            case ExprKind::Between:
                e.b = parseExpr(kConcat);
                if (kw(pos_) != Kw::And) failExpr(pos_);
                ++pos_;
                e.c = parseExpr(kConcat);
                break;
            case ExprKind::In: {
                if (!sym(pos_, "(")) failExpr(pos_);
                const Id close = tok(pos_).match;
                if (kw(pos_ + 1) == Kw::Select) {
                    e.query = query(pos_ + 1, close, false);
                } else {
                    ++pos_;
                    e.list = parseList(close);
                }
                pos_ = close + 1;
                break;
            }
            default:
                break;
        }
        lhs = add(std::move(e));
    }
    leave();
    return lhs;
}

// Comma-separated expressions up to the closing parenthesis `close`.
std::vector<Id> Parser::parseList(Id close) {
    std::vector<Id> items;
    for (;;) {
        items.push_back(parseExpr(0));
        if (pos_ == close) return items;
        if (!sym(pos_, ",")) failExpr(pos_);
        ++pos_;
    }
}

Id Parser::subquery(Id open, ExprKind kind) {
    Expr e;
    e.kind = kind;
    const Id close = tok(open).match;
    e.query = query(open + 1, close, false);
    pos_ = close + 1;
    return add(std::move(e));
}

Id Parser::parsePrefix(int minPrec) {
    if (pos_ >= end_) failExpr(end_);
    if (minPrec <= kCompare && ruleTermStartsWithOperator()) {
        Expr e;
        e.kind = ExprKind::RuleField;
        return add(std::move(e));
    }
    const Token& t = tok(pos_);
    const Kw k = kw(pos_);
    Expr e;
    switch (t.kind) {
        case TokenKind::Number:
            e.kind = ExprKind::Number;
            e.text = std::string(t.text);
            ++pos_;
            return add(std::move(e));
        case TokenKind::String:
            e.kind = ExprKind::Text;
            e.text = tokenValue(t);
            ++pos_;
            return add(std::move(e));
        case TokenKind::Date: {
            const std::optional<double> serial = parseDateText(tokenValue(t));
            if (!serial) failExpr(pos_);
            e.kind = ExprKind::Date;
            e.serial = *serial;
            ++pos_;
            return add(std::move(e));
        }
        case TokenKind::Symbol:
            if (t.text == "-" || t.text == "+") {
                ++pos_;
                e.kind = ExprKind::Unary;
                e.op = t.text == "-" ? Op::Neg : Op::Plus;
                e.a = parseExpr(kNeg);
                return add(std::move(e));
            }
            if (t.text == "(") {
                const Id close = t.match;
                if (kw(pos_ + 1) == Kw::Select) return subquery(pos_, ExprKind::Subquery);
                ++pos_;
                e.list = parseList(close);
                if (e.list.size() == 1) {
                    e.kind = ExprKind::Paren;
                    e.a = e.list[0];
                    e.list.clear();
                } else {
                    e.kind = ExprKind::Row;
                }
                pos_ = close + 1;
                return add(std::move(e));
            }
            failExpr(pos_);
        case TokenKind::Word:
            switch (k) {
                case Kw::None:
                    break;
                case Kw::Null:
                    e.kind = ExprKind::Null;
                    ++pos_;
                    return add(std::move(e));
                case Kw::True:
                case Kw::False:
                    e.kind = ExprKind::Bool;
                    e.truth = k == Kw::True;
                    ++pos_;
                    return add(std::move(e));
                case Kw::Not:
                    ++pos_;
                    e.kind = ExprKind::Unary;
                    e.op = Op::Not;
                    e.a = parseExpr(kNot);
                    return add(std::move(e));
                case Kw::Exists:
                    if (!sym(pos_ + 1, "(") || kw(pos_ + 2) != Kw::Select) failExpr(pos_);
                    return subquery(pos_ + 1, ExprKind::Exists);
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

// [T].[F], T!F, [F], [T].*
Id Parser::parseName() {
    Expr e;
    e.kind = ExprKind::Name;
    e.path.push_back(nameValue(pos_));
    while ((sym(pos_ + 1, ".") || sym(pos_ + 1, "!")) &&
           (isNameToken(pos_ + 2) || sym(pos_ + 2, "*"))) {
        pos_ += 2;
        if (sym(pos_, "*")) {
            e.path.emplace_back("*");
            break;
        }
        e.path.push_back(nameValue(pos_));
    }
    ++pos_;
    return add(std::move(e));
}

Id Parser::parseCall() {
    Expr e;
    e.kind = ExprKind::Call;
    e.text = std::string(tok(pos_).text);
    e.func = functionOf(e.text);
    const Id close = tok(pos_ + 1).match;
    pos_ += 2;
    if (pos_ == close) {
        // no arguments
    } else if (sym(pos_, "*") && pos_ + 1 == close) {
        Expr star;
        star.kind = ExprKind::Star;
        e.list.push_back(add(std::move(star)));
    } else {
        e.list = parseList(close);
    }
    const std::size_t count = e.list.size();
    if ((e.func == Func::IsNull && count != 1) || (e.func == Func::Nz && (count < 1 || count > 2)))
        failExpr(close);
    pos_ = close + 1;
    return add(std::move(e));
}

}  // namespace qrv::dao::sql
