// Like with the dialect's wildcards, on real rows: "*", "?", "#", character
// classes, literal "%" and "_", case folding, Not Like, patterns that are
// expressions, and Null.
#include <algorithm>
#include <set>
#include <string>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Set = std::set<std::string>;

class LikeTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE Words (w TEXT);
                INSERT INTO Words VALUES ('apple'), ('Apricot'), ('banana'), ('a1'), ('a12'),
                  ('b7x'), ('*star'), ('100%'), ('1000'), ('under_score'), ('underXscore'),
                  ('ümlaut'), ('Ümlaut'), ('[x]'), ('it''s'), (NULL);)");
    }

    // The words for which `condition` holds, written in the dialect.
    Set where(const std::string& condition) {
        Set out;
        for (const Row& r : run("SELECT [w] FROM [Words] WHERE " + condition)) out.insert(r[0]);
        return out;
    }
    Set like(const std::string& patternLiteral) { return where("[w] Like " + patternLiteral); }
};

TEST_F(LikeTest, StarAndQuestionMark) {
    EXPECT_EQ(like("'a*'"), (Set{"apple", "Apricot", "a1", "a12"}));
    EXPECT_EQ(like("'a?'"), (Set{"a1"}));
    EXPECT_EQ(like("'under?score'"), (Set{"under_score", "underXscore"}));
    EXPECT_EQ(like("'*'").size(), 15u);  // every word but the Null
    EXPECT_EQ(like("'APPLE'"), (Set{"apple"}));
}

TEST_F(LikeTest, PercentAndUnderscoreAreOrdinaryCharacters) {
    EXPECT_EQ(like("'100%'"), (Set{"100%"}));
    EXPECT_EQ(like("'*_*'"), (Set{"under_score"}));
    EXPECT_EQ(like("'*[%]'"), (Set{"100%"}));
}

TEST_F(LikeTest, DigitWildcard) {
    EXPECT_EQ(like("'a#'"), (Set{"a1"}));
    EXPECT_EQ(like("'a##'"), (Set{"a12"}));
    EXPECT_EQ(like("'?#*'"), (Set{"a1", "a12", "b7x", "100%", "1000"}));
}

TEST_F(LikeTest, CharacterClasses) {
    EXPECT_EQ(like("'[a-b]*'"), (Set{"apple", "Apricot", "banana", "a1", "a12", "b7x"}));
    EXPECT_EQ(like("'[!a-b]*'"), (Set{"*star", "100%", "1000", "under_score", "underXscore",
                                      "ümlaut", "Ümlaut", "[x]", "it's"}));
    EXPECT_EQ(like("'[a-b]?[!0-9]*'"), (Set{"apple", "Apricot", "banana", "b7x"}));
    EXPECT_EQ(like("'[ub]*'"), (Set{"banana", "b7x", "under_score", "underXscore"}));
    // Brackets make wildcard characters literal.
    EXPECT_EQ(like("'[*]*'"), (Set{"*star"}));
    EXPECT_EQ(like("'[[]x]'"), (Set{"[x]"}));
}

TEST_F(LikeTest, CaseIsIgnoredBeyondAscii) {
    EXPECT_EQ(like("'ü*'"), (Set{"ümlaut", "Ümlaut"}));
    EXPECT_EQ(like("'?MLAUT'"), (Set{"ümlaut", "Ümlaut"}));
    EXPECT_EQ(like("'[Ü]*'"), (Set{"ümlaut", "Ümlaut"}));
}

TEST_F(LikeTest, QuotesInsidePatterns) {
    EXPECT_EQ(like("'it''s'"), (Set{"it's"}));
    EXPECT_EQ(like("\"*'*\""), (Set{"it's"}));
}

TEST_F(LikeTest, NotLike) {
    EXPECT_EQ(where("[w] Not Like 'a*'"),
              (Set{"banana", "b7x", "*star", "100%", "1000", "under_score", "underXscore", "ümlaut",
                   "Ümlaut", "[x]", "it's"}));
    EXPECT_EQ(where("[w] Not Like '[!a]#'"), where("[w] Is Not Null"));
    EXPECT_EQ(where("Not [w] Like '*#*'"),
              (Set{"apple", "Apricot", "banana", "*star", "under_score", "underXscore", "ümlaut",
                   "Ümlaut", "[x]", "it's"}));
}

TEST_F(LikeTest, PatternsThatAreExpressions) {
    EXPECT_EQ(like("'A' & '*'"), (Set{"apple", "Apricot", "a1", "a12"}));
    // & binds more tightly than Like: ([w] & 'z') Like 'a#z'.
    EXPECT_EQ(where("[w] & 'z' Like 'a#z'"), (Set{"a1"}));

    exec(R"(CREATE TABLE Pairs (v TEXT, p TEXT);
            INSERT INTO Pairs VALUES ('abc', 'a*'), ('abc', '#*'), ('5x', '#?'), ('a-b', 'a[-]b'),
                                     ('x', '[!x]'), ('x', NULL);)");
    Set matched;
    for (const Row& r : run("SELECT [v], [p] FROM [Pairs] WHERE [v] Like [p]"))
        matched.insert(r[0] + " " + r[1]);
    EXPECT_EQ(matched, (Set{"abc a*", "5x #?", "a-b a[-]b"}));
}

TEST_F(LikeTest, NullGivesNull) {
    EXPECT_EQ(scalar("SELECT Null Like 'a*'"), "NULL");
    EXPECT_EQ(scalar("SELECT Null Like 'a#'"), "NULL");
    EXPECT_EQ(scalar("SELECT 'a' Like Null"), "NULL");
    EXPECT_EQ(scalar("SELECT IIf('a1' Like 'a#', 'yes', 'no')"), "yes");
}

TEST_F(LikeTest, UnterminatedClassIsAnErrorWhenRun) {
    const std::string sql = translate("SELECT [w] FROM [Words] WHERE [w] Like 'a[b'");
    ASSERT_FALSE(sql.empty());
    Rows rows;
    std::string error;
    EXPECT_FALSE(tryQuery(sql, rows, error));
    EXPECT_NE(error.find("Invalid pattern"), std::string::npos) << error;
}

TEST_F(LikeTest, FindCriteriaExpression) {
    Result<std::string> criteria = translateExpression("[w] Like 'A*' And Len([w]) > 2");
    ASSERT_TRUE(criteria.ok()) << criteria.error().description;
    Set found;
    for (const Row& r : query("SELECT w FROM Words WHERE " + criteria.value())) found.insert(r[0]);
    EXPECT_EQ(found, (Set{"apple", "Apricot", "a12"}));
}

}  // namespace
}  // namespace qrv::dao::testing
