// Internal: the SQLite writer's state, shared by its statement half
// (sql_write_stmt.cpp) and its expression half (sql_write_expr.cpp).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "dataaccess/dialect/sql_writer.h"

namespace qrv::dao::sql {

struct WriteFailure {
    Error error;
};

class SqliteWriter {
  public:
    SqliteWriter(const Tree& tree, const WriteOptions& options);
    std::string& output() { return out_; }

    void statement();
    void expression(Id e) { expr(e); }

    // ---- Yes/No fields (sql_write_types.cpp) ----
    // A copy of tree whose names of Yes/No fields are truth values.
    static Tree withYesNoFields(const Tree& tree, const FieldLookup& fields);

  private:
    const Expr& node(Id e) const { return tree_.exprs[e]; }
    [[noreturn]] void fail(int number, std::string text) const;
    [[noreturn]] void failStatement() const;
    void enter();
    void leave() { --depth_; }

    // ---- names (sql_write_stmt.cpp) ----
    void collectAliases();
    void name(const std::string& meant);
    void refuseInternal(const std::vector<std::string>& parts, int action) const;
    void path(const std::vector<std::string>& parts);
    void target(const std::vector<std::string>& parts, bool hasSource, const std::string& file);

    // ---- statements (sql_write_stmt.cpp) ----
    void query(Id q);
    void queryBody(Id q, bool withOrder);
    void selectPart(const Select& s, bool top);
    void collate(Collation c);
    void table(Id t);
    Id firstTable(Id t) const;
    bool joined(Id t) const { return tree_.tables[t].join != JoinKind::None; }
    std::vector<std::string> distinctRowKeys(const Select& s) const;
    void insert();
    void update();
    void remove();
    std::vector<int> targetTypes(const std::vector<std::string>& table,
                                 const std::vector<std::string>& columns) const;
    void storedValue(Id value, int type);

    // ---- expressions (sql_write_expr.cpp) ----
    int prec(Id e) const;
    bool chainable(Id e) const;
    bool dateArithmetic(const Expr& e) const;
    bool runtimeSum(const Expr& e) const;
    void expr(Id e);
    void operand(Id e, int parentPrec, bool leftSide);
    void side(Id link, bool left, int p);
    void numberOperand(Id e, Id other);
    void list(const std::vector<Id>& items);
    void call(const Expr& e);
    void binary(Id e);
    void portableOp(const Expr& e);
    void whole(Id e);
    void like(const Expr& e);
    void in(const Expr& e);
    void text(const std::string& value);

    const Tree& tree_;
    const WriteOptions& opt_;
    std::string out_;
    std::vector<Id> spine_;  // nodes of the operator chains being written
    std::unordered_map<std::string, std::string> aliases_;  // fold -> spelling
    int depth_ = 0;
    int repeatNesting_ = 0;
    int exprNumber_ = 1000;
};

}  // namespace qrv::dao::sql
