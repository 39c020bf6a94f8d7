// Internal: the parser's state, shared by its statement half
// (sql_parser.cpp) and its expression half (sql_parse_expr.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/dialect/sql_parser.h"
#include "dataaccess/dialect/sql_tokenizer.h"

namespace qrv::dao::sql {

struct ParseFailure {
    Error error;
};

class Parser {
  public:
    Parser(std::string_view source, const std::vector<Token>& tokens, Tree& tree);

    void statement();
    void expressionOnly(bool fieldRule);

  private:
    // ---- tokens ----
    const Token& tok(Id i) const { return toks_[i]; }
    Kw kw(Id i) const { return i < end_ ? kws_[i] : Kw::None; }
    bool sym(Id i, std::string_view s) const { return i < end_ && isSymbol(toks_[i], s); }
    bool isNameToken(Id i) const;
    bool startsExpression(Id i) const;
    std::string nameValue(Id i) const;  // the name a Name or Word token means

    // ---- errors ----
    [[noreturn]] void failExpr(Id at) const;
    [[noreturn]] void failStatement() const;
    [[noreturn]] void unexpected() const;
    void require(bool ok) const {
        if (!ok) failStatement();
    }
    void enter();
    void leave() { --depth_; }

    // ---- statements (sql_parser.cpp) ----
    Id query(Id begin, Id end, bool allowInto);
    void selectPart(Select& s, bool allowInto);
    Id tableExpr();
    Id tableTerm();
    Id tableName();
    void target(Target& t);
    void insertStatement();
    void updateStatement();
    void deleteStatement();
    Id expectExpression();
    Collation collation();
    Id addTable(TableRef t);

    // ---- expressions (sql_parse_expr.cpp) ----
    struct Infix {
        ExprKind kind = ExprKind::Null;  // Null: no infix operator here
        Op op = Op::None;
        int prec = 0;
        int width = 1;
        bool negated = false;
    };
    Infix peekInfix() const;
    bool ruleTermStartsWithOperator() const;
    Id parseExpr(int minPrec);
    Id parsePrefix(int minPrec);
    std::vector<Id> parseList(Id close);
    Id parseName();
    Id parseCall();
    Id subquery(Id open, ExprKind kind);
    Id add(Expr e);
    void settleType(Expr& e) const;
    bool chainable(const Expr& e) const;

    std::string_view src_;
    const std::vector<Token>& toks_;
    std::vector<Kw> kws_;
    Tree& tree_;
    StatementType type_ = StatementType::Select;
    bool fieldRule_ = false;
    bool inTable_ = false;
    Id pos_ = 0;
    Id end_ = 0;
    Id exprStart_ = 0;
    int depth_ = 0;
};

// Dialect precedence, loosest first (Not is a prefix, Neg the unary minus).
enum Prec : int {
    kImp = 1,
    kEqv,
    kXor,
    kOr,
    kAnd,
    kNot,
    kCompare,
    kConcat,
    kAdd,
    kMod,
    kIntDiv,
    kMul,
    kNeg,
    kPow
};

}  // namespace qrv::dao::sql
