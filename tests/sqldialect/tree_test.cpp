// The parsed tree on its own, before any writer: names as meant, literals as
// values, operators as enums, functions by their dialect name, and the
// structure of each statement kind. Nothing here depends on SQLite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/dialect/sql_parser.h"

namespace qrv::dao::sql {
namespace {

using Path = std::vector<std::string>;

Tree parsed(std::string_view text) {
    Result<Tree> r = parseStatement(text);
    EXPECT_TRUE(r.ok()) << text << ": " << (r.ok() ? "" : r.error().description);
    return r.ok() ? std::move(r.value()) : Tree{};
}

Tree expression(std::string_view text, bool fieldRule = false) {
    Result<Tree> r = parseExpression(text, fieldRule);
    EXPECT_TRUE(r.ok()) << text << ": " << (r.ok() ? "" : r.error().description);
    return r.ok() ? std::move(r.value()) : Tree{};
}

const Select& firstSelect(const Tree& t) {
    return t.queries.at(t.statement.query).parts.at(0);
}

TEST(TreeTest, NamesAreKeptAsMeantWithoutDelimiters) {
    const Tree t =
        parsed("SELECT [Sales Data].[Unit]]Price], Amount, [T]![F], [T].* FROM [Sales Data]");
    const Select& s = firstSelect(t);
    ASSERT_EQ(s.items.size(), 4u);
    EXPECT_EQ(t.exprs[s.items[0].expr].path, (Path{"Sales Data", "Unit]Price"}));
    EXPECT_EQ(t.exprs[s.items[1].expr].path, (Path{"Amount"}));
    EXPECT_EQ(t.exprs[s.items[2].expr].path, (Path{"T", "F"})) << "\"!\" separates like \".\"";
    EXPECT_EQ(t.exprs[s.items[3].expr].path, (Path{"T", "*"}));
    EXPECT_EQ(t.tables[s.from].name, (Path{"Sales Data"}));
    EXPECT_EQ(t.exprs[s.items[0].expr].type, Type::Field);
}

TEST(TreeTest, LiteralsAreValues) {
    const Tree t = expression("'it''s' & \"say \"\"hi\"\"\" & 1.5E3 & #1/2/2000 6:00 PM#");
    // Left-associative: ((a & b) & c) & d.
    const Expr& top = t.exprs[t.expression];
    ASSERT_EQ(top.kind, ExprKind::Binary);
    EXPECT_EQ(top.op, Op::Concat);
    const Expr& date = t.exprs[top.b];
    EXPECT_EQ(date.kind, ExprKind::Date);
    // 2000-01-02 is serial 36527 (36526 days from 1899-12-30 to 2000-01-01);
    // 6 PM is 0.75 of a day.
    EXPECT_DOUBLE_EQ(date.serial, 36527.75);
    const Expr& ab_c = t.exprs[top.a];
    EXPECT_EQ(t.exprs[ab_c.b].text, "1.5E3");
    EXPECT_EQ(t.exprs[ab_c.b].kind, ExprKind::Number);
    const Expr& ab = t.exprs[ab_c.a];
    EXPECT_EQ(t.exprs[ab.a].text, "it's");
    EXPECT_EQ(t.exprs[ab.b].text, "say \"hi\"");
}

TEST(TreeTest, PrecedenceFollowsTheDialect) {
    // Mod binds looser than "\" which binds looser than "*": 7 Mod (2 \ (3 * 4)).
    const Tree t = expression("7 Mod 2 \\ 3 * 4");
    const Expr& top = t.exprs[t.expression];
    EXPECT_EQ(top.op, Op::Mod);
    EXPECT_EQ(t.exprs[top.b].op, Op::IntDiv);
    EXPECT_EQ(t.exprs[t.exprs[top.b].b].op, Op::Mul);
    // Not binds looser than comparisons: Not (a = 1) And b.
    const Tree u = expression("Not a = 1 And b");
    const Expr& andNode = u.exprs[u.expression];
    EXPECT_EQ(andNode.op, Op::And);
    EXPECT_EQ(u.exprs[andNode.a].op, Op::Not);
    EXPECT_EQ(u.exprs[u.exprs[andNode.a].a].op, Op::Eq);
    // "^" binds tighter than the unary minus: -2 ^ 2 is -(2 ^ 2).
    const Tree v = expression("-2 ^ 2");
    EXPECT_EQ(v.exprs[v.expression].kind, ExprKind::Unary);
    EXPECT_EQ(v.exprs[v.exprs[v.expression].a].op, Op::Pow);
}

TEST(TreeTest, FunctionsAreKnownByTheirDialectName) {
    const Tree t = parsed("SELECT StDev([x]), iif([x] > 1, 'a', 'b'), Count(*), MyFunc(1) FROM T");
    const Select& s = firstSelect(t);
    EXPECT_EQ(t.exprs[s.items[0].expr].func, Func::StDev);
    EXPECT_EQ(t.exprs[s.items[0].expr].text, "StDev");
    EXPECT_EQ(t.exprs[s.items[1].expr].func, Func::IIf);
    EXPECT_EQ(t.exprs[s.items[1].expr].list.size(), 3u);
    EXPECT_EQ(t.exprs[s.items[2].expr].func, Func::Count);
    EXPECT_EQ(t.exprs[t.exprs[s.items[2].expr].list[0]].kind, ExprKind::Star);
    EXPECT_EQ(t.exprs[s.items[3].expr].func, Func::Other);
    EXPECT_EQ(t.exprs[s.items[3].expr].text, "MyFunc");
}

TEST(TreeTest, SelectClausesJoinsAndUnion) {
    const Tree t = parsed(
        "SELECT DISTINCTROW TOP 25 PERCENT a.x AS [Total Value] FROM (A AS a INNER JOIN B b ON "
        "a.k = b.k) LEFT OUTER JOIN C ON b.j = C.j WHERE a.x > 0 GROUP BY a.x HAVING Count(*) > 1 "
        "UNION ALL SELECT y FROM D IN 'other.db' ORDER BY 1 DESC;");
    const Query& q = t.queries[t.statement.query];
    ASSERT_EQ(q.parts.size(), 2u);
    const Select& s = q.parts[0];
    EXPECT_EQ(s.quantifier, Quantifier::DistinctRow);
    EXPECT_TRUE(s.top && s.topPercent);
    EXPECT_EQ(s.topCount, "25");
    EXPECT_EQ(s.items[0].alias, "Total Value");
    const TableRef& outer = t.tables[s.from];
    EXPECT_EQ(outer.join, JoinKind::Left);
    const TableRef& inner = t.tables[outer.left];
    EXPECT_EQ(inner.join, JoinKind::Inner);
    EXPECT_TRUE(inner.parenthesized);
    EXPECT_EQ(t.tables[inner.left].alias, "a");
    EXPECT_EQ(t.tables[inner.right].alias, "b");
    EXPECT_EQ(t.tables[outer.right].name, (Path{"C"}));
    EXPECT_NE(s.where, kNoNode);
    EXPECT_EQ(s.groupBy.size(), 1u);
    EXPECT_NE(s.having, kNoNode);
    EXPECT_TRUE(q.parts[1].unionAll);
    const TableRef& d = t.tables[q.parts[1].from];
    EXPECT_TRUE(d.hasSource);
    EXPECT_EQ(d.sourceFile, "other.db");
    ASSERT_EQ(q.orderBy.size(), 1u);
    EXPECT_TRUE(q.orderBy[0].descending);
}

TEST(TreeTest, SelectIntoNamesItsTarget) {
    const Tree t = parsed("SELECT [a], [b] * 2 INTO [New Table] IN 'c:\\x.mdb' FROM [T]");
    EXPECT_EQ(t.statement.type, StatementType::SelectInto);
    EXPECT_EQ(t.statement.target.name, (Path{"New Table"}));
    EXPECT_TRUE(t.statement.target.hasSource);
    EXPECT_EQ(t.statement.target.sourceFile, "c:\\x.mdb");
    EXPECT_EQ(firstSelect(t).items.size(), 2u);
}

TEST(TreeTest, RowChangingStatements) {
    const Tree ins = parsed("INSERT INTO [T] ([a], b) VALUES (1, 'x')");
    EXPECT_EQ(ins.statement.type, StatementType::Insert);
    EXPECT_EQ(ins.statement.columns, (Path{"a", "b"}));
    ASSERT_EQ(ins.statement.rows.size(), 1u);
    EXPECT_EQ(ins.exprs[ins.statement.rows[0][1]].text, "x");

    const Tree up = parsed("UPDATE [T] SET [a] = [a] + 1, [T].[b] = Null WHERE [c] Is Null");
    EXPECT_EQ(up.statement.type, StatementType::Update);
    ASSERT_EQ(up.statement.assignments.size(), 2u);
    EXPECT_EQ(up.statement.assignments[1].field, (Path{"T", "b"}));
    EXPECT_EQ(up.exprs[up.statement.where].kind, ExprKind::IsNull);

    const Tree del = parsed("DELETE DISTINCTROW [T].* FROM [T] INNER JOIN [U] ON [T].k = [U].k");
    EXPECT_EQ(del.statement.type, StatementType::Delete);
    EXPECT_EQ(del.statement.deleteOf, (Path{"T"}));
    EXPECT_EQ(del.tables[del.statement.table].join, JoinKind::Inner);
}

TEST(TreeTest, StaticTypesOfDatesTruthAndText) {
    auto typeOf = [](std::string_view text) {
        const Tree t = expression(text);
        return t.exprs.empty() ? Type::Unknown : t.exprs[t.expression].type;
    };
    EXPECT_EQ(typeOf("#1/1/2000# + 1"), Type::Date);
    EXPECT_EQ(typeOf("1 + #1/1/2000#"), Type::Date);
    EXPECT_EQ(typeOf("#1/1/2000# - 1"), Type::Date);
    EXPECT_EQ(typeOf("#1/2/2000# - #1/1/2000#"), Type::Number);
    EXPECT_EQ(typeOf("'a' + 'b'"), Type::Text);
    EXPECT_EQ(typeOf("'a' + 1"), Type::Number);
    EXPECT_EQ(typeOf("1 = 1"), Type::Truth);
    EXPECT_EQ(typeOf("True"), Type::Truth);
    EXPECT_EQ(typeOf("[x] Like 'a*'"), Type::Truth);
    EXPECT_EQ(typeOf("[x] + [y]"), Type::Unknown) << "two fields: texts join, numbers add";
}

TEST(TreeTest, FieldRuleTermsStartingWithAnOperatorGetTheField) {
    const Tree t = expression("Is Null Or > 0", true);
    const Expr& orNode = t.exprs[t.expression];
    EXPECT_EQ(orNode.op, Op::Or);
    EXPECT_EQ(t.exprs[t.exprs[orNode.a].a].kind, ExprKind::RuleField);
    EXPECT_EQ(t.exprs[t.exprs[orNode.b].a].kind, ExprKind::RuleField);
    EXPECT_FALSE(parseExpression("> 0").ok()) << "not without a field";
}

}  // namespace
}  // namespace qrv::dao::sql
