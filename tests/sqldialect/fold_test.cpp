// Case folding of names in every script, the QRV_FOLD collation on real
// rows (through the dialect's ORDER BY), and Like beyond Latin letters.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "dataaccess/fold.h"
#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

TEST(FoldCase, FullFoldingInEveryScript) {
    EXPECT_EQ(foldCase("Sales_2024"), "sales_2024");
    EXPECT_EQ(foldCase("ÄÖÜ"), "äöü");
    EXPECT_EQ(foldCase("Straße"), "strasse") << "full folding: one letter becomes two";
    EXPECT_EQ(foldCase("ΣΟΦΙΑ"), "σοφια");
    EXPECT_EQ(foldCase("ς"), "σ") << "final sigma folds like sigma";
    EXPECT_EQ(foldCase("МОСКВА"), "москва");
    EXPECT_EQ(foldCase("\u212A"), "k") << "Kelvin sign";
    EXPECT_EQ(foldCase(""), "");
    // Malformed UTF-8 passes unchanged, so two different ones never fold alike.
    EXPECT_EQ(foldCase("A\xFF"
                       "B"),
              "a\xFF"
              "b");
    EXPECT_EQ(foldCase("\xC3"), "\xC3") << "a cut-off sequence";
}

TEST(FoldCase, EqualityIgnoresCaseOnly) {
    struct Pair {
        const char* a;
        const char* b;
        bool equal;
    } pairs[] = {
        {"Amount", "AMOUNT", true},
        {"Amount", "Amoun", false},
        {"Amount", "Amounts", false},
        {"amount", "amounu", false},
        {"äb", "ÄB", true},
        {"Straße", "STRASSE", true},
        {"STRASSE", "Straße", true},
        {"Straße", "Strase", false},
        {"\u212Aelvin", "KELVIN", true},
        {"ſum", "SUM", true},  // long s
        {"ΣΟΦΙΑ", "σοφια", true},
        {"Größe", "GRÖSSE", true},
        {"Größe", "GROSSE", false},
        {"\xFF", "\xFE", false},
        {"a\xFF", "A\xFF", true},
        {"", "", true},
        {"", "a", false},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(iequal(p.a, p.b), p.equal) << p.a << " / " << p.b;
        EXPECT_EQ(iequal(p.b, p.a), p.equal) << p.b << " / " << p.a;
    }
}

TEST(FoldCase, CharactersAreCountedNotBytes) {
    EXPECT_EQ(utf8Length("abc"), 3u);
    EXPECT_EQ(utf8Length("äöü"), 3u);
    EXPECT_EQ(utf8Length("€"), 1u);
    EXPECT_EQ(utf8Length("\xF0\x9F\x98\x80"), 1u) << "a character outside the BMP";
    EXPECT_EQ(utf8Length(""), 0u);
    EXPECT_FALSE(utf8Length("a\xFF"));
    EXPECT_FALSE(utf8Length("\xC3")) << "cut-off sequence";
    EXPECT_FALSE(utf8Length("\xED\xA0\x80")) << "an encoded surrogate";
    EXPECT_FALSE(utf8Length("\xC0\xAF")) << "an overlong form";
}

// The order compareFolded gives must be the order of (fold, bytes) pairs
// built from foldCase of the whole texts; the ASCII shortcut must not change it.
TEST(FoldCase, ComparisonAgreesWithFoldThenBytes) {
    const std::vector<std::string> texts = {
        "a",     "A",    "b", "B",  "ab",    "aB",     "Ab",      "abc",     "äb",      "ÄB",
        "ä",     "Ä",    "ß", "ss", "SS",    "Straße", "STRASSE", "strasse", "Strasse", "z",
        "é",     "É",    "ſ", "s",  "S",     "\u212A", "k",       "K",       "",        "a\xFF",
        "A\xFF", "\xFF", "~", "_x", "Ωmega", "ωMEGA",  "a b",     "a-b"};
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const std::string& x : texts)
        for (const std::string& y : texts) {
            const std::string fx = foldCase(x), fy = foldCase(y);
            int expected = fx < fy ? -1 : fx > fy ? 1 : x < y ? -1 : x > y ? 1 : 0;
            EXPECT_EQ(sign(compareFolded(x, y)), expected) << "'" << x << "' vs '" << y << "'";
        }
}

class FoldCollation : public DialectDb {};

TEST_F(FoldCollation, OrdersByFoldThenBytes) {
    exec(R"(CREATE TABLE Names (n TEXT COLLATE NOCASE, k INTEGER);
            INSERT INTO Names VALUES ('b', 1), ('A', 2), ('ä', 3), ('a', 4), ('STRASSE', 5),
              ('Z', 6), ('Ä', 7), ('strasse', 8), ('B', 9), ('Straße', 10), ('é', 11),
              ('a', 12);)");
    // By hand: the folds in byte order are a < b < strasse < z < ä (C3 A4) < é (C3 A9);
    // within a fold the texts go by their bytes: "A" (41) before "a" (61), "STRASSE"
    // (53 54) before "Straße" (53 74) before "strasse" (73), "Ä" (C3 84) before "ä" (C3 A4).
    const std::vector<std::string> expected = {"A",      "a",       "a", "B", "b", "STRASSE",
                                               "Straße", "strasse", "Z", "Ä", "ä", "é"};
    EXPECT_EQ(column("SELECT [n] FROM [Names] ORDER BY [n] COLLATE QRV_FOLD, [k]"), expected);
    std::vector<std::string> reversed(expected.rbegin(), expected.rend());
    EXPECT_EQ(column("SELECT [n] FROM [Names] ORDER BY [n] Collate qrv_fold DESC, [k] DESC"),
              reversed);
    // The two "a" rows are adjacent and keep the second key's order.
    EXPECT_EQ(run("SELECT [n], [k] FROM [Names] WHERE [n] = 'a' ORDER BY [n] COLLATE QRV_FOLD, "
                  "[k]"),
              (Rows{{"A", "2"}, {"a", "4"}, {"a", "12"}}));
}

TEST_F(FoldCollation, BinaryTellsApartWhatACaselessColumnJoins) {
    exec(R"(CREATE TABLE Names (n TEXT COLLATE NOCASE, k INTEGER);
            INSERT INTO Names VALUES ('a', 1), ('A', 2), ('a', 3), ('Ä', 4), ('ä', 5), ('b', 6);)");
    EXPECT_EQ(run("SELECT COUNT(*) FROM (SELECT DISTINCT [n] FROM [Names])"), (Rows{{"4"}}))
        << "the column itself joins a and A";
    // By hand: a, A, Ä, ä, b are five spellings; the first column keeps the
    // field's own values beside the binary one.
    EXPECT_EQ(run("SELECT DISTINCT [n], [n] COLLATE qrv_binary AS [s] FROM [Names] "
                  "ORDER BY [s] COLLATE QRV_BINARY"),
              (Rows{{"A", "A"}, {"a", "a"}, {"b", "b"}, {"Ä", "Ä"}, {"ä", "ä"}}));
}

TEST_F(FoldCollation, NoOtherCollationPassesTheDialect) {
    EXPECT_EQ(errorOf("SELECT [n] FROM [Names] ORDER BY [n] COLLATE NOCASE"), err::kSyntaxError);
    EXPECT_EQ(errorOf("SELECT [n] FROM [Names] ORDER BY [n] COLLATE"), err::kSyntaxError);
    EXPECT_EQ(errorOf("SELECT [n] COLLATE NOCASE FROM [Names]"), err::kSyntaxError);
    EXPECT_NE(errorOf("SELECT [n] FROM [Names] WHERE [n] COLLATE QRV_FOLD = 'a'"), 0)
        << "only an ordering term takes it";
}

TEST_F(FoldCollation, LikeIgnoresCaseInEveryScript) {
    exec(R"(CREATE TABLE Words (w TEXT);
            INSERT INTO Words VALUES ('Σοφία'), ('σοφία'), ('Москва'), ('москва'), ('sofia');)");
    auto like = [&](const std::string& pattern) {
        std::set<std::string> out;
        for (const Row& r : run("SELECT [w] FROM [Words] WHERE [w] Like " + pattern))
            out.insert(r[0]);
        return out;
    };
    EXPECT_EQ(like("'ΣΟΦΊΑ'"), (std::set<std::string>{"Σοφία", "σοφία"}));
    EXPECT_EQ(like("'м?СКВА'"), (std::set<std::string>{"Москва", "москва"}));
    EXPECT_EQ(like("'[Σ]*'"), (std::set<std::string>{"Σοφία", "σοφία"}));
}

}  // namespace
}  // namespace qrv::dao::testing
