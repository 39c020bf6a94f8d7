// The unexpected-error window: its texts, what its buttons hand to the
// desktop, the Continue/Close answer the engine acts on, showing it for an
// engine that runs on a worker thread, and the program's own unexpected
// errors shown in it rather than in a message box.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "designer/app_state.h"
#include "designer/tools/unexpected_error_window.h"
#include "engine/quorvane.h"
#include "scripted_prompter.h"
#include "util/settings.h"

using namespace qrv::designer::tools;

namespace {

class RecordingDesktop final : public qrv::util::DesktopLauncher {
  public:
    bool openFile(const std::string& path) override {
        opened.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        return works;
    }
    bool openUrl(const std::string& url) override {
        opened.push_back(QUrl(QString::fromStdString(url)));
        return works;
    }
    std::vector<QUrl> opened;
    bool works = true;
};

// Answers the window by clicking one of its buttons instead of a modal loop,
// and notes the thread it was shown on.
class ClickingErrorWindow final : public DesignerErrorWindow {
  public:
    using DesignerErrorWindow::DesignerErrorWindow;
    const char* button = "cmdContinue";
    std::vector<QString> messages, files;
    QThread* shownOn = nullptr;

  protected:
    bool present(UnexpectedErrorWindow& window) override {
        shownOn = QThread::currentThread();
        messages.push_back(window.findChild<QLabel*>("lblMessage")->text());
        files.push_back(window.findChild<QLabel*>("lblErrorFile")->text());
        QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
        return window.result() == QDialog::Accepted;
    }
};

}  // namespace

class UnexpectedErrorTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir dir_;
    qrv::util::MemorySettingsStore store_;
    qrv::test::ScriptedPrompter prompter_;

    // A handler that has just handled an error, its report written to a file.
    void handle(qrv::CErr_Zelk& h, const std::string& log) {
        h.SetApplicationTitle("Quorvane");
        h.SetDestination(log);
        h.Push("frmStatMain:RunScenarioTest");
        h.SetCurrentOperation("Running scenario");
        h.HandleError(3021, "No current record.", 0);
    }

  private slots:
    void textsAndButtons() {
        const std::string programDir = dir_.path().toStdString();
        qrv::designer::AppState app(store_, prompter_, programDir, programDir);
        int helps = 0;
        app.Actions().showHelp = [&] { ++helps; };
        const std::string log = dir_.filePath("error.log").toStdString();
        qrv::CErr_Zelk handler(nullptr, false);
        handle(handler, log);
        RecordingDesktop desktop;
        UnexpectedErrorWindow w(app, desktop, handler);
        QCOMPARE(w.windowTitle(), QString("Unexpected Error"));
        QCOMPARE(w.objectName(), QString("frmErrorHandler"));
        QCOMPARE(w.findChild<QLabel*>("lblIntro")->text(),
                 QString("Quorvane has encountered the following unanticipated error:"));
        // The handler's own message, the one its message box would show.
        const QString message = w.findChild<QLabel*>("lblMessage")->text();
        QVERIFY2(message.startsWith("The following error has occurred in procedure: "
                                    "frmStatMain:RunScenarioTest\n on line <unknown>\n"
                                    "Error (3021) No current record."),
                 qPrintable(message));
        QVERIFY(message.endsWith("\nCurrent Operation: Running scenario"));
        QCOMPARE(
            w.findChild<QLabel*>("lblErrorFile")->text(),
            QString::fromStdString("View the error file using NotePad. (located in " + log + ")"));

        QTest::mouseClick(w.findChild<QPushButton*>("cmdViewErrorFile"), Qt::LeftButton);
        QCOMPARE(desktop.opened.size(), std::size_t(1));
        QCOMPARE(desktop.opened[0], QUrl::fromLocalFile(QString::fromStdString(log)));

        QTest::mouseClick(w.findChild<QPushButton*>("cmdMail"), Qt::LeftButton);
        QCOMPARE(desktop.opened.size(), std::size_t(2));
        const QUrl mail = desktop.opened[1];
        QCOMPARE(mail.scheme(), QString("mailto"));
        QCOMPARE(mail.path(), QString("support@quorvane.example"));
        const QUrlQuery query(mail);
        QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded),
                 QString("Quorvane Error log"));
        QVERIFY(
            query.queryItemValue("body", QUrl::FullyDecoded).contains(QString::fromStdString(log)));
        QVERIFY(query.queryItemValue("body", QUrl::FullyDecoded)
                    .contains("Error (3021) No current record."));

        QTest::mouseClick(w.findChild<QPushButton*>("cmdWeb"), Qt::LeftButton);
        QCOMPARE(desktop.opened.back(), QUrl("https://quorvane.example/support"));
        QTest::mouseClick(w.findChild<QPushButton*>("cmdHelp"), Qt::LeftButton);
        QCOMPARE(helps, 1);

        // The read-me: told when it is missing, opened when it is there.
        QTest::mouseClick(w.findChild<QPushButton*>("cmdReadMe"), Qt::LeftButton);
        QCOMPARE(desktop.opened.size(), std::size_t(3));
        QCOMPARE(prompter_.lastText(),
                 "The read-me file " + programDir + "/readme.txt was not found.");
        QFile readme(dir_.filePath("README.md"));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        readme.close();
        QTest::mouseClick(w.findChild<QPushButton*>("cmdReadMe"), Qt::LeftButton);
        QCOMPARE(desktop.opened.back(), QUrl::fromLocalFile(dir_.filePath("README.md")));

        // A desktop without a mail program.
        desktop.works = false;
        prompter_.shown.clear();
        QTest::mouseClick(w.findChild<QPushButton*>("cmdMail"), Qt::LeftButton);
        QCOMPARE(prompter_.lastText(), std::string("Unable to sign on to server"));
        // A picture to look at, when asked for (QRV_GRAB_DIR=folder).
        if (qEnvironmentVariableIsSet("QRV_GRAB_DIR"))
            w.grab().save(qEnvironmentVariable("QRV_GRAB_DIR") + "/unexpected-error.png");
    }

    void continueAndCloseAnswerTheEngine() {
        qrv::designer::AppState app(store_, prompter_, "/opt/q", dir_.path().toStdString());
        RecordingDesktop desktop;
        ClickingErrorWindow window(app, desktop);
        qrv::Quorvane engine(&prompter_, &window);
        engine.SetShowErrors(true);
        qrv::CErr_Zelk& h = engine.ErrorHandler();
        h.SetDestination(dir_.filePath("engine.log").toStdString());

        h.Push("Lumvar_RunScenario");
        h.HandleError(11, "Division by zero");
        QCOMPARE(window.messages.size(), std::size_t(1));
        QVERIFY(window.messages[0].contains("Error (11) Division by zero"));
        QCOMPARE(h.ErrorNumber(), 11);  // Continue: the error stands as it was

        window.button = "cmdClose";
        h.Push("Lumvar_RunScenario");
        h.HandleError(11, "Division by zero");
        QCOMPARE(window.messages.size(), std::size_t(2));
        QCOMPARE(h.ErrorNumber(), qrv::kErrActionCancelled);
        QCOMPARE(h.ErrorDescription(), std::string(qrv::kErrActionCancelledText));

        // Silent engines show nothing.
        engine.SetShowErrors(false);
        h.Push("Lumvar_RunScenario");
        h.HandleError(11, "Division by zero");
        QCOMPARE(window.messages.size(), std::size_t(2));
    }

    void theProgramsOwnErrorsShowTheWindowNamingTheErrorFile() {
        const std::string dataDir = dir_.filePath("own").toStdString();
        qrv::designer::AppState app(store_, prompter_, "/opt/q", dataDir);
        prompter_.shown.clear();
        qrv::CErr_Zelk& errors = app.Errors();
        auto fail = [&] {
            errors.Push("frmStatMain:LoadScenarios");
            errors.SetCurrentOperation("Open Recordset ");
            errors.HandleError(3021, "No current record.");
            errors.SetCurrentOperation("");
        };
        RecordingDesktop desktop;
        {
            ClickingErrorWindow window(app, desktop);
            fail();
            QCOMPARE(window.messages.size(), std::size_t(1));
            QVERIFY(window.messages[0].startsWith(
                "The following error has occurred in procedure: frmStatMain:LoadScenarios"));
            QVERIFY(window.messages[0].endsWith("Current Operation: Open Recordset "));
            QCOMPARE(window.files[0],
                     QString::fromStdString("View the error file using NotePad. (located in " +
                                            dataDir + "/error.log)"));
            for (const auto& shown : prompter_.shown) QVERIFY(shown.kind != "critical");
            QCOMPARE(errors.Depth(), std::size_t(0));
        }
        // Without the window, the handler's message box as before.
        fail();
        QCOMPARE(prompter_.shown.back().kind, std::string("critical"));
        QVERIFY(prompter_.shown.back().text.find("No current record.") != std::string::npos);
        QCOMPARE(errors.Depth(), std::size_t(0));
    }

    void shownOnTheGuiThreadForAWorker() {
        qrv::designer::AppState app(store_, prompter_, "/opt/q", dir_.path().toStdString());
        RecordingDesktop desktop;
        ClickingErrorWindow window(app, desktop);
        window.button = "cmdClose";
        qrv::CErr_Zelk handler(nullptr, false);
        handle(handler, dir_.filePath("worker.log").toStdString());
        std::atomic<int> answer{-1};
        std::thread worker([&] { answer = window.ShowUnexpectedError(handler) ? 1 : 0; });
        // The GUI thread serves the worker's request from its event loop.
        QTRY_VERIFY_WITH_TIMEOUT(answer != -1, 10000);
        worker.join();
        QCOMPARE(answer.load(), 0);
        QCOMPARE(window.shownOn, QThread::currentThread());
        QCOMPARE(window.messages.size(), std::size_t(1));
    }
};

QTEST_MAIN(UnexpectedErrorTest)
#include "unexpected_error_test.moc"
