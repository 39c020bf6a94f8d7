// The options pages' checks: the message a number box gives when the user
// leaves it with a value out of range, and each page's refusal before Next,
// with the focus on the control to fix. The messages are the wizard's own
// words, written here as the user must see them.
#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QtTest>

#include "options_fixture.h"

using qrv::test::OptionsFixture;

namespace {

// The page refuses Next with exactly this message and puts the focus on `control`.
void expectRefusal(OptionsFixture& f, const std::string& message, const char* control) {
    const std::size_t before = f.prompter.shown.size();
    QVERIFY(!f.page->CheckPage());
    QCOMPARE(f.prompter.shown.size(), before + 1);
    QCOMPARE(f.prompter.shown.back().text, message);
    QCOMPARE(f.prompter.shown.back().caption, std::string("Quorvane"));
    QVERIFY2(f.focused() && f.focused()->objectName() == control,
             qPrintable(f.focused() ? f.focused()->objectName() : QString("no focus")));
}

void expectAccepted(OptionsFixture& f) {
    const std::size_t before = f.prompter.shown.size();
    QVERIFY(f.page->CheckPage());
    QCOMPARE(f.prompter.shown.size(), before);
}

}  // namespace

class OptionsChecksTest : public QObject {
    Q_OBJECT
  private:
    // Types a value into a box, leaves it, and answers the message shown
    // (empty for none); a refused box keeps the focus.
    static std::string leaveWith(OptionsFixture& f, const char* box, const QString& text,
                                 const char* next) {
        const std::size_t before = f.prompter.shown.size();
        f.type(box, text);
        f.leave(next);
        if (f.prompter.shown.size() == before) return {};
        if (f.focused() != f.box(box)) return "focus left the box";
        return f.prompter.shown.back().text;
    }

  private slots:
    void confidenceBoxes() {
        OptionsFixture f("Describe");
        f.showActive();
        f.button("chkCI")->click();
        f.button("optCITypeRadio_1")->click();
        const std::string positive = "Please enter a number greater than zero.";
        QCOMPARE(leaveWith(f, "txtCIStdDev", "0", "chkRange"), positive);
        QCOMPARE(leaveWith(f, "txtCIStdDev", "-1.5", "chkRange"), positive);
        QVERIFY(f.draft.option("CIStdDev").isNull());
        QCOMPARE(leaveWith(f, "txtCIStdDev", "0.001", "chkRange"), std::string());
        QCOMPARE(f.draft.option("CIStdDev").asDouble(), 0.001);

        const std::string level = "Please enter a value between 1 and 99.999";
        QCOMPARE(leaveWith(f, "txtCIUser", "0", "chkRange"), level);
        QCOMPARE(leaveWith(f, "txtCIUser", "100", "chkRange"), level);
        QCOMPARE(leaveWith(f, "txtCIUser", "1", "chkRange"), std::string());
        QCOMPARE(leaveWith(f, "txtCIUser", "99", "chkRange"), std::string());
        QCOMPARE(f.draft.option("CIUser").asDouble(), 99.0);
        // Not a number, or not whole where the option holds whole numbers.
        QCOMPARE(leaveWith(f, "txtCIUser", "abc", "chkRange"),
                 std::string("Please enter a number."));
        QCOMPARE(leaveWith(f, "txtCIUser", "90.5", "chkRange"),
                 std::string("Please enter a whole number."));
        // What the scenario holds is the last acceptable text typed, "90".
        QCOMPARE(f.draft.option("CIUser").asDouble(), 90.0);
    }

    void intervalAndOrderBoxes() {
        {
            OptionsFixture f("Frequency");
            f.showActive();
            const std::string intervals = "Please enter a number between 2 and 50.";
            QCOMPARE(leaveWith(f, "txtInterV", "1", "chkFreqSum"), intervals);
            // The refused text never reached the scenario.
            QCOMPARE(f.draft.option("InterV").asDouble(), 10.0);
            QCOMPARE(leaveWith(f, "txtInterV", "51", "chkFreqSum"), intervals);
            QCOMPARE(leaveWith(f, "txtInterV", "0", "chkFreqSum"), intervals);
            QCOMPARE(leaveWith(f, "txtInterV", "2", "chkFreqSum"), std::string());
            QCOMPARE(leaveWith(f, "txtInterV", "50", "chkFreqSum"), std::string());
            QCOMPARE(f.draft.option("InterV").asDouble(), 50.0);
        }
        {
            OptionsFixture f("Describe");
            f.showActive();
            f.button("chkFreqN")->click();
            QCOMPARE(leaveWith(f, "txtInterV", "60", "chkRange"),
                     std::string("Please enter a number between 2 and 50."));
        }
        {
            OptionsFixture f("Regression");
            f.showActive();
            f.button("optRegressType_2")->click();
            const std::string order = "Please enter a number between 2 and 9.";
            QCOMPARE(leaveWith(f, "txtRPoly", "1", "chkRANova"), order);
            QCOMPARE(leaveWith(f, "txtRPoly", "10", "chkRANova"), order);
            QCOMPARE(leaveWith(f, "txtRPoly", "9", "chkRANova"), std::string());
            QCOMPARE(f.draft.option("RPoly").asDouble(), 9.0);
        }
    }

    void aBadBoxStopsNext() {
        OptionsFixture f("Frequency");
        f.showActive();
        f.type("txtInterV", "99");
        expectRefusal(f, "Please enter a number between 2 and 50.", "txtInterV");
        f.type("txtInterV", "12");
        expectAccepted(f);
    }

    void describeChecks() {
        OptionsFixture f("Describe");
        f.showActive();
        expectAccepted(f);  // a new Describe scenario may be saved as it is
        f.button("chkCI")->click();
        f.type("txtCIUser", "95");
        expectRefusal(f, "Duplicate Confidence Interval % selected", "txtCIUser");
        f.type("txtCIUser", "");
        f.button("chkCI95")->click();
        expectRefusal(f, "Confidence Interval value (95% or Other%) required", "chkCI95");
        f.type("txtCIUser", "90");
        expectAccepted(f);
        f.button("optCITypeRadio_1")->click();
        expectRefusal(f, "Confidence Interval standard deviation required", "txtCIStdDev");
        f.type("txtCIStdDev", "3");
        expectAccepted(f);

        f.button("chkTTestMean")->click();
        expectRefusal(f, "Mean value for t-Test vs. Mean required", "txtTTestValue");
        f.type("txtTTestValue", "0");
        expectAccepted(f);
    }

    void describeFrequencyChecksOnlyWhenAskedFor() {
        OptionsFixture f("Describe");
        f.showActive();
        f.draft.setOption("InterV", qrv::dao::Value());
        f.page->SetControlValues();
        expectAccepted(f);
        f.button("chkFreqP")->click();
        expectRefusal(f, "Frequency: Number of intervals required", "txtInterV");
        f.type("txtInterV", "8");
        f.button("optFreqGroupRadio_1")->click();
        expectRefusal(f, "Frequency: Specified Initial Value required", "txtFreqInit");
        f.type("txtFreqInit", "0");
        expectRefusal(f, "Frequency: Specified Interval Width required", "txtFreqWidth");
        // A width must be above zero, as the options table also insists.
        f.type("txtFreqWidth", "0");
        expectRefusal(f, "Interval Width must be greater than zero", "txtFreqWidth");
        f.type("txtFreqWidth", "2.5");
        expectAccepted(f);
        QCOMPARE(f.draft.option("FreqWidth").asDouble(), 2.5);
    }

    void frequencyChecks() {
        OptionsFixture f("Frequency");
        f.showActive();
        expectAccepted(f);
        f.type("txtInterV", "");
        expectRefusal(f, "Frequency: Number of intervals required", "txtInterV");
        f.type("txtInterV", "5");
        f.button("optFreqGroupRadio_1")->click();
        expectRefusal(f, "Frequency: Specified Initial Value required", "txtFreqInit");
        // Default groupings need neither.
        f.button("optFreqGroupRadio_0")->click();
        expectAccepted(f);
    }

    void signTestChecks() {
        OptionsFixture f("Sign Test");
        f.showActive();
        expectAccepted(f);
        f.button("chkSignMean")->click();
        expectRefusal(f, "No test type selected", "chkSignMean");
        f.button("chkSignCustom")->click();
        expectRefusal(f, "Custom value required", "txtSignValue");
        // The value is stored as a whole number, and its caption says so.
        QVERIFY(f.button("chkSignCustom")->text().contains("whole number"));
        f.type("txtSignValue", "52.5");
        expectRefusal(f, "Please enter a whole number.", "txtSignValue");
        f.type("txtSignValue", "-4");
        expectAccepted(f);
        QCOMPARE(f.draft.option("SignValue").asDouble(), -4.0);
    }

    void ksFitAndPairedChecks() {
        {
            OptionsFixture f("K-S Fit");
            f.showActive();
            expectAccepted(f);
            f.button("chkFitUniform")->click();
            f.button("chkFitPoisson")->click();
            expectRefusal(f, "No test type selected", "chkFitUniform");
            f.button("chkFitNormal")->click();
            expectAccepted(f);
        }
        {
            OptionsFixture f("Paired Fields");
            f.showActive();
            expectAccepted(f);
            for (const char* c : {"chkNPPair_Sign", "chkNPPair_Wilcoxon", "chkNPPair_Spearman"})
                f.button(c)->click();
            expectRefusal(f, "At least one analysis type must be selected", "chkNPPair_Sign");
            f.button("chkNPPair_Spearman")->click();
            expectAccepted(f);
        }
    }

    void compareAndMatrixNeedAStatistic() {
        {
            OptionsFixture f("Compare");
            f.showActive();
            expectAccepted(f);
            for (const char* c : {"chkCountXY", "chkMeanXY", "chkCorrXY", "chkTTest"})
                f.button(c)->click();
            expectRefusal(f, "No statistic selected", "chkCountXY");
            f.button("chkTTest")->click();
            expectAccepted(f);
        }
        {
            OptionsFixture f("Matrix");  // every statistic starts unticked
            f.showActive();
            expectRefusal(f, "No statistic selected", "chkMCnt");
            f.button("chkMCor")->click();
            expectAccepted(f);
        }
    }

    void polynomialNeedsAnOrder() {
        OptionsFixture f("Regression");
        f.showActive();
        f.type("txtRPoly", "");  // disabled while the fit is simple: nothing typed
        QCOMPARE(f.draft.option("RPoly").asDouble(), 2.0);
        f.button("optRegressType_2")->click();
        f.type("txtRPoly", "");
        QVERIFY(f.draft.option("RPoly").isNull());
        expectRefusal(f, "Please enter a number between 2 and 9.", "txtRPoly");
        // The other fits do not read the order.
        f.button("optRegressType_0")->click();
        expectAccepted(f);
    }

    void closingThePageChecksNothing() {
        // Closing the wizard over a box with a bad number is no reason to complain.
        OptionsFixture f("Frequency");
        f.showActive();
        f.type("txtInterV", "1");
        f.page.reset();
        QVERIFY(f.prompter.shown.empty());
        QCOMPARE(f.draft.option("InterV").asDouble(), 10.0);
    }

    void pagesWithoutChecksAlwaysPass() {
        for (const char* t : {"Percentiles", "Crosstab", "ANOVA", "Chi-Square", "2 Sample",
                              "N Sample", "N Fields"}) {
            OptionsFixture f(t);
            QVERIFY2(f.page->CheckPage(), t);
            QVERIFY2(f.prompter.shown.empty(), t);
        }
    }

    // Every caption is shown whole at the page's own size. Set QRV_GRAB_DIR
    // to keep a picture of each page.
    void captionsAreNotClipped() {
        const QString grabDir = qEnvironmentVariable("QRV_GRAB_DIR");
        for (int n = 4; n <= 18; ++n) {
            const char* subtype = n == 11 ? "Two way ANOVA" : nullptr;
            for (const auto& t : qrv::scenario::AnalysisTypes())
                if (!subtype && t.optionsPage == n) subtype = t.name;
            OptionsFixture f(subtype);
            f.page->adjustSize();
            f.page->show();
            QVERIFY(QTest::qWaitForWindowExposed(f.page.get()));
            for (QWidget* w : f.page->findChildren<QWidget*>()) {
                const bool text =
                    qobject_cast<QAbstractButton*>(w) ||
                    (qobject_cast<QLabel*>(w) && !static_cast<QLabel*>(w)->wordWrap());
                if (!text || !w->isVisible()) continue;
                QVERIFY2(
                    w->width() >= w->sizeHint().width() && w->height() >= w->sizeHint().height(),
                    qPrintable(QString("%1 on %2").arg(w->objectName(), subtype)));
            }
            if (!grabDir.isEmpty())
                f.page->grab().save(QDir(grabDir).filePath(QString("options_%1.png").arg(n)));
        }
    }
};

QTEST_MAIN(OptionsChecksTest)
#include "options_checks_test.moc"
