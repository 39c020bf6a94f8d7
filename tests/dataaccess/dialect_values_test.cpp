// Values that statements of the dialect write and read back: a counter
// numbers the rows INSERT adds, and a Yes/No field takes -1, True, "Yes" ...
// as Yes and reads as -1 in expressions, as the desktop engine's fields do.
#include <string>
#include <vector>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Strings = std::vector<std::string>;

class DialectValuesTest : public DbTest {
  protected:
    // Every row of a query, its cells as text joined by "|".
    Strings rows(const std::string& sql) {
        Strings out;
        auto rs = db.OpenRecordset(sql);
        EXPECT_TRUE(rs.ok()) << sql << ": " << (rs.ok() ? "" : rs.error().description);
        if (!rs.ok()) return out;
        for (; !rs->Eof(); rs->MoveNext()) {
            std::string row;
            for (int i = 0; i < rs->FieldCount(); ++i) {
                if (i != 0) row.push_back('|');
                row.append(rs->GetValue(i).toText());
            }
            out.push_back(row);
        }
        return out;
    }
};

TEST_F(DialectValuesTest, CountersNumberTheRowsInsertAdds) {
    ASSERT_EQ(count("CREATE TABLE T (Id COUNTER, Name TEXT (3), Code LONG)"), 0);
    EXPECT_EQ(count("INSERT INTO T (Name) VALUES ('a')"), 1);
    EXPECT_EQ(count("INSERT INTO T (Name, Code) VALUES ('b', 7), ('c', 8)"), 2);
    EXPECT_EQ(count("INSERT INTO T (Name) SELECT Name & 'x' FROM T WHERE Code > 0"), 2);
    // A number given is kept, and the next one follows the highest.
    EXPECT_EQ(count("INSERT INTO T VALUES (40, 'd', 0)"), 1);
    EXPECT_EQ(count("INSERT INTO T (Name) VALUES ('e')"), 1);
    // A refused statement adds no row and uses up no number.
    EXPECT_EQ(errorOf("INSERT INTO T (Name) VALUES ('f'), ('toolong')"), err::kFieldTooSmall);
    EXPECT_EQ(count("INSERT INTO T (Name) VALUES ('g')"), 1);
    EXPECT_EQ(rows("SELECT Id, Name FROM T ORDER BY Id"),
              (Strings{"1|a", "2|b", "3|c", "4|bx", "5|cx", "40|d", "41|e", "42|g"}));
}

TEST_F(DialectValuesTest, YesNoFieldsTakeEveryFormOfYesAndReadAsMinusOne) {
    ASSERT_EQ(count("CREATE TABLE F (Name TEXT (10), Ok YESNO)"), 0);
    ASSERT_EQ(count("CREATE TABLE One (X LONG)"), 0);
    ASSERT_EQ(count("INSERT INTO One VALUES (1)"), 1);
    const struct {
        const char* value;
        const char* stored;
    } cases[] = {{"-1", "True"},     {"True", "True"},   {"2.5", "True"},
                 {"'Yes'", "True"},  {"' on '", "True"}, {"0", "False"},
                 {"False", "False"}, {"'No'", "False"},  {"Null", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(count(std::string("INSERT INTO F VALUES ('v', ") + c.value + ")"), 1) << c.value;
        EXPECT_EQ(rows("SELECT Ok FROM F"), Strings{c.stored}) << c.value;
        count("DELETE * FROM F");
        EXPECT_EQ(count(std::string("INSERT INTO F (Ok) SELECT ") + c.value + " FROM One"), 1)
            << c.value;
        EXPECT_EQ(rows("SELECT Ok FROM F"), Strings{c.stored}) << c.value;
        count("DELETE * FROM F");
    }
    EXPECT_EQ(errorOf("INSERT INTO F (Ok) VALUES ('maybe')"), err::kTypeConversion);

    count("INSERT INTO F VALUES ('yes', -1), ('no', 0), ('none', Null)");
    EXPECT_EQ(count("UPDATE F SET Ok = -1 WHERE Name = 'none'"), 1);
    EXPECT_EQ(count("UPDATE F SET Ok = 0 WHERE Name = 'none'"), 1);
    // In arithmetic Yes is -1 and No 0; Yes equals both True and -1.
    EXPECT_EQ(rows("SELECT Name, Ok + 0, -Ok, Ok * 3, F.Ok - 1 FROM F ORDER BY Name"),
              (Strings{"no|0|0|0|-1", "none|0|0|0|-1", "yes|-1|1|-3|-2"}));
    EXPECT_EQ(rows("SELECT Name FROM F WHERE Ok = -1"), Strings{"yes"});
    EXPECT_EQ(rows("SELECT Name FROM F WHERE Ok = True"), Strings{"yes"});
    EXPECT_EQ(rows("SELECT Name FROM F WHERE Ok = 1"), Strings{});
    EXPECT_EQ(rows("SELECT Sum(Ok), Min(Ok), Count(Ok) FROM F"), Strings{"-1|-1|3"});
}

}  // namespace
}  // namespace qrv::test
