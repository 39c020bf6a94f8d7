// The probability calculator: its labels per type and mode, its refusals,
// and the numbers it shows. Reference values are from mpmath 1.3 at 30
// digits: erfc(z/sqrt 2) for the normal, the regularised incomplete beta for
// t and F, the regularised upper incomplete gamma for chi-square, and
// findroot on those for the inverses.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>
#include <cmath>
#include <string>

#include "designer/app_state.h"
#include "designer/tools/number_format.h"
#include "designer/tools/probability_calculator.h"
#include "scripted_prompter.h"
#include "util/settings.h"

using namespace qrv::designer::tools;
using Type = ProbabilityCalculator::ProbType;

class ProbabilityCalculatorTest : public QObject {
    Q_OBJECT
  public:
    ProbabilityCalculatorTest() : app_(store_, prompter_, "/opt/q", "/tmp/qdata") {}

  private:
    qrv::util::MemorySettingsStore store_;
    qrv::test::ScriptedPrompter prompter_;
    qrv::designer::AppState app_;

    template <class T>
    static T* child(QWidget& w, const char* name) {
        T* c = w.findChild<T*>(name);
        if (!c) qFatal("no child %s", name);
        return c;
    }
    static QString labelFor(QWidget& w, QWidget* box) {
        for (QLabel* l : w.findChildren<QLabel*>())
            if (l->buddy() == box) return l->text();
        return "<no label>";
    }
    // Runs one calculation and returns the shown result as a number.
    double run(ProbabilityCalculator& c, Type type, const char* value, const char* df1,
               const char* df2, bool inverse) {
        c.setProbType(type);
        child<QLineEdit>(c, "txtTestValue")->setText(value);
        child<QLineEdit>(c, "txtDF1")->setText(df1);
        child<QLineEdit>(c, "txtDF2")->setText(df2);
        QTest::mouseClick(child<QPushButton>(c, inverse ? "cmdInverse" : "cmdCalculate"),
                          Qt::LeftButton);
        bool ok = false;
        const double r = c.result().toDouble(&ok);
        return ok ? r : std::nan("");
    }

  private slots:
    void init() { prompter_.shown.clear(); }

    void formatsLikeTheFixedPattern() {
        QCOMPARE(FormatProbability(0.05), std::string("0.05"));
        QCOMPARE(FormatProbability(1.959963984540054), std::string("1.959963984540054"));
        QCOMPARE(FormatProbability(1e-7), std::string("0.0000001"));
        QCOMPARE(FormatProbability(12), std::string("12"));
        QCOMPARE(FormatProbability(0), std::string("0"));
        QCOMPARE(FormatProbability(-2.5), std::string("-2.5"));
        QCOMPARE(FormatProbability(-0.0), std::string("0"));
        QCOMPARE(FormatProbability(0.25), std::string("0.25"));
        // More than twenty decimals: rounded to twenty, trailing zeros dropped.
        QCOMPARE(FormatProbability(1.5e-19), std::string("0.00000000000000000015"));
        QCOMPARE(FormatProbability(1.23456e-18), std::string("0.00000000000000000123"));
        QCOMPARE(FormatProbability(4e-21), std::string("0"));
        QCOMPARE(FormatProbability(-4e-21), std::string("0"));
        QCOMPARE(FormatProbability(6e-21), std::string("0.00000000000000000001"));
        QCOMPARE(FormatProbability(1e20), std::string("100000000000000000000"));
    }

    void labelsFollowTypeAndMode() {
        ProbabilityCalculator c(app_);
        c.show();
        QCOMPARE(c.windowTitle(), QString("Probability Calculator"));
        const char* captions[] = {"&Z-Value", "&t-Value", "Chi-&Square", "&F-Value"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(child<QRadioButton>(c, qPrintable(QString("optProbType_%1").arg(i)))->text(),
                     QString(captions[i]));
        auto* value = child<QLineEdit>(c, "txtTestValue");
        auto* df1 = child<QLineEdit>(c, "txtDF1");
        auto* df2 = child<QLineEdit>(c, "txtDF2");
        QCOMPARE(labelFor(c, value), QString("Z-Value:"));
        QVERIFY(!df1->isVisible() && !df2->isVisible());
        QCOMPARE(child<QLabel>(c, "lblResultCaption")->text(), QString("Probability:"));
        QCOMPARE(child<QLabel>(c, "lblHint")->text(), QString("(0 to 1)"));

        c.setProbType(Type::T);
        QCOMPARE(labelFor(c, value), QString("t-Value:"));
        QVERIFY(df1->isVisible() && !df2->isVisible());
        QCOMPARE(labelFor(c, df1), QString("Degrees of Freedom:"));
        c.setProbType(Type::ChiSquare);
        QCOMPARE(labelFor(c, value), QString("Chi-Square:"));
        QVERIFY(df1->isVisible() && !df2->isVisible());
        c.setProbType(Type::F);
        QCOMPARE(labelFor(c, value), QString("F-Value:"));
        QVERIFY(df1->isVisible() && df2->isVisible());
        QCOMPARE(labelFor(c, df1), QString("Degrees of Freedom #1:"));
        QCOMPARE(labelFor(c, df2), QString("Degrees of Freedom #2:"));

        // After Inverse the box holds a probability and the result is the
        // test value; Calculate turns both labels back.
        auto* caption = child<QLabel>(c, "lblResultCaption");
        auto* hint = child<QLabel>(c, "lblHint");
        const char* names[] = {"Z-Value:", "t-Value:", "Chi-Square:", "F-Value:"};
        for (int i = 0; i < 4; ++i) {
            const auto type = static_cast<Type>(i);
            QVERIFY(!std::isnan(run(c, type, "0.05", "3", "10", true)));
            QCOMPARE(labelFor(c, value), QString("Probability (0 to 1):"));
            QCOMPARE(caption->text(), QString(names[i]));
            QVERIFY(!hint->isVisible());
            QVERIFY(!std::isnan(run(c, type, "3", "3", "10", false)));
            QCOMPARE(labelFor(c, value), QString(names[i]));
            QCOMPARE(caption->text(), QString("Probability:"));
            QVERIFY(hint->isVisible());
        }
        // A type chosen after Inverse: the box still holds a probability.
        run(c, Type::Z, "0.05", "", "", true);
        c.setProbType(Type::ChiSquare);
        QCOMPARE(labelFor(c, value), QString("Probability (0 to 1):"));
        QCOMPARE(caption->text(), QString("Chi-Square:"));

        // Degrees of freedom take digits only.
        df1->clear();
        QTest::keyClicks(df1, "1-2.5e");
        QCOMPARE(df1->text(), QString("125"));
        // A box at its smallest, however the window is laid out, shows a
        // count such as 99999 whole: the text area is where QLineEdit
        // paints, less its 2-pixel margins.
        for (QLineEdit* df : {df1, df2}) {
            QStyleOptionFrame opt;
            opt.initFrom(df);
            const int least =
                df->minimumWidth() > 0 ? df->minimumWidth() : df->minimumSizeHint().width();
            opt.rect = QRect(0, 0, least, df->height());
            opt.lineWidth = df->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, df);
            const QRect area = df->style()->subElementRect(QStyle::SE_LineEditContents, &opt, df);
            QVERIFY(area.width() - 4 >= df->fontMetrics().horizontalAdvance("99999"));
        }
        c.resize(c.sizeHint());
        // A picture to look at, when asked for (QRV_GRAB_DIR=folder).
        if (qEnvironmentVariableIsSet("QRV_GRAB_DIR"))
            c.grab().save(qEnvironmentVariable("QRV_GRAB_DIR") + "/calculator.png");
    }

    void probabilities() {
        ProbabilityCalculator c(app_);
        QVERIFY(std::abs(run(c, Type::Z, "1.96", "", "", false) - 0.0499957902964409) < 1e-9);
        QVERIFY(std::abs(run(c, Type::T, "2.228", "10", "", false) - 0.0500117718171114) < 1e-7);
        // A negative t is accepted: two-tailed, the same p.
        QVERIFY(std::abs(run(c, Type::T, "-2.228", "10", "", false) - 0.0500117718171114) < 1e-7);
        QVERIFY(std::abs(run(c, Type::ChiSquare, "3.841", "1", "", false) - 0.0500136837639567) <
                1e-6);
        QVERIFY(std::abs(run(c, Type::F, "4.10", "3", "10", false) - 0.0388004804313592) < 1e-7);
        // F takes any number, a negative one by its size: P(F(3, 10) >= 2).
        QVERIFY(std::abs(run(c, Type::F, "-2", "3", "10", false) - 0.178007407375175) < 1e-7);
        QVERIFY(prompter_.shown.empty());
    }

    void criticalValues() {
        ProbabilityCalculator c(app_);
        QVERIFY(std::abs(run(c, Type::Z, "0.05", "", "", true) - 1.95996398454005) < 1e-9);
        QVERIFY(std::abs(run(c, Type::T, "0.05", "10", "", true) - 2.22813885198627) < 1e-6);
        QVERIFY(std::abs(run(c, Type::ChiSquare, "0.05", "1", "", true) - 3.84145882069413) < 1e-5);
        QVERIFY(std::abs(run(c, Type::F, "0.05", "3", "10", true) - 3.70826481904684) < 1e-5);
        QVERIFY(prompter_.shown.empty());
    }

    void refusals() {
        ProbabilityCalculator c(app_);
        c.show();
        auto* value = child<QLineEdit>(c, "txtTestValue");
        const auto expectRefusal = [&](const char* text, QWidget* focus) {
            QCOMPARE(prompter_.shown.size(), std::size_t(1));
            QCOMPARE(prompter_.shown[0].caption, std::string("Quorvane"));
            QCOMPARE(prompter_.shown[0].text, std::string(text));
            QVERIFY(c.result().isEmpty());
            if (focus) QCOMPARE(c.focusWidget(), focus);
            prompter_.shown.clear();
        };
        run(c, Type::Z, "abc", "", "", false);
        expectRefusal("The test value must be numeric.", nullptr);
        run(c, Type::T, "", "5", "", true);
        expectRefusal("The test value must be numeric.", nullptr);
        run(c, Type::Z, "-1.96", "", "", false);
        expectRefusal("Test value must be greater than zero.", value);
        run(c, Type::ChiSquare, "0", "3", "", false);
        expectRefusal("Test value must be greater than zero.", value);
        for (const char* p : {"0", "1", "1.5", "-0.2"}) {
            run(c, Type::Z, p, "", "", true);
            expectRefusal("Probabilty value must be greater than zero and less than one.", value);
        }
        // A missing count of degrees of freedom is asked for, not taken as 0.
        run(c, Type::F, "2", "3", "", false);
        expectRefusal("Degrees of freedom must be a whole number greater than zero.",
                      child<QLineEdit>(c, "txtDF2"));
        run(c, Type::T, "2", "0", "", false);
        expectRefusal("Degrees of freedom must be a whole number greater than zero.",
                      child<QLineEdit>(c, "txtDF1"));
        // A result stays until the inputs change.
        QVERIFY(!std::isnan(run(c, Type::Z, "1", "", "", false)));
        value->setText("2");
        QTest::keyClick(value, Qt::Key_0);
        QVERIFY(c.result().isEmpty());
    }

    void closeAndHelp() {
        int helps = 0;
        app_.Actions().showHelp = [&] { ++helps; };
        QWidget frame;
        OpenCalculator(app_, &frame);
        auto* c = frame.findChild<ProbabilityCalculator*>("frmQuorvane_Calculator");
        QVERIFY(c && c->isVisible() && !c->isModal());
        // A second request brings the same window forward.
        OpenCalculator(app_, &frame);
        QCOMPARE(frame.findChildren<ProbabilityCalculator*>().size(), 1);
        QTest::mouseClick(child<QPushButton>(*c, "cmdHelp"), Qt::LeftButton);
        QCOMPARE(helps, 1);
        c->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(c));
        QTest::keyClick(c, Qt::Key_F1);
        QCOMPARE(helps, 2);
        QTest::mouseClick(child<QPushButton>(*c, "cmdClose"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame.findChildren<ProbabilityCalculator*>().size(), 0);
        app_.Actions().showHelp = nullptr;
    }
};

QTEST_MAIN(ProbabilityCalculatorTest)
#include "probability_calculator_test.moc"
