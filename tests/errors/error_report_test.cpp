// The error message and error report texts, checked character for character
// against hand-written expectations, since support staff and tools read them.
#include "errors/error_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace qrv::errors {
namespace {

TEST(NumberFormat, GroupsDigitsByThousands) {
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(7), "7");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(65536), "65,536");
    EXPECT_EQ(FormatThousands(100000), "100,000");
    EXPECT_EQ(FormatThousands(1234567), "1,234,567");
    EXPECT_EQ(FormatThousands(16777216), "16,777,216");
    EXPECT_EQ(FormatThousands(std::numeric_limits<std::uint64_t>::max()),
              "18,446,744,073,709,551,615");
}

TEST(NumberFormat, LabelsArePaddedToEighteen) {
    EXPECT_EQ(Label("Date"), "Date              : ");
    EXPECT_EQ(Label("Free Physical Mem"), "Free Physical Mem : ");
    EXPECT_EQ(Label("Total Physical Mem"), "Total Physical Mem: ");
    // A longer name is kept whole rather than cut.
    EXPECT_EQ(Label("A Very Long Library Ver"), "A Very Long Library Ver: ");
}

TEST(MessageText, NamesProcedureLineNumberAndDescription) {
    EXPECT_EQ(ErrorMessageText("frmStatMain:LoadScenarios", 120, 3265,
                               "Item not found in this collection.", ""),
              "The following error has occurred in procedure: frmStatMain:LoadScenarios\r\n"
              " on line 120\r\n"
              "Error (3265) Item not found in this collection.");
}

TEST(MessageText, UnknownLineAndCurrentOperation) {
    EXPECT_EQ(ErrorMessageText("Sub Main", 0, -2147219504, "Action Cancelled by User",
                               "Running scenario"),
              "The following error has occurred in procedure: Sub Main\r\n"
              " on line <unknown>\r\n"
              "Error (-2147219504) Action Cancelled by User\r\n"
              "Current Operation: Running scenario");
}

ReportData SampleReport() {
    ReportData d;
    d.productName = "Quorvane";
    d.productVersion = "5.0.0";
    d.date = "2024-03-05 14:07:09";
    d.appExe = "quorvane";
    d.appPath = "/opt/quorvane/bin";
    d.workgroupPath = "";
    d.description = "Division by zero";
    d.number = 11;
    d.procedure = "CDescribe:CalcData";
    d.stack = {"Sub Main", "frmStatMain:RunScenarioTest", "CDescribe:CalcData"};
    d.scenarioNumber = 42;
    d.system.kernelName = "Linux";
    d.system.kernelRelease = "6.1.0-18-amd64";
    d.system.kernelVersion = "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)";
    d.system.tempDirectory = "/tmp";
    d.system.tempFreeBytes = 52613349376;
    d.system.appFreeBytes = 1048576;
    d.system.freeSwapBytes = 0;
    d.system.totalMemoryBytes = 16709894144;
    d.system.availableMemoryBytes = 9234567168;
    d.displayColors = 16777216;
    d.dbEngineVersion = "3.40.1";
    d.fileVersions = {{"libc", "2.36"}, {"Qt", "6.4.2"}};
    d.operation = "Analyzing records";
    return d;
}

TEST(ReportText, FullReportLayout) {
    const std::string expected =
        "Quorvane ERROR INFORMATION\n"
        "================================================================\n"
        "Please provide a description of what you were doing\n"
        "when the error occurred: \n"
        "\n"
        "\n"
        "\n"
        "================================================================\n"
        "To get help, send this file with your description to Quorvane support:\n"
        "  E-mail: support@quorvane.example\n"
        "  Web:    https://www.quorvane.example/support\n"
        "================================================================\n"
        "Product Name      : Quorvane\n"
        "Product Version   : 5.0.0\n"
        "Date              : 2024-03-05 14:07:09\n"
        "App EXE           : quorvane\n"
        "App Path          : /opt/quorvane/bin\n"
        "Workgroup Path    : \n"
        "Error String      : Division by zero\n"
        "Error Number      : 11\n"
        "Error Procedure   : CDescribe:CalcData\n"
        "\n"
        "Procedure Stack\n"
        "---------------\n"
        "01 Sub Main\n"
        "02 frmStatMain:RunScenarioTest\n"
        "03 CDescribe:CalcData\n"
        "\n"
        "Scenario Number: 42\n"
        "\n"
        "[System Information]\n"
        "Kernel Name       : Linux\n"
        "Kernel Release    : 6.1.0-18-amd64\n"
        "Kernel Version    : #1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\n"
        "Temp Directory    : /tmp\n"
        "Temp Disk Space   : 52,613,349,376\n"
        "App Disk Space    : 1,048,576\n"
        "Free Page File    : 0\n"
        "Total Physical Mem: 16,709,894,144\n"
        "Free Physical Mem : 9,234,567,168\n"
        "Display Colors    : 16,777,216\n"
        "DAO Version       : 3.40.1\n"
        "\n"
        "[File Versions]\n"
        "libc Ver          : 2.36\n"
        "Qt Ver            : 6.4.2\n"
        "\n"
        "Current Operation: Analyzing records\n"
        "\n";
    EXPECT_EQ(FormatErrorReport(SampleReport()), expected);
}

TEST(ReportText, OptionalPartsAreLeftOut) {
    ReportData d = SampleReport();
    d.scenarioNumber.reset();
    d.displayColors.reset();
    d.system.freeSwapBytes.reset();  // unreadable fact: label stays, value empty
    std::string text = FormatErrorReport(d);
    EXPECT_EQ(text.find("Scenario Number"), std::string::npos);
    EXPECT_EQ(text.find("Display Colors"), std::string::npos);
    EXPECT_NE(text.find("\nFree Page File    : \nTotal Physical Mem: 16,709,894,144\n"),
              std::string::npos);
}

TEST(ReportText, WithoutExpandedInfoOnlyTheErrorIsWritten) {
    ReportData d = SampleReport();
    d.expandedInfo = false;
    std::string text = FormatErrorReport(d);
    EXPECT_EQ(text.find("[System Information]"), std::string::npos);
    EXPECT_EQ(text.find("[File Versions]"), std::string::npos);
    EXPECT_EQ(text.find("Kernel Name"), std::string::npos);
    // What identifies the error stays.
    EXPECT_NE(text.find("03 CDescribe:CalcData\n\nScenario Number: 42\n\n"
                        "Current Operation: Analyzing records\n"),
              std::string::npos);
}

TEST(ReportText, StackPositionsContinuePastForgottenEntries) {
    ReportData d = SampleReport();
    d.stack = {"frmA:Deep", "frmA:Deeper"};
    d.firstStackPosition = 99;
    std::string text = FormatErrorReport(d);
    EXPECT_NE(text.find("---------------\n99 frmA:Deep\n100 frmA:Deeper\n\n"), std::string::npos);
}

TEST(ReportText, EmptyStackKeepsItsHeading) {
    ReportData d = SampleReport();
    d.stack.clear();
    d.scenarioNumber.reset();
    std::string text = FormatErrorReport(d);
    EXPECT_NE(text.find("Procedure Stack\n---------------\n\n[System Information]\n"),
              std::string::npos);
}

// --- What ran -------------------------------------------------------------------

TEST(ReportText, RunSectionFollowsTheScenarioNumber) {
    ReportData d = SampleReport();
    RunFacts run;
    run.scenarioDatabase = "/data/sales.db";
    run.sourceDatabase = "/data/in.db;pwd=tulip 42";
    run.outputDatabase = "/data/out.db";
    run.category = "P";
    run.type = "Describe";
    run.input = "Sales";
    run.outputTable1 = "SalesStats";
    d.run = run;
    d.failing = FailingObject::OnStatement("SELECT [X]\r\nFROM [Sales]\nORDER BY [X]", "Sales");
    const std::string text = FormatErrorReport(d);
    EXPECT_NE(text.find("03 CDescribe:CalcData\n"
                        "\n"
                        "Scenario Number: 42\n"
                        "\n"
                        "[Run]\n"
                        "Scenario Database : /data/sales.db\n"
                        "Source Database   : /data/in.db\n"
                        "Output Database   : /data/out.db\n"
                        "Analysis Category : P\n"
                        "Analysis Type     : Describe\n"
                        "Input Table/Query : Sales\n"
                        "Output Table 1    : SalesStats\n"
                        "Output Table 2    : \n"
                        "Failing Statement : SELECT [X]  FROM [Sales] ORDER BY [X]\n"
                        "Failing Table     : Sales\n"
                        "Failing Field     : \n"
                        "\n"
                        "[System Information]\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("tulip"), std::string::npos);
}

TEST(ReportText, FailingObjectWithoutARunAndWithoutExpandedInfo) {
    ReportData d = SampleReport();
    d.expandedInfo = false;
    d.failing = FailingObject::OnTable("Data", "W");
    EXPECT_NE(FormatErrorReport(d).find("Scenario Number: 42\n"
                                        "\n"
                                        "[Run]\n"
                                        "Failing Statement : \n"
                                        "Failing Table     : Data\n"
                                        "Failing Field     : W\n"
                                        "\n"
                                        "Current Operation: Analyzing records\n"),
              std::string::npos);
}

TEST(ReportText, SecretsAreHiddenEverywhere) {
    ReportData d = SampleReport();
    d.description = "Cannot open /data/f.db;pwd=tulip 42";
    d.operation = "Opening with tulip 42";
    d.stack.push_back("frm:tulip 42");
    d.secrets = {"tulip 42"};
    const std::string text = FormatErrorReport(d);
    EXPECT_EQ(text.find("tulip"), std::string::npos) << text;
    EXPECT_NE(text.find("\nError String      : Cannot open /data/f.db;pwd=***\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nCurrent Operation: Opening with ***\n"), std::string::npos);
}

struct PathCase {
    const char* given;
    const char* path;
};

class PathWithoutConnectTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathWithoutConnectTest, CutsConnectTextOnly) {
    EXPECT_EQ(PathWithoutConnect(GetParam().given), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathWithoutConnectTest,
                         ::testing::Values(PathCase{"/d/f.db", "/d/f.db"},
                                           PathCase{"/d/f.db;pwd=x", "/d/f.db"},
                                           PathCase{"/d/f.db;PWD = x y;", "/d/f.db"},
                                           PathCase{"/d/f.db;database=/x.db", "/d/f.db"},
                                           PathCase{"/d/a;b.db", "/d/a;b.db"},
                                           PathCase{"/d/a;b/c=d.db", "/d/a;b/c=d.db"},
                                           PathCase{"/d/a;b;pwd=x", "/d/a;b"},
                                           PathCase{"/d/f.db;=x", "/d/f.db;=x"}, PathCase{"", ""}));

struct MaskCase {
    const char* text;
    std::vector<std::string> secrets;
    const char* masked;
};

class MaskSecretsTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskSecretsTest, HidesPasswords) {
    EXPECT_EQ(MaskSecrets(GetParam().text, GetParam().secrets), GetParam().masked);
}

INSTANTIATE_TEST_SUITE_P(Texts, MaskSecretsTest,
                         ::testing::Values(
                             // Connect text: the value up to the next part or the end of the line.
                             MaskCase{"f.db;pwd=tulip 42;x=1", {}, "f.db;pwd=***;x=1"},
                             MaskCase{"PWD=abc", {}, "PWD=***"},
                             MaskCase{"Password = s3cret\nnext", {}, "Password = ***\nnext"},
                             MaskCase{"a;pwd=x;pwd=y", {}, "a;pwd=***;pwd=***"},
                             MaskCase{"pwd=", {}, "pwd="},
                             MaskCase{"newpwd=abc", {}, "newpwd=abc"},  // not a key of its own
                             // Known secrets: anywhere from four characters, shorter ones as words.
                             MaskCase{"user s3cret-pw here", {"s3cret-pw"}, "user *** here"},
                             MaskCase{"xs3cret-pwx", {"s3cret-pw"}, "x***x"},
                             MaskCase{"pw in pwned /tmp/pw", {"pw"}, "*** in pwned /tmp/***"},
                             MaskCase{"no secrets", {""}, "no secrets"}));

struct ConnectCase {
    const char* connect;
    std::vector<std::string> passwords;
};

class ConnectPasswordsTest : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectPasswordsTest, FindsEveryPasswordValue) {
    EXPECT_EQ(ConnectPasswords(GetParam().connect), GetParam().passwords);
}

INSTANTIATE_TEST_SUITE_P(Connects, ConnectPasswordsTest,
                         ::testing::Values(ConnectCase{";pwd=tulip 42", {"tulip 42"}},
                                           ConnectCase{";LANGID=0x0409;CP=1252;COUNTRY=0", {}},
                                           ConnectCase{"pwd=a;PWD=b", {"a", "b"}},
                                           ConnectCase{";pwd=", {}}, ConnectCase{"", {}}));

}  // namespace
}  // namespace qrv::errors
