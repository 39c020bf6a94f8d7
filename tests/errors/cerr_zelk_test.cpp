// The error handler as its owners use it: procedures push and pop, failures are
// handed over, a scripted prompter records what the user would have seen and the
// error file is read back.
#include "errors/cerr_zelk.h"

#include <errno.h>  // program_invocation_short_name
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qrv {
namespace {

namespace fs = std::filesystem;

// Records every call in order; what a user would have seen, nothing shown.
class RecordingPrompter final : public Prompter {
  public:
    bool askYesNo(const std::string&, const std::string&) override {
        calls.push_back("ask");
        return false;
    }
    void inform(const std::string&, const std::string&) override { calls.push_back("inform"); }
    void critical(const std::string& caption, const std::string& text) override {
        calls.push_back("critical");
        lastCaption = caption;
        lastText = text;
    }
    void beep() override { calls.push_back("beep"); }

    std::vector<std::string> calls;
    std::string lastCaption;
    std::string lastText;
};

class ErrorHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qrv-errors-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        log_ = dir_ / "error.log";
        handler_.SetDestination(log_.string());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string ReadLog() const {
        std::ifstream in(log_);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    fs::path dir_;
    fs::path log_;
    RecordingPrompter prompter_;
    CErr_Zelk handler_{&prompter_, true};
};

// --- What the user is shown ---------------------------------------------------

TEST_F(ErrorHandlerTest, MessageNamesProcedureLineAndError) {
    handler_.Push("Sub Main");
    handler_.Push("frmStatMain:LoadScenarios");
    handler_.HandleError(3265, "Item not found in this collection.", 120);
    EXPECT_EQ(prompter_.calls, (std::vector<std::string>{"beep", "critical"}));
    EXPECT_EQ(prompter_.lastCaption, "Quorvane");
    EXPECT_EQ(prompter_.lastText,
              "The following error has occurred in procedure: frmStatMain:LoadScenarios\r\n"
              " on line 120\r\n"
              "Error (3265) Item not found in this collection.");
}

TEST_F(ErrorHandlerTest, MessageWithoutLineShowsUnknownAndAddsOperation) {
    handler_.Push("CDescribe:ReadRecords");
    handler_.SetCurrentOperation("Open Recordset ");
    handler_.HandleError(3078, "The input table or query 'x' was not found.");
    EXPECT_EQ(prompter_.lastText,
              "The following error has occurred in procedure: CDescribe:ReadRecords\r\n"
              " on line <unknown>\r\n"
              "Error (3078) The input table or query 'x' was not found.\r\n"
              "Current Operation: Open Recordset ");
    EXPECT_EQ(handler_.ErrorMessage(), prompter_.lastText);
}

TEST_F(ErrorHandlerTest, TitleFallsBackToApplicationTitle) {
    handler_.SetApplicationTitle("Quorvane Scenario Designer");
    handler_.HandleError(5, "Invalid procedure call");
    EXPECT_EQ(prompter_.lastCaption, "Quorvane Scenario Designer");
    handler_.SetTitle("Statistics");
    handler_.HandleError(5, "Invalid procedure call");
    EXPECT_EQ(prompter_.lastCaption, "Statistics");
}

TEST_F(ErrorHandlerTest, DisplayOffShowsNothingButWritesTheReport) {
    handler_.SetDisplayError(false);
    handler_.Push("Lumvar_RunScenario");
    handler_.HandleError(3021, "No current record.");
    EXPECT_TRUE(prompter_.calls.empty());
    EXPECT_NE(ReadLog().find("Error String      : No current record.\n"), std::string::npos);
}

TEST_F(ErrorHandlerTest, BeforeHandlerCanCancelTheDisplayOnly) {
    int raised = 0;
    handler_.OnBeforeHandlerCalled([&](bool& cancelDisplay) {
        ++raised;
        cancelDisplay = true;
    });
    handler_.Push("frmStatMain:RunScenarioTest");
    handler_.HandleError(94, "Invalid use of Null");
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(prompter_.calls.empty());
    EXPECT_NE(ReadLog().find("Error Number      : 94\n"), std::string::npos);
    EXPECT_EQ(handler_.Depth(), 0u);
}

TEST_F(ErrorHandlerTest, NoPrompterMeansNothingShown) {
    CErr_Zelk silent(nullptr, true);
    silent.SetDestination(log_.string());
    silent.Push("Sub Main");
    silent.HandleError(7, "Out of memory");
    EXPECT_EQ(silent.Depth(), 0u);
    EXPECT_NE(ReadLog().find("Error String      : Out of memory\n"), std::string::npos);
}

// --- The error file -------------------------------------------------------------

TEST_F(ErrorHandlerTest, ReportHasItsLabelsInOrder) {
    handler_.SetScenarioNumber(17);
    handler_.SetDbEngineVersion("3.40.1");
    handler_.SetFileVersion("Qt", "6.4.2");
    handler_.Push("Sub Main");
    handler_.Push("frmStatMain:RunScenarioTest");
    handler_.SetCurrentOperation("Running scenario");
    handler_.HandleError(3061, "Too few parameters. Expected 1.", 40);
    std::string log = ReadLog();

    const std::vector<std::string> inOrder = {
        "Quorvane ERROR INFORMATION\n"
        "================================================================\n"
        "Please provide a description of what you were doing\n"
        "when the error occurred: \n",
        "\nProduct Name      : Quorvane\n",
        "\nProduct Version   : 5.0.0\n",
        "\nDate              : ",
        "\nApp EXE           : " + std::string(program_invocation_short_name) + "\n",
        "\nApp Path          : /",
        "\nWorkgroup Path    : \n",
        "\nError String      : Too few parameters. Expected 1.\n",
        "\nError Number      : 3061\n",
        "\nError Procedure   : frmStatMain:RunScenarioTest\n",
        "\nProcedure Stack\n---------------\n01 Sub Main\n02 frmStatMain:RunScenarioTest\n",
        "\nScenario Number: 17\n",
        "\n[System Information]\n",
        "\nKernel Name       : ",
        "\nTemp Disk Space   : ",
        "\nApp Disk Space    : ",
        "\nFree Page File    : ",
        "\nTotal Physical Mem: ",
        "\nFree Physical Mem : ",
        "\nDAO Version       : 3.40.1\n",
        "\n[File Versions]\n",
        "\nQt Ver            : 6.4.2\n",
        "\nCurrent Operation: Running scenario\n",
    };
    std::size_t at = 0;
    for (const auto& piece : inOrder) {
        std::size_t found = log.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece;
        at = found + piece.size() - 1;
    }
    // Without an owner that knows the screen, there is no colour count to report.
    EXPECT_EQ(log.find("Display Colors"), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        log, std::regex("\nDate              : \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\n")));
    EXPECT_TRUE(std::regex_search(log, std::regex("\nTotal Physical Mem: \\d{1,3}(,\\d{3})+\n")));
}

TEST_F(ErrorHandlerTest, TwoErrorsAppendTwoReports) {
    handler_.Push("frmA:First");
    handler_.HandleError(1, "first failure");
    handler_.Push("frmB:Second");
    handler_.HandleError(2, "second failure");
    std::string log = ReadLog();
    EXPECT_EQ(Count(log, "Quorvane ERROR INFORMATION\n"), 2u);
    std::size_t first = log.find("Error String      : first failure\n");
    std::size_t second = log.find("Error String      : second failure\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    // The second report's stack no longer holds the first, popped procedure.
    EXPECT_EQ(Count(log, "\n01 frmA:First\n"), 1u);
    EXPECT_NE(log.find("\n01 frmB:Second\n", second), std::string::npos);
}

TEST_F(ErrorHandlerTest, ScenarioNumberOnlyWhenSet) {
    handler_.HandleError(1, "before");
    handler_.SetScenarioNumber(0);
    handler_.HandleError(1, "during");
    handler_.ClearScenarioNumber();
    handler_.HandleError(1, "after");
    EXPECT_EQ(Count(ReadLog(), "Scenario Number: "), 1u);
    EXPECT_NE(ReadLog().find("\nScenario Number: 0\n"), std::string::npos);
}

TEST_F(ErrorHandlerTest, ExpandedInfoOffLeavesOutTheMachine) {
    handler_.SetExpandedInfo(false);
    handler_.HandleError(1, "short report");
    std::string log = ReadLog();
    EXPECT_EQ(log.find("[System Information]"), std::string::npos);
    EXPECT_NE(log.find("Error String      : short report\n"), std::string::npos);
    EXPECT_NE(log.find("\nCurrent Operation: \n"), std::string::npos);
}

TEST_F(ErrorHandlerTest, UnwritableDestinationIsIgnored) {
    // A folder where the file should be, and a path through a plain file: neither
    // can be opened for append, not even by root.
    fs::create_directory(dir_ / "folder");
    std::ofstream(dir_ / "plain") << "x";
    for (fs::path bad : {dir_ / "folder", dir_ / "plain" / "sub" / "error.log"}) {
        prompter_.calls.clear();
        handler_.SetDestination(bad.string());
        handler_.Push("frmStatMain:Form_Load");
        handler_.HandleError(75, "Path/File access error");
        EXPECT_EQ(handler_.Depth(), 0u) << bad;
        EXPECT_EQ(prompter_.calls, (std::vector<std::string>{"beep", "critical"})) << bad;
        EXPECT_TRUE(handler_.HasError());
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
    EXPECT_TRUE(fs::is_regular_file(dir_ / "plain"));
}

TEST_F(ErrorHandlerTest, MissingFolderOfTheDestinationIsCreated) {
    fs::path nested = dir_ / "state" / "quorvane" / "error.log";
    handler_.SetDestination(nested.string());
    handler_.HandleError(1, "x");
    EXPECT_TRUE(fs::is_regular_file(nested));
}

TEST_F(ErrorHandlerTest, ClearLogDeletesTheFile) {
    handler_.HandleError(1, "x");
    ASSERT_TRUE(fs::exists(log_));
    handler_.ClearLog();
    EXPECT_FALSE(fs::exists(log_));
    handler_.ClearLog();  // nothing there: still quiet
    handler_.HandleError(2, "y");
    EXPECT_EQ(Count(ReadLog(), "ERROR INFORMATION"), 1u);
}

TEST(ErrorHandlerDefaults, StartsSilentWithAnAbsolutePerUserDestination) {
    RecordingPrompter prompter;
    CErr_Zelk handler(&prompter);
    EXPECT_FALSE(handler.DisplayError());
    EXPECT_TRUE(handler.ExpandedInfo());
    EXPECT_FALSE(handler.ScenarioNumber());
    EXPECT_FALSE(handler.HasError());
    EXPECT_EQ(handler.MaxItems(), CErr_Zelk::kDefaultMaxItems);
    fs::path dest = handler.Destination();
    EXPECT_TRUE(dest.is_absolute());
    EXPECT_EQ(dest.extension(), ".log");
}

// --- Procedure stack --------------------------------------------------------------

TEST_F(ErrorHandlerTest, HandleErrorPopsTheFailingProcedure) {
    handler_.Push("Sub Main");
    handler_.Push("frmStatMain:LoadScenarios");
    handler_.HandleError(1, "x");
    EXPECT_EQ(handler_.ErrorProcedure(), "frmStatMain:LoadScenarios");
    EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"Sub Main"}));
    handler_.ExitProcedure();
    handler_.ExitProcedure();  // one too many: stays empty
    EXPECT_EQ(handler_.Depth(), 0u);
    handler_.Push("frmAbout:Form_Load");
    EXPECT_EQ(handler_.TopProcedure(), "frmAbout:Form_Load");
}

TEST_F(ErrorHandlerTest, FullStackForgetsTheOldestAndStaysBalanced) {
    handler_.SetMaxItems(3);
    for (const char* name : {"A", "B", "C", "D", "E"}) handler_.Push(name);
    EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"C", "D", "E"}));
    EXPECT_EQ(handler_.Depth(), 5u);

    handler_.HandleError(1, "deep failure");
    EXPECT_EQ(handler_.ErrorProcedure(), "E");
    // Positions are true depths, so the gap at the bottom shows.
    EXPECT_NE(ReadLog().find("---------------\n03 C\n04 D\n05 E\n"), std::string::npos);

    // The four pops still owed (D, C and the forgotten B, A) empty the stack exactly.
    for (int i = 0; i < 4; ++i) handler_.ExitProcedure();
    EXPECT_EQ(handler_.Depth(), 0u);
    handler_.Push("F");
    EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"F"}));
}

TEST_F(ErrorHandlerTest, MaxItemsIsAtLeastOneAndShrinkingForgetsTheOldest) {
    handler_.SetMaxItems(0);
    EXPECT_EQ(handler_.MaxItems(), 1u);
    handler_.SetMaxItems(10);
    for (const char* name : {"A", "B", "C", "D"}) handler_.Push(name);
    handler_.SetMaxItems(2);
    EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"C", "D"}));
    EXPECT_EQ(handler_.Depth(), 4u);
}

TEST_F(ErrorHandlerTest, ScopePopsOnNormalExit) {
    handler_.Push("Sub Main");
    {
        ProcedureScope scope(handler_, "frmStatMain:Form_Load");
        EXPECT_EQ(handler_.TopProcedure(), "frmStatMain:Form_Load");
        {
            ProcedureScope inner(handler_, "frmStatMain:LoadScenarios");
            EXPECT_EQ(handler_.Depth(), 3u);
        }
        EXPECT_EQ(handler_.TopProcedure(), "frmStatMain:Form_Load");
    }
    EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"Sub Main"}));
}

TEST_F(ErrorHandlerTest, ScopeDoesNotPopTwiceAfterHandleError) {
    handler_.Push("Sub Main");
    {
        ProcedureScope scope(handler_, "frmStatMain:RunScenarioTest");
        handler_.HandleError(13, "Type mismatch", 210);
        // The error trap may still call other procedures before it ends.
        ProcedureScope cleanup(handler_, "frmStatus:Hide");
    }
    EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"Sub Main"}));
}

TEST_F(ErrorHandlerTest, ScopeKeepsBalanceBeyondMaxItems) {
    handler_.SetMaxItems(1);
    handler_.Push("Sub Main");
    {
        ProcedureScope a(handler_, "A");
        ProcedureScope b(handler_, "B");
        EXPECT_EQ(handler_.Stack(), (std::vector<std::string>{"B"}));
    }
    EXPECT_EQ(handler_.Depth(), 1u);
    handler_.ExitProcedure();
    EXPECT_EQ(handler_.Depth(), 0u);
}

// --- What ran --------------------------------------------------------------------

TEST_F(ErrorHandlerTest, RunFactsAndTheFailingObjectGoIntoTheReport) {
    errors::RunFacts run;
    run.scenarioDatabase = "/data/s.db;pwd=tulip 42";
    run.type = "Describe";
    run.input = "Sales";
    handler_.SetRunFacts(run);
    handler_.Push("Quorvane_OpenDataRecordset");
    {
        OperationScope op(handler_, "Opening the input [Sales]",
                          errors::FailingObject::OnStatement("SELECT [X] FROM [Sales]", "Sales"));
        handler_.HandleError(3260, "Could not update; currently locked.");
    }
    EXPECT_EQ(handler_.ErrorOperation(), "Opening the input [Sales]");
    EXPECT_EQ(handler_.ErrorObject().statement, "SELECT [X] FROM [Sales]");
    EXPECT_EQ(handler_.ErrorObject().table, "Sales");
    std::string log = ReadLog();
    for (const char* line :
         {"\n[Run]\nScenario Database : /data/s.db\n", "\nAnalysis Type     : Describe\n",
          "\nInput Table/Query : Sales\n", "\nFailing Statement : SELECT [X] FROM [Sales]\n",
          "\nFailing Table     : Sales\n", "\nCurrent Operation: Opening the input [Sales]\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(log.find("tulip"), std::string::npos);

    // Once the run is over its facts and object are gone from later reports.
    handler_.ClearRunFacts();
    fs::remove(log_);
    handler_.HandleError(1, "later");
    EXPECT_EQ(ReadLog().find("[Run]"), std::string::npos);
    EXPECT_NE(ReadLog().find("\nCurrent Operation: \n"), std::string::npos);
}

TEST_F(ErrorHandlerTest, OperationScopePutsThePreviousOperationBack) {
    handler_.SetCurrentOperation("Analyzing records");
    {
        OperationScope outer(handler_, "Writing rows to [Out1]",
                             errors::FailingObject::OnTable("Out1"));
        {
            OperationScope inner(handler_, "Adding field [W] to the output table [Out1]",
                                 errors::FailingObject::OnTable("Out1", "W"));
            EXPECT_EQ(handler_.CurrentObject().field, "W");
        }
        EXPECT_EQ(handler_.CurrentOperation(), "Writing rows to [Out1]");
        EXPECT_EQ(handler_.CurrentObject().field, "");
        EXPECT_EQ(handler_.CurrentObject().table, "Out1");
    }
    EXPECT_EQ(handler_.CurrentOperation(), "Analyzing records");
    EXPECT_TRUE(handler_.CurrentObject().empty());
}

TEST_F(ErrorHandlerTest, SecretsNeverReachTheReport) {
    handler_.AddSecret("tulip 42");
    handler_.AddSecret("tulip 42");  // once is enough
    handler_.AddSecret("");
    handler_.SetCurrentOperation("Opening /data/s.db with tulip 42");
    handler_.HandleError(3031, "Not a valid password: tulip 42");
    const std::string log = ReadLog();
    EXPECT_EQ(log.find("tulip"), std::string::npos) << log;
    EXPECT_NE(log.find("\nError String      : Not a valid password: ***\n"), std::string::npos);
}

// --- The held error and the owner's events ---------------------------------------

TEST_F(ErrorHandlerTest, HeldErrorKeepsNumberDescriptionOperationUntilCleared) {
    EXPECT_FALSE(handler_.HasError());
    handler_.Push("Lumvar_RunScenario");
    handler_.SetCurrentOperation("Running scenario");
    handler_.HandleError(3265, "Item not found in this collection.", 77);
    handler_.SetCurrentOperation("");  // later changes do not touch the held error
    ASSERT_TRUE(handler_.HasError());
    EXPECT_EQ(handler_.ErrorNumber(), 3265);
    EXPECT_EQ(handler_.ErrorDescription(), "Item not found in this collection.");
    EXPECT_EQ(handler_.ErrorOperation(), "Running scenario");
    EXPECT_EQ(handler_.ErrorLine(), 77);
    EXPECT_EQ(handler_.ErrorProcedure(), "Lumvar_RunScenario");
    handler_.ClearError();
    EXPECT_FALSE(handler_.HasError());
    EXPECT_EQ(handler_.ErrorNumber(), 0);
    EXPECT_EQ(handler_.ErrorDescription(), "");
    EXPECT_EQ(handler_.ErrorOperation(), "");
}

TEST_F(ErrorHandlerTest, AfterHandlerSeesTheHandledErrorAndMayCancel) {
    int raised = 0;
    handler_.OnAfterHandlerCalled([&](const CErr_Zelk& h) {
        ++raised;
        EXPECT_EQ(h.ErrorNumber(), 11);
        EXPECT_EQ(h.Depth(), 0u);  // handling is over: the procedure is popped
        EXPECT_TRUE(fs::exists(h.Destination()));
        EXPECT_NE(h.ErrorMessage().find("Error (11) Division by zero"), std::string::npos);
        return CErr_Zelk::Outcome::Cancelled;
    });
    handler_.Push("CDescribe:CalcData");
    EXPECT_EQ(handler_.HandleError(11, "Division by zero"), CErr_Zelk::Outcome::Cancelled);
    EXPECT_EQ(raised, 1);
    // The cancel error is the object-error base 0x80040000 plus 2000, as a signed long.
    EXPECT_EQ(kErrActionCancelled, static_cast<std::int32_t>(0x80040000u + 2000u));
    EXPECT_EQ(handler_.ErrorNumber(), kErrActionCancelled);
    EXPECT_EQ(handler_.ErrorDescription(), "Action Cancelled by User");
    EXPECT_TRUE(handler_.HasError());
    // The file holds the original error; the cancel is the owner's decision.
    EXPECT_NE(ReadLog().find("Error Number      : 11\n"), std::string::npos);
}

TEST_F(ErrorHandlerTest, AfterHandlerContinuingKeepsTheError) {
    handler_.OnAfterHandlerCalled([](const CErr_Zelk&) { return CErr_Zelk::Outcome::Continue; });
    EXPECT_EQ(handler_.HandleError(11, "Division by zero"), CErr_Zelk::Outcome::Continue);
    EXPECT_EQ(handler_.ErrorNumber(), 11);
    EXPECT_EQ(handler_.ErrorDescription(), "Division by zero");
}

TEST_F(ErrorHandlerTest, ThrowingEventHandlersDoNotStopTheHandling) {
    handler_.OnBeforeHandlerCalled([](bool&) { throw std::runtime_error("owner bug"); });
    handler_.OnAfterHandlerCalled(
        [](const CErr_Zelk&) -> CErr_Zelk::Outcome { throw std::runtime_error("owner bug"); });
    handler_.Push("Sub Main");
    EXPECT_EQ(handler_.HandleError(6, "Overflow"), CErr_Zelk::Outcome::Continue);
    EXPECT_EQ(prompter_.calls, (std::vector<std::string>{"beep", "critical"}));
    EXPECT_NE(ReadLog().find("Error String      : Overflow\n"), std::string::npos);
    EXPECT_EQ(handler_.Depth(), 0u);
}

TEST_F(ErrorHandlerTest, ThrowingPrompterIsContained) {
    class BrokenPrompter final : public Prompter {
      public:
        bool askYesNo(const std::string&, const std::string&) override { return false; }
        void inform(const std::string&, const std::string&) override {}
        void critical(const std::string&, const std::string&) override {
            throw std::runtime_error("no display");
        }
        void beep() override {}
    } broken;
    handler_.SetPrompter(&broken);
    handler_.Push("Sub Main");
    handler_.HandleError(6, "Overflow");
    EXPECT_EQ(handler_.Depth(), 0u);
    EXPECT_TRUE(handler_.HasError());
}

}  // namespace
}  // namespace qrv
