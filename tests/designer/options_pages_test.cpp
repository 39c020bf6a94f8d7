// The wizard's options pages: which page each analysis has, the controls a
// new scenario shows (the defaults of the options catalogue, written here
// from the catalogue's table, not read from the code), the values each
// control writes into the scenario, and which controls depend on which.
#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

#include "options_fixture.h"

using qrv::test::OptionsFixture;

class OptionsPagesTest : public QObject {
    Q_OBJECT
  private slots:
    void pageNumbersByAnalysis() {
        const std::pair<const char*, int> pages[] = {
            {"Describe", 4}, {"Frequency", 5},      {"Percentiles", 6}, {"Compare", 7},
            {"Matrix", 8},   {"Regression", 9},     {"Crosstab", 10},   {"Two Sample t-Test", 11},
            {"ANOVA", 11},   {"Two way ANOVA", 11}, {"Chi-Square", 12}, {"Sign Test", 13},
            {"K-S Fit", 14}, {"2 Sample", 15},      {"N Sample", 16},   {"Paired Fields", 17},
            {"N Fields", 18}};
        for (const auto& [name, number] : pages)
            QVERIFY2(qrv::designer::OptionsPageNumber(name) == number, name);
        for (const char* other : {"", "Histogram", "Paired", "N Fields "})
            QCOMPARE(qrv::designer::OptionsPageNumber(other), 99);
    }

    void onlyPagesFourToEighteenExist() {
        qrv::test::ScriptedPrompter prompter;
        auto draft = qrv::scenario::NewDraft(*qrv::scenario::FindAnalysisType("Describe"));
        for (int n : {0, 3, 19, 30, 50, 99})
            QVERIFY(!qrv::designer::CreateOptionsPage(n, draft, prompter));
        for (int n = 4; n <= 18; ++n) {
            std::unique_ptr<qrv::designer::OptionsPage> p(
                qrv::designer::CreateOptionsPage(n, draft, prompter));
            QVERIFY(p);
            QVERIFY(p->Caption().startsWith("Zelk Statistics "));
        }
    }

    void describeShowsTheDefaults() {
        OptionsFixture f("Describe");
        QVERIFY(f.checked("chkRange") && f.checked("chkVarStd") && f.checked("chkSum"));
        QVERIFY(!f.checked("chkMean") && !f.checked("chkSkew") && !f.checked("chkMode"));
        QVERIFY(f.checked("optVarNRadio_1") && !f.checked("optVarNRadio_0"));  // "N-1"
        QVERIFY(!f.checked("chkCI") && f.checked("chkCI95"));
        QVERIFY(f.checked("optCITypeRadio_0"));  // "t-Test"
        QCOMPARE(f.box("txtCIUser")->text(), QString());
        QCOMPARE(f.box("txtCIStdDev")->text(), QString());
        QVERIFY(!f.checked("chkTTestMean") && !f.checked("chkPercentile"));
        QVERIFY(f.checked("optPercentileRadio_0"));  // "Median"
        QVERIFY(!f.checked("chkFreqN") && !f.checked("chkFreqP"));
        QCOMPARE(f.box("txtInterV")->text(), QString("10"));
        QVERIFY(f.checked("optFreqIncRadio_0") && f.checked("optFreqDispRadio_0") &&
                f.checked("optFreqGroupRadio_0"));  // "Lower", "Count", "Default"
        QCOMPARE(f.box("txtFreqWidth")->text(), QString());
        QCOMPARE(f.page->Caption(), QString("Zelk Statistics Describe Options"));
    }

    void otherPagesShowTheirDefaults() {
        {
            OptionsFixture f("Frequency");
            QCOMPARE(f.box("txtInterV")->text(), QString("10"));
            QVERIFY(f.checked("optFreqIncRadio_0") && f.checked("optFreqGroupRadio_0"));
            QVERIFY(!f.checked("chkFreqSum"));  // no default: Null reads as No
            QVERIFY(!f.page->findChild<QWidget*>("optFreqDispRadio_0"));
        }
        {
            OptionsFixture f("Percentiles");
            QVERIFY(f.checked("optPercentileRadio_0"));
            QVERIFY(!f.checked("optPercentileRadio_4"));
        }
        {
            OptionsFixture f("Compare");
            for (const char* c : {"chkCountXY", "chkMeanXY", "chkCorrXY", "chkTTest"})
                QVERIFY2(f.checked(c), c);
        }
        {
            OptionsFixture f("Matrix");
            for (const char* c : {"chkMCnt", "chkMMis", "chkMMean", "chkMDev", "chkMCov", "chkMCor",
                                  "chkMR2", "chkMT", "chkMProb"})
                QVERIFY2(!f.checked(c), c);
            QVERIFY(!f.checked("optMProbTail_0") && !f.checked("optMProbTail_1"));
        }
        {
            OptionsFixture f("Regression");
            QVERIFY(f.checked("optRegressType_0"));  // "S"
            QCOMPARE(f.box("txtRPoly")->text(), QString("2"));
            QVERIFY(f.checked("chkRYInt") && f.checked("chkRANova") && !f.checked("chkResidual"));
        }
        {
            OptionsFixture f("Crosstab");
            QCOMPARE(f.find<QComboBox>("cboXType")->currentData().toString(), QString("C"));
            QCOMPARE(f.find<QComboBox>("cboXType")->count(), 10);
            for (const char* c : {"chkXRowPCnt", "chkXColPcnt", "chkxTotPcnt", "chkxExpectPcnt",
                                  "chkxExpect", "chkxChi"})
                QVERIFY2(!f.checked(c), c);
        }
        for (const char* group : {"Two Sample t-Test", "ANOVA", "Two way ANOVA"}) {
            OptionsFixture f(group);
            QVERIFY(!f.checked("chkGroupIgnoreBlanks") && !f.checked("chkGroupDetail"));
            QVERIFY(f.page->Caption().contains(group));
        }
        {
            OptionsFixture f("Chi-Square");
            QVERIFY(!f.checked("chkChiAll") && !f.checked("chkChiIgnoreBlanks"));
            QVERIFY(f.checked("chkChiDetail"));
        }
        {
            OptionsFixture f("Sign Test");
            QVERIFY(f.checked("chkSignMean") && !f.checked("chkSignMedian"));
            QVERIFY(!f.checked("chkSignCustom"));
            QCOMPARE(f.box("txtSignValue")->text(), QString());
        }
        {
            OptionsFixture f("K-S Fit");
            QVERIFY(f.checked("chkFitUniform") && !f.checked("chkFitNormal") &&
                    f.checked("chkFitPoisson"));
        }
        {
            OptionsFixture f("2 Sample");
            QVERIFY(f.checked("optNPTwoType_0") && !f.checked("optNPTwoType_1"));  // "Mann"
        }
        QVERIFY(OptionsFixture("N Sample").checked("chkNPKruskalDetail"));
        QVERIFY(OptionsFixture("N Fields").checked("chkNPFriedmanDetail"));
        {
            OptionsFixture f("Paired Fields");
            QVERIFY(f.checked("chkNPPair_Sign") && f.checked("chkNPPair_Wilcoxon") &&
                    f.checked("chkNPPair_Spearman"));
        }
    }

    void loadingStoredValuesChangesNothing() {
        OptionsFixture f("Describe");
        f.draft.setOption("VarNRadio", "N");
        f.draft.setOption("PercentileRadio", "5");
        f.draft.setOption("CIStdDev", 2.5);
        f.draft.setOption("FreqGroupRadio", "Specified");
        f.draft.setOption("Range", false);
        QSignalSpy spy(f.page.get(), &qrv::designer::OptionsPage::changed);
        f.page->SetControlValues();
        QCOMPARE(spy.count(), 0);
        QVERIFY(f.checked("optVarNRadio_0") && !f.checked("optVarNRadio_1"));
        QVERIFY(f.checked("optPercentileRadio_2"));  // quintiles are stored as "5"
        QCOMPARE(f.box("txtCIStdDev")->text(), QString("2.5"));
        QVERIFY(f.checked("optFreqGroupRadio_1") && !f.checked("chkRange"));
        QCOMPARE(f.option("VarNRadio"), std::string("N"));

        // A percentile type this page does not offer leaves its buttons clear
        // and stays stored.
        f.draft.setOption("PercentileRadio", "Percentiles");
        f.page->SetControlValues();
        for (const char* r : {"optPercentileRadio_0", "optPercentileRadio_1",
                              "optPercentileRadio_2", "optPercentileRadio_3"})
            QVERIFY2(!f.checked(r), r);
        QCOMPARE(f.option("PercentileRadio"), std::string("Percentiles"));
    }

    void describeWritesEveryChange() {
        OptionsFixture f("Describe");
        QSignalSpy spy(f.page.get(), &qrv::designer::OptionsPage::changed);
        f.button("optVarNRadio_0")->click();
        QCOMPARE(f.option("VarNRadio"), std::string("N"));
        f.button("optVarNRadio_1")->click();
        QCOMPARE(f.option("VarNRadio"), std::string("N-1"));
        f.button("chkRange")->click();
        QCOMPARE(f.option("Range"), std::string("False"));
        f.button("chkSkew")->click();
        QCOMPARE(f.option("Skew"), std::string("True"));
        QCOMPARE(spy.count(), 4);

        f.button("chkCI")->click();
        f.button("optCITypeRadio_1")->click();
        QCOMPARE(f.option("CITypeRadio"), std::string("Normal"));
        f.button("optCITypeRadio_0")->click();
        QCOMPARE(f.option("CITypeRadio"), std::string("t-Test"));
        f.button("chkPercentile")->click();
        f.button("optPercentileRadio_2")->click();
        QCOMPARE(f.option("PercentileRadio"), std::string("5"));
        f.button("optPercentileRadio_3")->click();
        QCOMPARE(f.option("PercentileRadio"), std::string("Deciles"));
        f.button("optPercentileRadio_1")->click();
        QCOMPARE(f.option("PercentileRadio"), std::string("Quartiles"));

        f.button("chkFreqP")->click();
        QCOMPARE(f.option("FreqP"), std::string("True"));
        f.button("optFreqIncRadio_1")->click();
        QCOMPARE(f.option("FreqIncRadio"), std::string("Upper"));
        f.button("optFreqDispRadio_1")->click();
        QCOMPARE(f.option("FreqDispRadio"), std::string("Cumulative"));
        f.button("optFreqDispRadio_0")->click();
        QCOMPARE(f.option("FreqDispRadio"), std::string("Count"));
        f.button("optFreqGroupRadio_1")->click();
        QCOMPARE(f.option("FreqGroupRadio"), std::string("Specified"));

        f.type("txtFreqInit", "-2.5");
        QCOMPARE(f.draft.option("FreqInit").asDouble(), -2.5);
        f.button("chkTTestMean")->click();
        f.type("txtTTestValue", "1e3");
        QCOMPARE(f.draft.option("TTestValue").asDouble(), 1000.0);
        f.type("txtCIUser", "90");
        QCOMPARE(f.draft.option("CIUser").asDouble(), 90.0);
        // Emptying a box stores Null.
        f.type("txtCIUser", "");
        QVERIFY(f.draft.option("CIUser").isNull());
    }

    void otherPagesWriteTheirValues() {
        {
            OptionsFixture f("Percentiles");
            f.button("optPercentileRadio_4")->click();
            QCOMPARE(f.option("PercentileRadio"), std::string("Percentiles"));
        }
        {
            OptionsFixture f("Frequency");
            f.button("chkFreqSum")->click();
            QCOMPARE(f.option("FreqSum"), std::string("True"));
            f.type("txtInterV", "25");
            QCOMPARE(f.draft.option("InterV").asDouble(), 25.0);
        }
        {
            // Probabilities need tails: two-tailed unless the user says otherwise.
            OptionsFixture f("Matrix");
            f.button("chkMProb")->click();
            QCOMPARE(f.option("MProb"), std::string("True"));
            QCOMPARE(f.option("MProbTail"), std::string("2-tail"));
            f.button("optMProbTail_0")->click();
            QCOMPARE(f.option("MProbTail"), std::string("1-tail"));
            f.button("chkMProb")->click();
            f.button("chkMProb")->click();
            QCOMPARE(f.option("MProbTail"), std::string("1-tail"));
            f.button("chkMR2")->click();
            QCOMPARE(f.option("MR2"), std::string("True"));
        }
        {
            OptionsFixture f("Regression");
            f.button("optRegressType_1")->click();
            QCOMPARE(f.option("RegressType"), std::string("M"));
            f.button("optRegressType_2")->click();
            QCOMPARE(f.option("RegressType"), std::string("P"));
            f.type("txtRPoly", "4");
            QCOMPARE(f.draft.option("RPoly").asDouble(), 4.0);
            f.button("chkResidual")->click();
            QCOMPARE(f.option("Residual"), std::string("True"));
            f.button("chkRYInt")->click();
            QCOMPARE(f.option("RYInt"), std::string("False"));
        }
        {
            OptionsFixture f("2 Sample");
            f.button("optNPTwoType_1")->click();
            QCOMPARE(f.option("NPTwoType"), std::string("Wald"));
            f.button("optNPTwoType_0")->click();
            QCOMPARE(f.option("NPTwoType"), std::string("Mann"));
        }
        {
            OptionsFixture f("Sign Test");
            f.button("chkSignMedian")->click();
            f.button("chkSignCustom")->click();
            f.type("txtSignValue", "7");
            QCOMPARE(f.option("SignMedian"), std::string("True"));
            QCOMPARE(f.option("SignCustom"), std::string("True"));
            QCOMPARE(f.draft.option("SignValue").asDouble(), 7.0);
        }
        {
            OptionsFixture f("ANOVA");
            f.button("chkGroupIgnoreBlanks")->click();
            f.button("chkGroupDetail")->click();
            QCOMPARE(f.option("GroupIgnoreBlanks"), std::string("True"));
            QCOMPARE(f.option("GroupDetail"), std::string("True"));
        }
        {
            OptionsFixture f("Chi-Square");
            f.button("chkChiAll")->click();
            f.button("chkChiDetail")->click();
            QCOMPARE(f.option("ChiAll"), std::string("True"));
            QCOMPARE(f.option("ChiDetail"), std::string("False"));
        }
        {
            OptionsFixture f("Paired Fields");
            f.button("chkNPPair_Wilcoxon")->click();
            QCOMPARE(f.option("NPPair_Wilcoxon"), std::string("False"));
        }
        {
            OptionsFixture f("K-S Fit");
            f.button("chkFitNormal")->click();
            QCOMPARE(f.option("FitNormal"), std::string("True"));
        }
    }

    void crosstabStatisticAndItsRows() {
        OptionsFixture f("Crosstab");
        auto* type = f.find<QComboBox>("cboXType");
        f.button("chkxChi")->click();
        f.button("chkxExpect")->click();
        f.button("chkXRowPCnt")->click();
        QCOMPARE(f.option("xChi"), std::string("True"));
        type->setCurrentIndex(1);
        QCOMPARE(f.option("XType"), std::string("S"));
        QVERIFY(f.checked("chkxChi") && f.enabled("chkxChi"));
        // An average has no expected values: those rows and the chi-square
        // table go, the share of the row stays.
        type->setCurrentIndex(2);
        QCOMPARE(f.option("XType"), std::string("A"));
        QCOMPARE(f.option("xChi"), std::string("False"));
        QCOMPARE(f.option("xExpect"), std::string("False"));
        QCOMPARE(f.option("XRowPCnt"), std::string("True"));
        QVERIFY(!f.enabled("chkxChi") && !f.enabled("chkxExpectPcnt") && f.enabled("chkxTotPcnt"));
        type->setCurrentIndex(9);
        QCOMPARE(f.option("XType"), std::string("E"));

        // A statistic the list does not offer is shown and kept.
        f.draft.setOption("XType", "L");
        f.page->SetControlValues();
        QCOMPARE(type->currentData().toString(), QString("L"));
        QCOMPARE(f.option("XType"), std::string("L"));
    }

    void describeDependentControls() {
        OptionsFixture f("Describe");
        QVERIFY(f.enabled("optVarNRadio_0"));
        f.button("chkVarStd")->click();
        QVERIFY(!f.enabled("optVarNRadio_0") && !f.enabled("optVarNRadio_1"));

        QVERIFY(!f.enabled("chkCI95") && !f.enabled("txtCIUser") && !f.enabled("optCITypeRadio_1"));
        f.button("chkCI")->click();
        QVERIFY(f.enabled("chkCI95") && f.enabled("txtCIUser") && f.enabled("optCITypeRadio_1"));
        QVERIFY(!f.enabled("txtCIStdDev"));
        f.button("optCITypeRadio_1")->click();
        QVERIFY(f.enabled("txtCIStdDev"));
        f.button("chkCI")->click();
        QVERIFY(!f.enabled("txtCIStdDev"));

        QVERIFY(!f.enabled("txtTTestValue"));
        f.button("chkTTestMean")->click();
        QVERIFY(f.enabled("txtTTestValue"));

        QVERIFY(!f.enabled("optPercentileRadio_0"));
        f.button("chkPercentile")->click();
        QVERIFY(f.enabled("optPercentileRadio_3"));

        QVERIFY(!f.enabled("txtInterV") && !f.enabled("optFreqDispRadio_1"));
        f.button("chkFreqN")->click();
        QVERIFY(f.enabled("txtInterV") && f.enabled("optFreqDispRadio_1"));
        QVERIFY(!f.enabled("txtFreqInit") && !f.enabled("txtFreqWidth"));
        f.button("optFreqGroupRadio_1")->click();
        QVERIFY(f.enabled("txtFreqInit") && f.enabled("txtFreqWidth"));
        f.button("optFreqGroupRadio_0")->click();
        QVERIFY(!f.enabled("txtFreqInit"));
        f.button("chkFreqN")->click();
        f.button("chkFreqP")->click();
        QVERIFY(f.enabled("txtInterV"));
    }

    void otherDependentControls() {
        {
            OptionsFixture f("Frequency");
            QVERIFY(f.enabled("txtInterV") && !f.enabled("txtFreqWidth"));
            f.button("optFreqGroupRadio_1")->click();
            QVERIFY(f.enabled("txtFreqWidth") && f.enabled("txtFreqInit"));
        }
        {
            OptionsFixture f("Matrix");
            QVERIFY(!f.enabled("optMProbTail_0"));
            f.button("chkMProb")->click();
            QVERIFY(f.enabled("optMProbTail_0") && f.enabled("optMProbTail_1"));
        }
        {
            OptionsFixture f("Regression");
            QVERIFY(!f.enabled("txtRPoly"));
            f.button("optRegressType_2")->click();
            QVERIFY(f.enabled("txtRPoly"));
            f.button("optRegressType_1")->click();
            QVERIFY(!f.enabled("txtRPoly"));
        }
        {
            OptionsFixture f("Sign Test");
            QVERIFY(!f.enabled("txtSignValue"));
            f.button("chkSignCustom")->click();
            QVERIFY(f.enabled("txtSignValue"));
        }
        {
            // Stored values decide the enabling when the page loads.
            OptionsFixture f("Regression");
            f.draft.setOption("RegressType", "P");
            f.page->SetControlValues();
            QVERIFY(f.enabled("txtRPoly"));
        }
    }
};

QTEST_MAIN(OptionsPagesTest)
#include "options_pages_test.moc"
