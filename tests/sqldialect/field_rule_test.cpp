// Field validation rules: terms that start with an operator get the field as
// their left operand. Each rule is checked by the rows it accepts.
#include <set>
#include <string>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Set = std::set<std::string>;

class FieldRuleTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE Num (FreqWidth REAL);
                INSERT INTO Num VALUES (NULL), (-2), (0), (0.5), (3), (10), (20);
                CREATE TABLE Txt ("Odd ""code"" [x]" TEXT);
                INSERT INTO Txt VALUES ('ABC'), ('abd'), ('X1'), ('N-1'), (NULL);)");
    }

    // The values for which the rule holds (a Null value is shown as "NULL").
    Set accepted(const std::string& table, const std::string& field, const std::string& rule) {
        Result<std::string> sql = translateFieldRule(rule, field);
        if (!sql) {
            ADD_FAILURE() << rule << ": " << sql.error().description;
            return {};
        }
        Set out;
        for (const Row& r :
             query("SELECT " + quoteIdentifier(field) + " FROM " + table + " WHERE " + sql.value()))
            out.insert(r[0]);
        return out;
    }
    Set numbers(const std::string& rule) { return accepted("Num", "FreqWidth", rule); }
    Set codes(const std::string& rule) { return accepted("Txt", "Odd \"code\" [x]", rule); }
};

TEST_F(FieldRuleTest, TermsStartingWithAComparison) {
    EXPECT_EQ(numbers("Is Null Or >0"), (Set{"NULL", "0.5", "3.0", "10.0", "20.0"}));
    EXPECT_EQ(numbers(">=0 And <10"), (Set{"0.0", "0.5", "3.0"}));
    EXPECT_EQ(numbers("<>3 And <> 10 And >0"), (Set{"0.5", "20.0"}));
    EXPECT_EQ(numbers("= 0 Or = 20"), (Set{"0.0", "20.0"}));
    EXPECT_EQ(numbers("Is Not Null And <= -2"), (Set{"-2.0"}));
}

TEST_F(FieldRuleTest, BetweenInAndNot) {
    EXPECT_EQ(numbers("Between 1 And 10"), (Set{"3.0", "10.0"}));
    EXPECT_EQ(numbers("Not Between 1 And 10"), (Set{"-2.0", "0.0", "0.5", "20.0"}));
    EXPECT_EQ(numbers("In (0, 20)"), (Set{"0.0", "20.0"}));
    EXPECT_EQ(numbers("Not In (0, 20) And Is Not Null"), (Set{"-2.0", "0.5", "3.0", "10.0"}));
    EXPECT_EQ(numbers("Not >0"), (Set{"-2.0", "0.0"}));
    EXPECT_EQ(numbers("Between 0 And 1 Or Between 10 And 20"), (Set{"0.0", "0.5", "10.0", "20.0"}));
}

TEST_F(FieldRuleTest, RulesThatNameTheField) {
    EXPECT_EQ(numbers("[FreqWidth] > 0 Or [FreqWidth] Is Null"),
              (Set{"NULL", "0.5", "3.0", "10.0", "20.0"}));
    // 0.5 Mod 2 works on 0.5 made whole, which is 0.
    EXPECT_EQ(numbers("[FreqWidth] Mod 2 = 0 And >0"), (Set{"0.5", "10.0", "20.0"}));
}

TEST_F(FieldRuleTest, TextRulesIgnoreCase) {
    EXPECT_EQ(codes("Like 'ab*'"), (Set{"ABC", "abd"}));
    EXPECT_EQ(codes("Not Like '[a-b]*' Or Is Null"), (Set{"X1", "N-1", "NULL"}));
    EXPECT_EQ(codes("=\"abc\" Or Like '?#'"), (Set{"ABC", "X1"}));
    EXPECT_EQ(codes("In ('n-1', 'x1')"), (Set{"X1", "N-1"}));
}

TEST_F(FieldRuleTest, MalformedRulesAreError3075) {
    for (const char* bad : {"", ">", ">0 Or", "Between 1", "Is", "In (1", "> 'abc"}) {
        Result<std::string> r = translateFieldRule(bad, "FreqWidth");
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error().number, err::kSyntaxInExpression) << bad;
    }
}

}  // namespace
}  // namespace qrv::dao::testing
