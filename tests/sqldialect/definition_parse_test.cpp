// Definition statements read into their tree: every part the dialect allows
// lands where it belongs, and everything else is refused with the number and
// text of the statement or clause it was found in.
#include <gtest/gtest.h>

#include "dataaccess/dialect/sql_definition.h"

namespace qrv::dao::sql {
namespace {

template <class T>
T parsed(std::string_view text) {
    Result<Definition> r = parseDefinition(text);
    if (!r) {
        ADD_FAILURE() << r.error().number << " " << r.error().description << "\n  for: " << text;
        return T{};
    }
    if (!std::holds_alternative<T>(*r)) {
        ADD_FAILURE() << "another kind of statement: " << text;
        return T{};
    }
    return std::get<T>(*r);
}

Error errorOf(std::string_view text) {
    Result<Definition> r = parseDefinition(text);
    return r ? Error{} : r.error();
}

TEST(DefinitionParse, CreateTableKeepsColumnsTypesSizesAndConstraints) {
    const auto ct = parsed<CreateTable>(
        "create table [Sales Data] ([Id] counter constraint [pk] primary key, "
        "[Re]]gion] Text (50) NOT NULL, Units LONG UNIQUE, [Memo] memo, Flag YesNo NOT NULL "
        "UNIQUE, CONSTRAINT [both] UNIQUE ([Re]]gion], Units), CONSTRAINT [fk] FOREIGN KEY "
        "(Units) REFERENCES [Other] ([Key]));");
    EXPECT_EQ(ct.table, "Sales Data");
    ASSERT_EQ(ct.columns.size(), 5u);
    EXPECT_EQ(ct.columns[0].name, "Id");
    EXPECT_EQ(ct.columns[0].type, "COUNTER");
    ASSERT_EQ(ct.columns[0].constraints.size(), 1u);
    EXPECT_EQ(ct.columns[0].constraints[0].name, "pk");
    EXPECT_EQ(ct.columns[0].constraints[0].kind, ConstraintKind::PrimaryKey);
    EXPECT_EQ(ct.columns[1].name, "Re]gion");
    EXPECT_EQ(ct.columns[1].type, "TEXT");
    EXPECT_EQ(ct.columns[1].size, 50);
    EXPECT_EQ(ct.columns[1].scale, -1);
    EXPECT_TRUE(ct.columns[1].notNull);
    EXPECT_EQ(ct.columns[2].constraints.at(0).kind, ConstraintKind::Unique);
    EXPECT_TRUE(ct.columns[2].constraints.at(0).name.empty());
    EXPECT_EQ(ct.columns[3].size, -1);
    EXPECT_FALSE(ct.columns[3].notNull);
    EXPECT_TRUE(ct.columns[4].notNull);
    EXPECT_EQ(ct.columns[4].constraints.size(), 2u);
    ASSERT_EQ(ct.constraints.size(), 2u);
    EXPECT_EQ(ct.constraints[0].name, "both");
    EXPECT_EQ(ct.constraints[0].fields, (std::vector<std::string>{"Re]gion", "Units"}));
    EXPECT_EQ(ct.constraints[1].kind, ConstraintKind::ForeignKey);
    EXPECT_EQ(ct.constraints[1].refTable, "Other");
    EXPECT_EQ(ct.constraints[1].refFields, (std::vector<std::string>{"Key"}));
}

TEST(DefinitionParse, AlterIndexAndDropForms) {
    auto add = parsed<AlterTable>("ALTER TABLE [T] ADD COLUMN [Note] TEXT(20) NOT NULL");
    EXPECT_EQ(add.action, AlterAction::AddColumn);
    EXPECT_EQ(add.column.name, "Note");
    EXPECT_EQ(add.column.size, 20);
    EXPECT_EQ(parsed<AlterTable>("ALTER TABLE T ADD [Note] MEMO").action, AlterAction::AddColumn);
    auto alter = parsed<AlterTable>("ALTER TABLE T ALTER COLUMN [Note] TEXT(5)");
    EXPECT_EQ(alter.action, AlterAction::AlterColumn);
    EXPECT_EQ(alter.column.size, 5);
    auto drop = parsed<AlterTable>("ALTER TABLE T DROP [Note]");
    EXPECT_EQ(drop.action, AlterAction::DropColumn);
    EXPECT_EQ(drop.name, "Note");
    auto con = parsed<AlterTable>("ALTER TABLE T ADD CONSTRAINT [u] UNIQUE ([a], [b])");
    EXPECT_EQ(con.action, AlterAction::AddConstraint);
    EXPECT_EQ(con.constraint.name, "u");
    EXPECT_EQ(con.constraint.fields.size(), 2u);
    EXPECT_EQ(parsed<AlterTable>("ALTER TABLE T DROP CONSTRAINT [u]").action,
              AlterAction::DropConstraint);

    auto ix = parsed<CreateIndex>(
        "CREATE UNIQUE INDEX [By Region] ON [Sales] ([Region] DESC, Units ASC, [Id]) WITH "
        "DISALLOW NULL");
    EXPECT_TRUE(ix.unique);
    EXPECT_EQ(ix.index, "By Region");
    EXPECT_EQ(ix.table, "Sales");
    ASSERT_EQ(ix.columns.size(), 3u);
    EXPECT_TRUE(ix.columns[0].descending);
    EXPECT_FALSE(ix.columns[1].descending);
    EXPECT_EQ(ix.option, IndexOption::DisallowNull);
    EXPECT_EQ(parsed<CreateIndex>("CREATE INDEX i ON t (a) WITH PRIMARY").option,
              IndexOption::Primary);
    EXPECT_EQ(parsed<CreateIndex>("CREATE INDEX i ON t (a) WITH IGNORE NULL").option,
              IndexOption::IgnoreNull);
    auto di = parsed<DropIndex>("DROP INDEX [i] ON [t];");
    EXPECT_EQ(di.index, "i");
    EXPECT_EQ(di.table, "t");
    EXPECT_EQ(parsed<DropTable>("drop table [Größe]").table, "Größe");
}

TEST(DefinitionParse, EveryTypeWordOfTheDialectIsKnownAndNoOther) {
    for (const char* word :
         {"TEXT",          "CHAR",     "VARCHAR",    "MEMO",     "LONGTEXT", "BYTE",
          "SHORT",         "SMALLINT", "INTEGER2",   "LONG",     "INT",      "INTEGER",
          "INTEGER4",      "SINGLE",   "REAL",       "FLOAT4",   "DOUBLE",   "FLOAT",
          "FLOAT8",        "NUMBER",   "NUMERIC",    "CURRENCY", "MONEY",    "DATETIME",
          "DATE",          "TIME",     "YESNO",      "BIT",      "LOGICAL",  "COUNTER",
          "AUTOINCREMENT", "BINARY",   "LONGBINARY", "IMAGE",    "OLEOBJECT"}) {
        EXPECT_EQ(errorOf("CREATE TABLE t (a " + std::string(word) + ")").number, 0) << word;
        EXPECT_EQ(errorOf("create table t (a " + std::string(word) + ")").number, 0) << word;
    }
    // Words other programs know, a word split in two, and sizes where none belong.
    for (const char* bad : {"CREATE TABLE t (a VARCHAR2(5))", "CREATE TABLE t (a DECIMAL(10, 2))",
                            "CREATE TABLE t (a NUMERIC(10, 2))", "CREATE TABLE t (a BLOB)",
                            "CREATE TABLE t (a LONG(5))", "CREATE TABLE t (a TEXT(0))",
                            "CREATE TABLE t (a TEXT(256))", "CREATE TABLE t (a TEXT(1.5))",
                            "CREATE TABLE t (a TEXT(5, 2))", "CREATE TABLE t (a [TEXT])",
                            "CREATE TABLE t (a)", "ALTER TABLE t ADD COLUMN b FOO"}) {
        const Error e = errorOf(bad);
        EXPECT_EQ(e.number, err::kFieldSyntax) << bad;
        EXPECT_EQ(e.description, "Syntax error in field definition.") << bad;
    }
}

TEST(DefinitionParse, OutsideTheDialectIsRefusedWithItsStatementsNumber) {
    struct Case {
        const char* text;
        int number;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"CREATE TABLE t (a LONG) WITHOUT ROWID", err::kCreateTableSyntax},
             {"CREATE TABLE IF NOT EXISTS t (a LONG)", err::kCreateTableSyntax},
             {"CREATE TABLE t AS SELECT * FROM u", err::kCreateTableSyntax},
             {"CREATE TABLE t (a LONG DEFAULT 1)", err::kCreateTableSyntax},
             {"CREATE TABLE t (a TEXT COLLATE NOCASE)", err::kCreateTableSyntax},
             {"CREATE TABLE t (a LONG CHECK (a > 0))", err::kCreateTableSyntax},
             {"CREATE TABLE t ()", err::kCreateTableSyntax},
             {"CREATE TABLE t (a LONG,)", err::kCreateTableSyntax},
             {"CREATE TABLE [main].[t] (a LONG)", err::kCreateTableSyntax},
             {"CREATE TABLE select (a LONG)", err::kCreateTableSyntax},
             {"CREATE TABLE t (a DOUBLE PRECISION)", err::kCreateTableSyntax},
             {"CREATE TABLE t (a LONG CONSTRAINT c CHECK (a > 0))", err::kConstraintSyntax},
             {"CREATE TABLE t (a LONG, CONSTRAINT c PRIMARY KEY a)", err::kConstraintSyntax},
             {"CREATE TABLE t (a LONG, CONSTRAINT c FOREIGN KEY (a))", err::kConstraintSyntax},
             {"CREATE INDEX i ON t (a) WHERE a > 0", err::kCreateIndexSyntax},
             {"CREATE INDEX i ON t (lower(a))", err::kCreateIndexSyntax},
             {"CREATE INDEX IF NOT EXISTS i ON t (a)", err::kCreateIndexSyntax},
             {"CREATE INDEX i ON t (a) WITH PRIMARY DISALLOW NULL", err::kCreateIndexSyntax},
             {"DROP TABLE IF EXISTS t", err::kDropSyntax},
             {"DROP TABLE t u", err::kDropSyntax},
             {"DROP INDEX i ON", err::kDropSyntax},
             {"ALTER TABLE t RENAME COLUMN a TO b", err::kAlterTableSyntax},
             {"ALTER TABLE t ADD UNIQUE (a)", err::kAlterTableSyntax},
             {"ALTER TABLE t", err::kAlterTableSyntax},
             {"CREATE VIEW v AS SELECT 1", err::kInvalidStatement},
             {"CREATE TEMP TABLE t (a LONG)", err::kInvalidStatement},
             {"CREATE VIRTUAL TABLE v USING fts5(a)", err::kInvalidStatement},
             {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END", err::kCharsAfterEnd},
             {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1 END", err::kInvalidStatement},
             {"DROP TRIGGER tr", err::kInvalidStatement},
             {"ALTER DATABASE x", err::kInvalidStatement},
             {"CREATE TABLE t (a LONG); DROP TABLE u", err::kCharsAfterEnd},
             {"DROP TABLE t;;", err::kCharsAfterEnd},
             {"CREATE TABLE [t (a LONG)", err::kSyntaxInExpression},
         }) {
        EXPECT_EQ(errorOf(c.text).number, c.number) << c.text;
    }
    EXPECT_EQ(errorOf("CREATE TABLE t (a LONG DEFAULT 1)").description,
              "Syntax error in CREATE TABLE statement.");
    EXPECT_EQ(errorOf("ALTER TABLE t RENAME a TO b").description,
              "Syntax error in ALTER TABLE statement.");
    EXPECT_EQ(errorOf("CREATE INDEX i ON t").description,
              "Syntax error in CREATE INDEX statement.");
    EXPECT_EQ(errorOf("CREATE TABLE t (a LONG, CONSTRAINT c)").description,
              "Syntax error in CONSTRAINT clause.");
}

TEST(DefinitionParse, TheFirstWordDecidesWhatIsADefinition) {
    EXPECT_TRUE(isDefinitionStatement("CREATE TABLE t (a LONG)"));
    EXPECT_TRUE(isDefinitionStatement("\r\n\t drop table t"));
    EXPECT_TRUE(isDefinitionStatement("Alter TABLE t DROP a"));
    EXPECT_TRUE(isDefinitionStatement("create"));
    EXPECT_FALSE(isDefinitionStatement("CREATED TABLE t"));
    EXPECT_FALSE(isDefinitionStatement("[CREATE] TABLE t"));
    EXPECT_FALSE(isDefinitionStatement("SELECT * FROM [CREATE]"));
    EXPECT_FALSE(isDefinitionStatement("INSERT INTO t VALUES ('DROP')"));
    EXPECT_FALSE(isDefinitionStatement(""));
}

}  // namespace
}  // namespace qrv::dao::sql
