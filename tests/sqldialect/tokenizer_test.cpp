// Tokenizer: literals, bracketed names, dates, numbers and operators are cut
// at the right places, and malformed input is refused with error 3075.
#include "dataaccess/dialect/sql_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qrv::dao::sql {
namespace {

std::vector<Token> tokensOf(std::string_view text) {
    Result<std::vector<Token>> r = tokenize(text);
    EXPECT_TRUE(r.ok()) << text << ": " << (r ? "" : r.error().description);
    return r ? r.value() : std::vector<Token>{};
}

std::vector<TokenKind> kindsOf(std::string_view text) {
    std::vector<TokenKind> kinds;
    for (const Token& t : tokensOf(text)) kinds.push_back(t.kind);
    return kinds;
}

std::vector<std::string> valuesOf(std::string_view text) {
    std::vector<std::string> values;
    for (const Token& t : tokensOf(text))
        if (t.kind != TokenKind::End) values.push_back(tokenValue(t));
    return values;
}

using K = TokenKind;

TEST(Tokenizer, TextLiteralsCollapseTheirDoubledDelimiter) {
    EXPECT_EQ(valuesOf("'it''s' \"say \"\"hi\"\"\" ''"),
              (std::vector<std::string>{"it's", "say \"hi\"", ""}));
    // The other kind of quote is an ordinary character inside a literal.
    EXPECT_EQ(valuesOf("'a\"b' \"c'd\""), (std::vector<std::string>{"a\"b", "c'd"}));
    EXPECT_EQ(kindsOf("'x' \"y\""), (std::vector<K>{K::String, K::String, K::End}));
}

TEST(Tokenizer, BracketedNamesTakeDoubledClosingBracketLiterally) {
    EXPECT_EQ(valuesOf("[a]]; DROP TABLE t; --]"),
              (std::vector<std::string>{"a]; DROP TABLE t; --"}));
    EXPECT_EQ(valuesOf("[Sales Data].[Amount ($)]"),
              (std::vector<std::string>{"Sales Data", ".", "Amount ($)"}));
    EXPECT_EQ(kindsOf("[a'b]"), (std::vector<K>{K::Name, K::End}));
}

TEST(Tokenizer, CommentMarksInsideLiteralsAndNamesAreText) {
    EXPECT_EQ(valuesOf("'--x' [/*y*/] \"#z#\""), (std::vector<std::string>{"--x", "/*y*/", "#z#"}));
}

TEST(Tokenizer, TheDialectHasNoComments) {
    // "--" is two minus signs and "/*" a slash and a star, wherever they stand.
    EXPECT_EQ(valuesOf("5--1"), (std::vector<std::string>{"5", "-", "-", "1"}));
    EXPECT_EQ(valuesOf("a -- b\nc"), (std::vector<std::string>{"a", "-", "-", "b", "c"}));
    EXPECT_EQ(valuesOf("a /* b */"), (std::vector<std::string>{"a", "/", "*", "b", "*", "/"}));
}

TEST(Tokenizer, NumbersDatesWordsAndOperators) {
    EXPECT_EQ(
        kindsOf("#1/2/2003# 12 1.5 .5 2E-3 Sum <> <= >= & \\ ^"),
        (std::vector<K>{K::Date, K::Number, K::Number, K::Number, K::Number, K::Word, K::Symbol,
                        K::Symbol, K::Symbol, K::Symbol, K::Symbol, K::Symbol, K::End}));
    EXPECT_EQ(valuesOf("#1/2/2003 3:04 PM# 2E-3 <>"),
              (std::vector<std::string>{"1/2/2003 3:04 PM", "2E-3", "<>"}));
    // An "e" without digits after it is not an exponent.
    EXPECT_EQ(valuesOf("2East"), (std::vector<std::string>{"2", "East"}));
}

TEST(Tokenizer, DotAfterANameQualifiesIt) {
    EXPECT_EQ(kindsOf("t.x [T].[F] x + .5"),
              (std::vector<K>{K::Word, K::Symbol, K::Word, K::Name, K::Symbol, K::Name, K::Word,
                              K::Symbol, K::Number, K::End}));
}

TEST(Tokenizer, ParenthesesKnowTheirPartner) {
    const std::vector<Token> t = tokensOf("f((a), b)");
    // f ( ( a ) , b ) End
    ASSERT_EQ(t.size(), 9u);
    EXPECT_EQ(t[1].match, 7);
    EXPECT_EQ(t[7].match, 1);
    EXPECT_EQ(t[2].match, 4);
    EXPECT_EQ(t[4].match, 2);
}

TEST(Tokenizer, OffsetsPointIntoTheSource) {
    const std::string src = "SELECT  [a]";
    const std::vector<Token> t = tokensOf(src);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1].offset, 8u);
    EXPECT_EQ(t[2].offset, src.size());
}

TEST(Tokenizer, MalformedInputIsError3075) {
    for (const char* bad :
         {"'abc", "\"abc", "x = 'it''", "[abc", "[a]]", "#1/2/2003", "(a", "a)", "((a)", "f(a))"}) {
        Result<std::vector<Token>> r = tokenize(bad);
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error().number, err::kSyntaxInExpression) << bad;
        EXPECT_NE(r.error().description.find("Syntax error in query expression"),
                  std::string::npos);
    }
}

TEST(Tokenizer, ErrorQuotesTheUnterminatedPart) {
    Result<std::vector<Token>> r = tokenize("[x] = 'abc");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "Syntax error in query expression ''abc'.");
}

}  // namespace
}  // namespace qrv::dao::sql
