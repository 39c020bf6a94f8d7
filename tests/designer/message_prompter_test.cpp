// The designer's real message boxes: which answer Enter gives, and the
// password question's masked box. Each box is answered by keys sent to it
// once it is the modal window.
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "util/message_prompter.h"

using qrv::util::MessageBoxPrompter;

namespace {

// Runs f on the modal window as soon as there is one.
void whenModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] {
        if (QWidget* modal = QApplication::activeModalWidget())
            f(modal);
        else
            whenModal(f);
    });
}

}  // namespace

class MessagePrompterTest : public QObject {
    Q_OBJECT
  private slots:
    void enterAnswersNoOnlyToDestructiveQuestions() {
        struct Case {
            bool destructive;
            bool enterAnswer;
        };
        for (const Case c : {Case{true, false}, Case{false, true}}) {
            MessageBoxPrompter prompter;
            QString defaultText;
            whenModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                for (QPushButton* b : box->findChildren<QPushButton*>())
                    if (b->isDefault()) defaultText = b->text();
                QTest::keyClick(box, Qt::Key_Return);
            });
            const bool answer = c.destructive ? prompter.askDestructive("Quorvane", "Delete it?")
                                              : prompter.askYesNo("Quorvane", "Create them?");
            QCOMPARE(answer, c.enterAnswer);
            QCOMPARE(defaultText.remove('&'), c.enterAnswer ? QString("Yes") : QString("No"));
        }
    }

    void passwordIsAskedMaskedAndMayBeDeclined() {
        MessageBoxPrompter prompter;
        bool masked = false;
        whenModal([&](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>();
            QVERIFY(edit);
            masked = edit->echoMode() == QLineEdit::Password;
            QTest::keyClicks(edit, "s3 cret");
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QCOMPARE(prompter.askPassword("Quorvane", "Password for x.db:"),
                 std::optional<std::string>("s3 cret"));
        QVERIFY(masked);

        whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(prompter.askPassword("Quorvane", "Password for x.db:"), std::nullopt);
    }
};

QTEST_MAIN(MessagePrompterTest)
#include "message_prompter_test.moc"
