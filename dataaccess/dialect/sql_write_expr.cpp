// SQLite writer, expressions: dialect operators in SQLite's precedence,
// adding parentheses only where the two grammars disagree, and the dialect's
// meanings SQLite lacks (real "/", "\" and Mod on rounded operands, "&",
// text comparisons without case, True as -1 and dates as day numbers in
// arithmetic) through qrv_* functions or SQLite's own.
#include <string_view>

#include "dataaccess/date_text.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/dialect/sql_writer_impl.h"

namespace qrv::dao::sql {

namespace {

bool isComparison(Op op) {
    return op == Op::Eq || op == Op::Ne || op == Op::Lt || op == Op::Gt || op == Op::Le ||
           op == Op::Ge;
}

bool isArithmetic(Op op) {
    return op == Op::Add || op == Op::Sub || op == Op::Mul || op == Op::Div || op == Op::IntDiv ||
           op == Op::Mod || op == Op::Pow || op == Op::Neg || op == Op::Plus;
}

// The SQLite text of the operators written as "left op right".
std::string_view infixText(const Expr& e) {
    switch (e.op) {
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
        case Op::Add:
            return e.type == Type::Text ? " || " : " + ";  // "+" of two texts joins them
        case Op::Sub:
            return " - ";
        case Op::Mul:
            return " * ";
        default:
            return {};
    }
}

std::string_view sqliteFunction(Func f) {
    switch (f) {
        case Func::IIf:
            return "iif";
        case Func::Nz:
            return "ifnull";
        case Func::StDev:
            return "qrv_stdev";
        case Func::StDevP:
            return "qrv_stdevp";
        case Func::Var:
            return "qrv_var";
        case Func::VarP:
            return "qrv_varp";
        case Func::First:
            return "qrv_first";
        case Func::Last:
            return "qrv_last";
        case Func::Sum:
            return "sum";
        case Func::Count:
            return "count";
        case Func::Min:
            return "min";
        case Func::Max:
            return "max";
        case Func::Avg:
            return "avg";
        case Func::Len:
            return "length";
        case Func::UCase:
            return "upper";
        case Func::LCase:
            return "lower";
        case Func::Mid:
            return "substr";
        case Func::Abs:
            return "abs";
        default:
            return {};
    }
}

// How a LIKE pattern written as a literal maps onto SQLite's own LIKE.
// Returns false when the pattern needs qrv_like (classes, "#", non-ASCII case).
bool nativeLikePattern(std::string_view pattern, std::string* out, bool& escape) {
    escape = false;
    for (const char ch : pattern) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '#' || c == '[' || c >= 0x80) return false;
        if (c == '%' || c == '_') escape = true;
    }
    if (out == nullptr) return true;
    out->push_back('\'');
    for (const char ch : pattern) {
        switch (ch) {
            case '*':
                out->push_back('%');
                break;
            case '?':
                out->push_back('_');
                break;
            case '%':
            case '_':
                out->push_back('\\');
                out->push_back(ch);
                break;
            case '\\':
                if (escape) out->push_back('\\');
                out->push_back(ch);
                break;
            case '\'':
                out->append("''");
                break;
            default:
                out->push_back(ch);
        }
    }
    out->push_back('\'');
    return true;
}

// Serial day 0, 1899-12-30, as a Julian day number.
constexpr std::string_view kSerialEpoch = "2415018.5";

}  // namespace

// A sum or difference involving a date: written as a whole, never chained.
bool SqliteWriter::dateArithmetic(const Expr& e) const {
    if (e.kind != ExprKind::Binary || (e.op != Op::Add && e.op != Op::Sub)) return false;
    return e.type == Type::Date || node(e.a).type == Type::Date || node(e.b).type == Type::Date;
}

// A sum or difference whose meaning the row decides: a field (or a value of
// unknown type) may hold a text, a number or a date. Rules are read by other
// SQLite clients and keep SQLite's own "+" and "-".
bool SqliteWriter::runtimeSum(const Expr& e) const {
    if (opt_.portable || e.kind != ExprKind::Binary || (e.op != Op::Add && e.op != Op::Sub) ||
        e.type == Type::Text || dateArithmetic(e))
        return false;
    auto open = [](Type t) { return t == Type::Field || t == Type::Unknown; };
    return open(node(e.a).type) || open(node(e.b).type);
}

// Where a node sits in SQLite's own precedence (higher binds tighter); used to
// decide whether an operand must be parenthesised when written out.
int SqliteWriter::prec(Id id) const {
    const Expr& e = node(id);
    switch (e.kind) {
        case ExprKind::Unary:
            return e.op == Op::Not ? 3 : 11;
        case ExprKind::Like: {
            bool escape = false;
            const bool native = node(e.b).kind == ExprKind::Text &&
                                nativeLikePattern(node(e.b).text, nullptr, escape);
            return native ? 4 : e.negated ? 3 : 100;
        }
        case ExprKind::IsNull:
        case ExprKind::Between:
        case ExprKind::In:
            return 4;
        case ExprKind::Binary:
            if (dateArithmetic(e) || runtimeSum(e)) return 100;  // written whole
            switch (e.op) {
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
                    return e.type == Type::Text ? 9 : 7;
                case Op::Sub:
                    return 7;
                case Op::Mul:
                case Op::Div:
                    return 8;
                default:
                    return 100;  // Pow, Mod, "\" and "&" are written as function calls
            }
        default:
            return 100;
    }
}

// True when the node is written "left op right" as part of a chain of its level.
bool SqliteWriter::chainable(Id id) const {
    const Expr& e = node(id);
    return e.kind == ExprKind::Binary && !dateArithmetic(e) && !runtimeSum(e) &&
           !infixText(e).empty();
}

void SqliteWriter::text(const std::string& value) {
    out_.append(quoteLiteral(value));
    out_.append(" COLLATE NOCASE");
}

void SqliteWriter::operand(Id id, int parentPrec, bool leftSide) {
    const int p = prec(id);
    const bool wrap = p < parentPrec || (p == parentPrec && !leftSide);
    if (wrap) out_.push_back('(');
    expr(id);
    if (wrap) out_.push_back(')');
}

// An operand of arithmetic: True is -1 (a truth value is negated into the
// dialect's -1), and a date is its day number. A field next to a date may
// hold a date as well, so it is read as a day number too.
void SqliteWriter::numberOperand(Id id, Id other) {
    const Expr& e = node(id);
    if (e.kind == ExprKind::Bool) {
        out_.append(e.truth ? "-1" : "0");
        return;
    }
    if (e.type == Type::Truth) {
        out_.append("(-(");
        expr(id);
        out_.append("))");
        return;
    }
    if (e.type == Type::Date) {
        out_.append("(julianday(");
        expr(id);
        out_.append(") - ");
        out_.append(kSerialEpoch);
        out_.push_back(')');
        return;
    }
    if (e.type == Type::Field && other >= 0 && node(other).type == Type::Date && !opt_.portable) {
        out_.append("qrv_serial(");
        expr(id);
        out_.push_back(')');
        return;
    }
    operand(id, 12, true);
}

void SqliteWriter::expr(Id id) {
    enter();
    const Expr& e = node(id);
    switch (e.kind) {
        case ExprKind::Number:
            out_.append(e.text);
            break;
        case ExprKind::Text:
            text(e.text);
            break;
        case ExprKind::Date:
            out_.append(quoteLiteral(serialDateToIso(e.serial)));
            break;
        case ExprKind::Null:
            out_.append("NULL");
            break;
        case ExprKind::Bool:
            out_.push_back(e.truth ? '1' : '0');  // the stored form of Yes/No
            break;
        case ExprKind::Star:
            out_.push_back('*');
            break;
        case ExprKind::RuleField:
            out_.append(quoteIdentifier(opt_.ruleField));
            break;
        case ExprKind::Name:
            path(e.path);
            break;
        case ExprKind::Paren:
            out_.push_back('(');
            expr(e.a);
            out_.push_back(')');
            break;
        case ExprKind::Row:
            out_.push_back('(');
            list(e.list);
            out_.push_back(')');
            break;
        case ExprKind::Subquery:
        case ExprKind::Exists:
            if (e.kind == ExprKind::Exists) out_.append("EXISTS ");
            out_.push_back('(');
            query(e.query);
            out_.push_back(')');
            break;
        case ExprKind::Call:
            call(e);
            break;
        case ExprKind::Unary:
            if (e.op == Op::Not) {
                out_.append("NOT ");
                operand(e.a, 3, true);
            } else {
                out_.push_back(e.op == Op::Neg ? '-' : '+');
                // Wrapping any unary operand keeps "- -x" from becoming a comment.
                const Expr& a = node(e.a);
                if (a.kind == ExprKind::Bool || a.type == Type::Truth || a.type == Type::Date) {
                    out_.push_back('(');
                    numberOperand(e.a, kNoNode);
                    out_.push_back(')');
                } else {
                    operand(e.a, 12, true);
                }
            }
            break;
        case ExprKind::Binary:
            binary(id);
            break;
        case ExprKind::Like:
            like(e);
            break;
        case ExprKind::IsNull:
            operand(e.a, 4, true);
            out_.append(e.negated ? " IS NOT NULL" : " IS NULL");
            break;
        case ExprKind::Between:
            operand(e.a, 4, true);
            out_.append(e.negated ? " NOT BETWEEN " : " BETWEEN ");
            operand(e.b, 6, true);
            out_.append(" AND ");
            operand(e.c, 6, true);
            break;
        case ExprKind::In:
            in(e);
            break;
    }
    leave();
}

void SqliteWriter::list(const std::vector<Id>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i != 0) out_.append(", ");
        expr(items[i]);
    }
}

void SqliteWriter::call(const Expr& e) {
    // Only the dialect's own functions: any other name would reach whatever
    // SQLite or an extension registers under it.
    if (e.func == Func::Other)
        fail(err::kUndefinedFunction, "Undefined function '" + e.text + "' in expression.");
    if (e.func == Func::IsNull) {
        out_.append("((");
        expr(e.list[0]);
        out_.append(") IS NULL)");
        return;
    }
    const std::string_view mapped = sqliteFunction(e.func);
    out_.append(mapped.empty() ? std::string_view(e.text) : mapped);
    out_.push_back('(');
    // Sums and spreads of truth values count Yes as -1.
    const bool numeric = isAggregate(e.func) && e.func != Func::Count && e.func != Func::First &&
                         e.func != Func::Last;
    for (std::size_t i = 0; i < e.list.size(); ++i) {
        if (i != 0) out_.append(", ");
        const Expr& item = node(e.list[i]);
        if (numeric && (item.kind == ExprKind::Bool || item.type == Type::Truth))
            numberOperand(e.list[i], kNoNode);
        else
            expr(e.list[i]);
    }
    if (e.func == Func::Nz && e.list.size() == 1) out_.append(", ''");
    out_.push_back(')');
}

void SqliteWriter::binary(Id id) {
    const Expr& e = node(id);
    const int p = prec(id);
    if (dateArithmetic(e)) {
        // A date moved by days stays a date, in its stored form rounded to
        // the second (serial 25569 is 1970-01-01); the difference of two
        // dates is a number of days.
        const bool date = e.type == Type::Date;
        if (date) out_.append("datetime(round((");
        out_.push_back('(');
        numberOperand(e.a, e.b);
        out_.append(e.op == Op::Add ? " + " : " - ");
        numberOperand(e.b, e.a);
        out_.push_back(')');
        if (date) out_.append(" - 25569) * 86400), 'unixepoch')");
        return;
    }
    if (runtimeSum(e)) {
        out_.append(e.op == Op::Add ? "qrv_add(" : "qrv_sub(");
        numberOperand(e.a, kNoNode);
        out_.append(", ");
        numberOperand(e.b, kNoNode);
        out_.push_back(')');
        return;
    }
    switch (e.op) {
        case Op::Pow:
            out_.append("pow(");
            numberOperand(e.a, kNoNode);
            out_.append(", ");
            numberOperand(e.b, kNoNode);
            out_.push_back(')');
            return;
        case Op::IntDiv:
        case Op::Mod:
        case Op::Concat:
            if (opt_.portable) {
                portableOp(e);
                return;
            }
            out_.append(e.op == Op::IntDiv ? "qrv_idiv("
                        : e.op == Op::Mod  ? "qrv_mod("
                                           : "qrv_cat(");
            if (e.op == Op::Concat) {
                expr(e.a);
                out_.append(", ");
                expr(e.b);
            } else {
                numberOperand(e.a, kNoNode);
                out_.append(", ");
                numberOperand(e.b, kNoNode);
            }
            out_.push_back(')');
            return;
        case Op::Div:
            // Always real division: 2 / 4 is 0.5, never 0.
            out_.append("CAST(");
            numberOperand(e.a, kNoNode);
            out_.append(" AS REAL) / ");
            side(id, false, p);
            return;
        case Op::Xor:
        case Op::Eqv:
            out_.append("((");
            expr(e.a);
            out_.append(e.op == Op::Xor ? ") <> 0) <> ((" : ") <> 0) = ((");
            expr(e.b);
            out_.append(") <> 0)");
            return;
        case Op::Imp:
            out_.append("NOT (");
            expr(e.a);
            out_.append(") OR (");
            expr(e.b);
            out_.push_back(')');
            return;
        default:
            break;
    }
    // A left-nested chain of operators of one level ("a OR b OR c ...") is
    // written in a loop, so long generated conditions do not recurse per term.
    const std::size_t base = spine_.size();
    for (Id cur = id;;) {
        spine_.push_back(cur);
        const Id left = node(cur).a;
        if (!chainable(left) || prec(left) != p) break;
        cur = left;
    }
    side(spine_.back(), true, p);
    for (std::size_t k = spine_.size(); k-- > base;) {
        out_.append(infixText(node(spine_[k])));
        side(spine_[k], false, p);
    }
    spine_.resize(base);
}

// An operand of a chain link. When a comparison sets a number against a
// text or a field, the other side goes through qrv_num: a text that reads
// as a number compares as that number ("'10' > 9" is true, "'8' > 9" false),
// and a text that is no number stays text, which sorts after all numbers.
void SqliteWriter::side(Id linkId, bool left, int p) {
    const Expr& link = node(linkId);
    const Id mine = left ? link.a : link.b;
    const Id other = left ? link.b : link.a;
    const Type mineType = node(mine).type;
    const Type otherType = node(other).type;
    if (isComparison(link.op)) {
        if (otherType == Type::Number &&
            (node(mine).kind == ExprKind::Bool || mineType == Type::Truth)) {
            numberOperand(mine, other);  // True = -1
            return;
        }
        if (!opt_.portable && otherType == Type::Number &&
            (mineType == Type::Text || mineType == Type::Field)) {
            out_.append("qrv_num(");
            expr(mine);
            out_.push_back(')');
            return;
        }
    }
    if (isArithmetic(link.op) && link.type != Type::Text) {
        const Expr& m = node(mine);
        if (m.kind == ExprKind::Bool || m.type == Type::Truth || m.type == Type::Date) {
            numberOperand(mine, other);
            return;
        }
    }
    operand(mine, p, left);
}

// "\", Mod and "&" with SQLite's own functions, for stored rules. These
// forms repeat their operands, so their nesting is bounded.
void SqliteWriter::portableOp(const Expr& e) {
    constexpr int kMaxRepeatNesting = 4;
    if (++repeatNesting_ > kMaxRepeatNesting) fail(err::kSyntaxInExpression, "");
    if (e.op == Op::Concat) {
        // Null joins as empty text; two Nulls give Null.
        out_.append("coalesce(");
        operand(e.a, 9, true);
        out_.append(" || ");
        operand(e.b, 9, false);
        out_.append(", ");
        expr(e.a);
        out_.append(", ");
        expr(e.b);
        out_.push_back(')');
    } else {
        out_.push_back('(');
        whole(e.a);
        out_.append(e.op == Op::Mod ? " % " : " / ");
        whole(e.b);
        out_.push_back(')');
    }
    --repeatNesting_;
}

// An operand made whole, half to even: a tie x.5 goes to 2 * round(x / 2).
void SqliteWriter::whole(Id id) {
    out_.append("CAST(CASE WHEN abs((");
    expr(id);
    out_.append(") - round(");
    expr(id);
    out_.append(")) = 0.5 THEN 2 * round((");
    expr(id);
    out_.append(") / 2.0) ELSE round(");
    expr(id);
    out_.append(") END AS INTEGER)");
}

void SqliteWriter::like(const Expr& e) {
    const Expr& pattern = node(e.b);
    bool escape = false;
    if (pattern.kind == ExprKind::Text && nativeLikePattern(pattern.text, nullptr, escape)) {
        operand(e.a, 4, true);
        out_.append(e.negated ? " NOT LIKE " : " LIKE ");
        nativeLikePattern(pattern.text, &out_, escape);
        if (escape) out_.append(" ESCAPE '\\'");
        return;
    }
    if (e.negated) out_.append("NOT ");
    out_.append("qrv_like(");
    expr(e.a);
    out_.append(", ");
    if (pattern.kind == ExprKind::Text)
        out_.append(quoteLiteral(pattern.text));  // its case is folded by qrv_like itself
    else
        expr(e.b);
    out_.push_back(')');
}

void SqliteWriter::in(const Expr& e) {
    // IN compares with the left operand's collation, so a text list needs
    // NOCASE on the left to ignore case like the other comparisons.
    bool textList = false;
    for (const Id item : e.list) textList = textList || node(item).kind == ExprKind::Text;
    const bool addCollate = textList && node(e.a).kind != ExprKind::Text;
    operand(e.a, addCollate ? 100 : 4, true);
    if (addCollate) out_.append(" COLLATE NOCASE");
    out_.append(e.negated ? " NOT IN " : " IN ");
    out_.push_back('(');
    if (e.query >= 0)
        query(e.query);
    else
        list(e.list);
    out_.push_back(')');
}

}  // namespace qrv::dao::sql
