// The fixed-pitch font: whatever font it starts from and whatever families the
// machine has, the face it resolves to is fixed-pitch and keeps the size and
// weight asked for.
#include <QFontDatabase>
#include <QFontInfo>
#include <QtTest>

#include "util/fonts.h"

using qrv::util::FixedPitchFont;
using qrv::util::FixedPitchLike;

namespace {

QFont sized(QFont font, double points, bool bold) {
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

class FontsTest : public QObject {
    Q_OBJECT
  private slots:
    void systemChoiceIsFixedAndStable() {
        const QFont font = FixedPitchFont();
        QVERIFY2(QFontInfo(font).fixedPitch(), qPrintable(QFontInfo(font).family()));
        QCOMPARE(QFontInfo(FixedPitchFont()).family(), QFontInfo(font).family());
    }

    void anyStartEndsFixed_data() {
        QTest::addColumn<QFont>("base");
        const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        QFont serif;
        serif.setStyleHint(QFont::Serif);
        serif.setFamilies({"Serif"});
        QFont pixels = general;
        pixels.setPixelSize(17);
        QTest::newRow("general text") << general;
        QTest::newRow("general, large bold") << sized(general, 14.5, true);
        QTest::newRow("system fixed") << fixed;
        QTest::newRow("system fixed, bold") << sized(fixed, 11, true);
        QTest::newRow("serif") << sized(serif, 10, false);
        QTest::newRow("family nobody has") << sized(QFont("Qrv No Such Face 7"), 9, false);
        QTest::newRow("pixel sized") << pixels;
    }

    void anyStartEndsFixed() {
        QFETCH(QFont, base);
        const QFont font = FixedPitchLike(base);
        const QFontInfo got(font);
        QVERIFY2(got.fixedPitch(), qPrintable(got.family()));
        QCOMPARE(got.bold(), QFontInfo(base).bold());
        if (base.pixelSize() > 0)
            QCOMPARE(font.pixelSize(), base.pixelSize());
        else
            QCOMPARE(font.pointSizeF(), base.pointSizeF());
        // A start that is already fixed-pitch is kept as it is.
        if (QFontInfo(base).fixedPitch()) QCOMPARE(font, base);
    }

    void proportionalStartsAgreeOnTheFamily() {
        // The stand-in depends on the installed families, not on which
        // proportional font it replaces.
        const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        QFont serif;
        serif.setFamilies({"Serif"});
        if (QFontInfo(general).fixedPitch() || QFontInfo(serif).fixedPitch())
            QSKIP("this machine resolves even general text to a fixed-pitch face");
        QCOMPARE(QFontInfo(FixedPitchLike(serif)).family(),
                 QFontInfo(FixedPitchLike(general)).family());
    }
};

QTEST_MAIN(FontsTest)
#include "fonts_test.moc"
