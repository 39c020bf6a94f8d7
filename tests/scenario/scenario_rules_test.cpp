// The scenario tables keep their rules for rows written by any SQLite client:
// keys are never Null, every column holds values of its type and size, and
// the options stay in the ranges the analyses need. The other client is a
// plain SQLite connection on the same file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "dataaccess/dataaccess.h"
#include "scenario/options_catalogue.h"
#include "scenario/scenario_tables.h"
#include "support/temp_dir.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class ScenarioRulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("rules.db");
        auto r = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        ASSERT_TRUE(r.ok());
        db = *r;
        scenario::StoreContext ctx{db, nullptr, nullptr};
        ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
        ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    }
    void TearDown() override {
        sqlite3_close(raw);
        db.Close();
    }

    // Runs one statement as another client; "" when it succeeded, else SQLite's message.
    std::string other(const std::string& sql) {
        char* msg = nullptr;
        const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &msg);
        std::string out = rc == SQLITE_OK ? "" : (msg ? msg : "failed");
        sqlite3_free(msg);
        return out;
    }
    // Sets one options column of the row of scenario 1 as another client.
    std::string setOption(const std::string& column, const std::string& literal) {
        return other("UPDATE usysQuorvaneOptions SET \"" + column + "\" = " + literal +
                     " WHERE Scenario_ID = 1");
    }
    std::string otherText(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        std::string out = "?";
        if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? "NULL"
                      : reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        return out;
    }
    bool refused(const std::string& error) { return !error.empty(); }

    TempDir dir;
    std::string path;
    Database db;
    sqlite3* raw = nullptr;
};

TEST_F(ScenarioRulesTest, KeysAreNeverNull) {
    EXPECT_NE(other("INSERT INTO usysQuorvaneOptions (\"Range\") VALUES (1)").find("Scenario_ID"),
              std::string::npos)
        << "a row without its key is refused, not numbered";
    EXPECT_TRUE(refused(other("INSERT INTO usysQuorvaneOptions (Scenario_ID) VALUES (NULL)")));
    EXPECT_EQ(other("INSERT INTO usysQuorvaneOptions (Scenario_ID) VALUES (5)"), "");
    EXPECT_TRUE(refused(other("INSERT INTO usysQuorvaneOptions (\"Range\") VALUES (0)")))
        << "not even once a key exists to count on from";
    EXPECT_EQ(otherText("SELECT group_concat(Scenario_ID) FROM usysQuorvaneOptions"), "5");

    EXPECT_TRUE(
        refused(other("INSERT INTO usysQuorvaneFields (FieldDef_Name, FieldDef_Choice) "
                      "VALUES ('Yield', 'X')")));
    EXPECT_TRUE(refused(
        other("INSERT INTO usysQuorvaneFields (Scenario_ID, FieldDef_Choice) VALUES (5, 'X')")));
    EXPECT_TRUE(refused(
        other("INSERT INTO usysQuorvaneFields (Scenario_ID, FieldDef_Name) VALUES (5, 'Yield')")));
    EXPECT_EQ(other("INSERT INTO usysQuorvaneFields (Scenario_ID, FieldDef_Name, FieldDef_Choice) "
                    "VALUES (5, 'Yield', 'X')"),
              "");
    EXPECT_EQ(otherText("SELECT count(*) FROM usysQuorvaneFields"), "1");

    // The scenario number is a counter: a row without one gets the next.
    EXPECT_EQ(other("INSERT INTO usysQuorvaneScenarios (MissingType) VALUES ('0')"), "");
    EXPECT_EQ(otherText("SELECT Scenario_ID FROM usysQuorvaneScenarios"), "1");

    // Through the layer a key left out says what is missing.
    auto rs = db.OpenRecordset("usysQuorvaneOptions");
    ASSERT_TRUE(rs.ok());
    ASSERT_FALSE(rs->AddNew());
    Error e = rs->Update();
    EXPECT_EQ(e.number, err::kNullInKey);
    EXPECT_NE(e.description.find("Scenario_ID"), std::string::npos);
}

TEST_F(ScenarioRulesTest, EveryColumnHoldsItsType) {
    ASSERT_EQ(other("INSERT INTO usysQuorvaneOptions (Scenario_ID) VALUES (1)"), "");
    struct Case {
        const char* column;
        const char* literal;
        bool accepted;
    } cases[] = {
        {"FreqWidth", "'wide'", false},   // Double
        {"FreqWidth", "x'3135'", false},  // a blob
        {"FreqWidth", "'2.5'", true},     // reads as a number, stored as one
        {"FreqWidth", "3", true},        {"Range", "'yes'", false},  // Yes/No
        {"Range", "2", false},           {"Range", "0.5", false},
        {"Range", "TRUE", true},         {"Range", "0", true},
        {"CIUser", "2.5", false},  // Integer
        {"CIUser", "'fifty'", false},    {"CIUser", "'50'", true},
        {"CIUser", "50.0", true},        {"InterV", "x'01'", false},
        {"SignValue", "40000", false},                                       // beyond an Integer
        {"SignValue", "-32768", true},   {"VarNRadio", "x'4e2d31'", false},  // Text (3)
        {"VarNRadio", "123", true},  // becomes the text "123"
        {"CIStdDev", "NULL", true},      {"Mean", "NULL", true},
        {"VarNRadio", "NULL", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(setOption(c.column, c.literal).empty(), c.accepted)
            << c.column << " = " << c.literal;
    EXPECT_EQ(otherText("SELECT typeof(FreqWidth) || typeof(CIUser) || typeof(VarNRadio) FROM "
                        "usysQuorvaneOptions"),
              "realintegernull");
    EXPECT_TRUE(refused(other("UPDATE usysQuorvaneOptions SET Scenario_ID = 'one'")));
    EXPECT_TRUE(refused(other("UPDATE usysQuorvaneOptions SET Scenario_ID = 3000000000")));
    EXPECT_TRUE(
        refused(other("INSERT INTO usysQuorvaneScenarios (Scenario_DateCreated) VALUES "
                      "(45351)")));
    EXPECT_TRUE(refused(other("INSERT INTO usysQuorvaneScenarios (SortOrder) VALUES (40000)")));
    EXPECT_EQ(other("INSERT INTO usysQuorvaneScenarios (Scenario_DateCreated) VALUES "
                    "('2024-02-29 13:45:00')"),
              "");

    // The layer reports a type refused by the table with the field and its type.
    auto ex = db.Execute("UPDATE [usysQuorvaneOptions] SET [InterV] = 'ten'");
    ASSERT_FALSE(ex.ok());
    EXPECT_EQ(ex.error().number, err::kTypeConversion);
    EXPECT_NE(ex.error().description.find("'InterV' holds Integer values"), std::string::npos);
    auto big = db.Execute("UPDATE [usysQuorvaneScenarios] SET [SortOrder] = 70000");
    ASSERT_FALSE(big.ok());
    EXPECT_EQ(big.error().number, err::kOverflow);
}

// Everything the layer writes for each type passes the table's own checks,
// and so does Null in every column that is not a key.
TEST_F(ScenarioRulesTest, WhatTheLayerWritesIsAccepted) {
    auto rs = db.OpenRecordset("usysQuorvaneOptions");
    ASSERT_TRUE(rs.ok());
    for (int id : {1, 2}) {
        ASSERT_FALSE(rs->AddNew());
        ASSERT_FALSE(rs->Collect("Scenario_ID", id));
        for (const scenario::OptionColumn& c : scenario::OptionColumns()) {
            Value v;  // row 2: every option Null
            if (id == 1) {
                switch (c.type) {
                    case dbBoolean:
                        v = Value(true);
                        break;
                    case dbInteger:
                        v = Value::int16(7);
                        break;
                    case dbDouble:
                        v = Value(1.25);
                        break;
                    default:
                        v = Value(std::string(static_cast<size_t>(c.size), 'x'));
                }
            }
            ASSERT_FALSE(rs->Collect(c.name, v));
        }
        Error e = rs->Update();
        EXPECT_FALSE(e) << "row " << id << ": " << e.description;
    }
    auto s = db.OpenRecordset("usysQuorvaneScenarios");
    ASSERT_FALSE(s->AddNew());
    ASSERT_FALSE(s->Collect("Scenario_DateCreated", Value::date(45351.5)));
    ASSERT_FALSE(s->Collect("SortOrder", Value::int16(-3)));
    ASSERT_FALSE(s->Collect("MissingLow", -1e300));
    ASSERT_FALSE(s->Collect("Scenario_Description", std::string(255, 'd')));
    Error e = s->Update();
    EXPECT_FALSE(e) << e.description;
    EXPECT_EQ(otherText("SELECT Scenario_DateCreated FROM usysQuorvaneScenarios"),
              "2024-02-29 12:00:00");
}

TEST_F(ScenarioRulesTest, TextSizesCountCharacters) {
    ASSERT_EQ(other("INSERT INTO usysQuorvaneOptions (Scenario_ID) VALUES (1)"), "");
    EXPECT_EQ(setOption("VarNRadio", "'äöü'"), "") << "three characters in six bytes";
    EXPECT_TRUE(refused(setOption("VarNRadio", "'äöüß'")));
    EXPECT_EQ(setOption("NPTwoType", "'Wäld'"), "");
    EXPECT_TRUE(refused(setOption("XType", "''"))) << "no zero-length text";
    // A NUL inside would hide the rest of the text from length().
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw,
                                 "UPDATE usysQuorvaneOptions SET VarNRadio = ?1 WHERE "
                                 "Scenario_ID = 1",
                                 -1, &st, nullptr),
              SQLITE_OK);
    const char withNul[] = {'N', '\0', 'o', 'v', 'e', 'r', 's', 'i', 'z', 'e', 'd'};
    sqlite3_bind_text(st, 1, withNul, sizeof withNul, SQLITE_STATIC);
    EXPECT_EQ(sqlite3_step(st), SQLITE_CONSTRAINT);
    sqlite3_finalize(st);
    EXPECT_EQ(otherText("SELECT VarNRadio FROM usysQuorvaneOptions"), "äöü");

    // Through the layer: a field name of 64 characters fits, in 128 bytes.
    auto rs = db.OpenRecordset("usysQuorvaneFields");
    std::string name;
    for (int i = 0; i < 64; ++i) name += "é";
    for (const std::string& n : {name, name + "é"}) {
        ASSERT_FALSE(rs->AddNew());
        rs->Collect("Scenario_ID", 1);
        rs->Collect("FieldDef_Name", n);
        rs->Collect("FieldDef_Choice", "X");
        Error e = rs->Update();
        EXPECT_EQ(e.number, n == name ? 0 : err::kFieldTooSmall);
        if (e) rs->CancelUpdate();
    }
}

// The ranges a user may type hold for every client; Null is allowed, and
// CIUser 0 (no level of the user's).
TEST_F(ScenarioRulesTest, OptionRangesHoldForEveryClient) {
    ASSERT_EQ(other("INSERT INTO usysQuorvaneOptions (Scenario_ID) VALUES (1)"), "");
    struct Case {
        const char* column;
        const char* literal;
        const char* refusal;  // nullptr: accepted
    } cases[] = {
        {"CIUser", "-1", "Please enter a value between 1 and 99.999"},
        {"CIUser", "0", nullptr},
        {"CIUser", "1", nullptr},
        {"CIUser", "99", nullptr},
        {"CIUser", "100", "Please enter a value between 1 and 99.999"},
        {"CIUser", "150", "Please enter a value between 1 and 99.999"},
        {"InterV", "0", "Please enter a number between 2 and 50."},
        {"InterV", "1", "Please enter a number between 2 and 50."},
        {"InterV", "2", nullptr},
        {"InterV", "50", nullptr},
        {"InterV", "51", "Please enter a number between 2 and 50."},
        {"RPoly", "1", "Please enter a number between 2 and 9."},
        {"RPoly", "2", nullptr},
        {"RPoly", "9", nullptr},
        {"RPoly", "25", "Please enter a number between 2 and 9."},
        {"RPoly", "30", "Please enter a number between 2 and 9."},
        {"CIStdDev", "0", "Please enter a number greater than zero."},
        {"CIStdDev", "-2.5", "Please enter a number greater than zero."},
        {"CIStdDev", "0.001", nullptr},
        {"FreqWidth", "0", "Interval Width must be greater than zero"},
        {"FreqWidth", "-1.5", "Interval Width must be greater than zero"},
        {"FreqWidth", "0.5", nullptr},
        {"CIUser", "NULL", nullptr},
        {"InterV", "NULL", nullptr},
        {"RPoly", "NULL", nullptr},
        {"CIStdDev", "NULL", nullptr},
        {"FreqWidth", "NULL", nullptr},
        {"SignValue", "500", nullptr},  // no range of its own
    };
    for (const Case& c : cases) {
        const std::string error = setOption(c.column, c.literal);
        if (!c.refusal) {
            EXPECT_EQ(error, "") << c.column << " = " << c.literal;
        } else {
            EXPECT_EQ(error, std::string("CHECK constraint failed: ") + c.refusal)
                << c.column << " = " << c.literal;
        }
    }

    // Through the layer the wizard's message comes back as the rule's error.
    auto ex = db.Execute("UPDATE [usysQuorvaneOptions] SET [CIUser] = 100");
    ASSERT_FALSE(ex.ok());
    EXPECT_EQ(ex.error().number, err::kValidationRule);
    EXPECT_EQ(ex.error().description, "Please enter a value between 1 and 99.999");
    auto def = db.GetTableDef("usysQuorvaneOptions");
    EXPECT_EQ(def->FindField("RPoly")->ValidationText, "Please enter a number between 2 and 9.");
    EXPECT_TRUE(def->EnforceTypes);
}

// Codes the engine reads hold for every client: the ignore rule's code, the
// field's role in either letter case, and scenario numbers within the Long
// range (the largest number of the counter included).
TEST_F(ScenarioRulesTest, CodesAndNumbersHoldForEveryClient) {
    struct Case {
        const char* sql;
        bool accepted;
    } cases[] = {
        {"INSERT INTO usysQuorvaneScenarios (Scenario_ID, MissingType) VALUES (1, '0')", true},
        {"UPDATE usysQuorvaneScenarios SET MissingType = '2'", true},
        {"UPDATE usysQuorvaneScenarios SET MissingType = NULL", true},
        {"UPDATE usysQuorvaneScenarios SET MissingType = '3'", false},
        {"UPDATE usysQuorvaneScenarios SET MissingType = 'x'", false},
        {"INSERT INTO usysQuorvaneScenarios (Scenario_ID) VALUES (2147483647)", true},
        {"INSERT INTO usysQuorvaneScenarios (Scenario_ID) VALUES (2147483648)", false},
        {"INSERT INTO usysQuorvaneScenarios (Scenario_ID) VALUES (-2147483649)", false},
        {"INSERT INTO usysQuorvaneScenarios (MissingType) VALUES ('1')",
         false},  // the counter's next
        {"INSERT INTO usysQuorvaneFields VALUES (1, 'A', 1, 'G')", true},
        {"INSERT INTO usysQuorvaneFields VALUES (1, 'B', 1, 'c')", true},
        {"INSERT INTO usysQuorvaneFields VALUES (1, 'C', 1, 'W')", true},
        {"INSERT INTO usysQuorvaneFields VALUES (1, 'D', 1, 'Q')", false},
        {"UPDATE usysQuorvaneFields SET FieldDef_Choice = 'Z' WHERE FieldDef_Name = 'A'", false},
    };
    for (const Case& c : cases) EXPECT_EQ(other(c.sql).empty(), c.accepted) << c.sql;
    EXPECT_EQ(otherText("SELECT group_concat(FieldDef_Choice, '') FROM usysQuorvaneFields"), "GcW");
    EXPECT_EQ(otherText("SELECT max(Scenario_ID) FROM usysQuorvaneScenarios"), "2147483647");
    EXPECT_NE(other("INSERT INTO usysQuorvaneScenarios (Scenario_ID) VALUES (2147483648)")
                  .find("Scenario numbers run from -2147483648 to 2147483647."),
              std::string::npos);
}

}  // namespace
}  // namespace qrv::test
