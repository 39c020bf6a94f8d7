// The SQLite writer given a tree built by hand, with no parser involved:
// what it writes must run and mean what the tree says.
#include <string>
#include <utility>

#include "dataaccess/dialect/sql_writer.h"
#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using sql::Expr;
using sql::ExprKind;
using sql::Id;
using sql::Op;
using sql::Tree;
using sql::Type;

Id add(Tree& t, Expr e) {
    t.exprs.push_back(std::move(e));
    return static_cast<Id>(t.exprs.size()) - 1;
}

Id name(Tree& t, std::vector<std::string> path) {
    Expr e;
    e.kind = ExprKind::Name;
    e.type = Type::Field;
    e.path = std::move(path);
    return add(t, std::move(e));
}

Id text(Tree& t, std::string value) {
    Expr e;
    e.kind = ExprKind::Text;
    e.type = Type::Text;
    e.text = std::move(value);
    return add(t, std::move(e));
}

Id binary(Tree& t, Op op, Id a, Id b, Type type) {
    Expr e;
    e.kind = ExprKind::Binary;
    e.op = op;
    e.a = a;
    e.b = b;
    e.type = type;
    return add(t, std::move(e));
}

class WriterTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE "it's ""odd""; ]" (";", "x y");
                INSERT INTO "it's ""odd""; ]" VALUES ('a', 1), ('B', 2), ('b', 3);)");
    }
};

TEST_F(WriterTest, AHandBuiltQueryOverHostileNamesRuns) {
    // SELECT [;] & '-' & [x y] FROM [it's "odd"; ]]] WHERE [;] = 'b' ORDER BY [x y]
    Tree t;
    const Id joined =
        binary(t, Op::Concat, binary(t, Op::Concat, name(t, {";"}), text(t, "-"), Type::Text),
               name(t, {"x y"}), Type::Text);
    const Id where = binary(t, Op::Eq, name(t, {";"}), text(t, "b"), Type::Truth);
    sql::TableRef from;
    from.name = {"it's \"odd\"; ]"};
    t.tables.push_back(from);
    sql::Select s;
    s.items.push_back({joined, "", false});
    s.from = 0;
    s.where = where;
    sql::Query q;
    q.parts.push_back(s);
    q.orderBy.push_back({name(t, {"x y"}), false, sql::Collation::None});
    t.queries.push_back(q);
    t.statement.query = 0;

    Result<std::string> sqlText = sql::writeSqlite(t, {});
    ASSERT_TRUE(sqlText.ok()) << sqlText.error().description;
    // Text comparisons ignore case: 'B' and 'b' both match.
    EXPECT_EQ(query(*sqlText), (Rows{{"B-2"}, {"b-3"}})) << *sqlText;
}

TEST_F(WriterTest, ASourceClauseWithoutAnAttachFunctionIsRefused) {
    Tree t;
    sql::TableRef from;
    from.name = {"x"};
    from.hasSource = true;
    from.sourceFile = "other.db";
    t.tables.push_back(from);
    sql::Select s;
    s.items.push_back({});
    s.from = 0;
    sql::Query q;
    q.parts.push_back(s);
    t.queries.push_back(q);
    t.statement.query = 0;
    Result<std::string> sqlText = sql::writeSqlite(t, {});
    ASSERT_FALSE(sqlText.ok());
    EXPECT_EQ(sqlText.error().number, err::kNotValidPath);
}

}  // namespace
}  // namespace qrv::dao::testing
