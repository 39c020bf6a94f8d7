#include "designer/tools/unexpected_error_window.h"
#include "util/help_button.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

namespace qrv::designer::tools {

namespace {

QPushButton* button(const char* caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

}  // namespace

UnexpectedErrorWindow::UnexpectedErrorWindow(AppState& app, util::DesktopLauncher& desktop,
                                             const CErr_Zelk& handler, QWidget* parent)
    : QDialog(parent),
      app_(app),
      desktop_(desktop),
      errorFile_(handler.Destination()),
      message_(handler.ErrorMessage()) {
    setObjectName("frmErrorHandler");
    setWindowTitle("Unexpected Error");

    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(side, side));
    icon->setAlignment(Qt::AlignTop);

    auto* intro = label(
        QString(kAppTitle) + " " + "has encountered the following unanticipated error:", "lblIntro",
        this);
    intro->setWordWrap(false);  // one line: it sets the width the rest wraps to
    intro->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QString shown = QString::fromStdString(message_);
    shown.replace("\r\n", "\n");
    auto* message = label(shown, "lblMessage", this);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message->setFrameShape(QFrame::StyledPanel);
    message->setMargin(6);
    auto* fileText = label(QString("View the error file using NotePad.") + " (located in " +
                               QString::fromStdString(errorFile_) + ")",
                           "lblErrorFile", this);
    fileText->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* cmdView = button("&View Error File", "cmdViewErrorFile", this);
    auto* cmdHelp = util::MakeHelpButton(this, [this] { showHelp(); });
    auto* cmdReadMe = button("&Read Me", "cmdReadMe", this);
    auto* cmdMail = button("&Mail Error File", "cmdMail", this);
    auto* cmdWeb = button("Support &Web Page", "cmdWeb", this);
    auto* cmdContinue = button("&Continue", "cmdContinue", this);
    cmdContinue->setDefault(true);
    auto* cmdClose = button("C&lose", "cmdClose", this);
    connect(cmdView, &QPushButton::clicked, this, &UnexpectedErrorWindow::viewErrorFile);
    connect(cmdReadMe, &QPushButton::clicked, this, &UnexpectedErrorWindow::openReadMe);
    connect(cmdMail, &QPushButton::clicked, this, &UnexpectedErrorWindow::mailErrorFile);
    connect(cmdWeb, &QPushButton::clicked, this, &UnexpectedErrorWindow::visitSupportPage);
    connect(cmdContinue, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* text = new QVBoxLayout;
    text->addWidget(intro);
    text->addWidget(message);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileText, 1);
    fileRow->addWidget(cmdView);
    text->addLayout(fileRow);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);

    auto* support = new QHBoxLayout;
    for (QPushButton* b : {cmdHelp, cmdReadMe, cmdMail, cmdWeb}) support->addWidget(b);
    support->addStretch();
    auto* decide = new QHBoxLayout;
    decide->addStretch();
    decide->addWidget(cmdContinue);
    decide->addWidget(cmdClose);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(support);
    main->addLayout(decide);
    setMinimumWidth(fontMetrics().horizontalAdvance(QString(75, 'x')));
    adjustSize();  // wrapped labels at the width the window really has
    cmdContinue->setFocus();
}

void UnexpectedErrorWindow::viewErrorFile() {
    const QString path = QString::fromStdString(errorFile_);
    if (!QFileInfo::exists(path)) {
        app_.Prompts().inform(kAppTitle, "The error file " + errorFile_ + " was not found.");
        return;
    }
    if (!desktop_.openFile(path.toStdString()))
        app_.Prompts().inform(kAppTitle, "No program was found to show " + errorFile_ + ".");
}

void UnexpectedErrorWindow::openReadMe() {
    // The read-me of the program's folder; our distribution ships it as README.md.
    const QString dir = QString::fromStdString(app_.ProgramDir());
    for (const char* name : {"/readme.txt", "/README.md"}) {
        const QString path = dir + name;
        if (QFileInfo::exists(path)) {
            if (!desktop_.openFile(path.toStdString()))
                app_.Prompts().inform(kAppTitle,
                                      "No program was found to show " + path.toStdString() + ".");
            return;
        }
    }
    app_.Prompts().inform(kAppTitle,
                          "The read-me file " + app_.ProgramDir() + "/readme.txt was not found.");
}

void UnexpectedErrorWindow::mailErrorFile() {
    // A mail link cannot carry an attachment: the message says what failed
    // and where the file is, for the user to attach.
    const auto encode = [](const QString& text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    };
    QString body = QString::fromStdString(message_);
    body.replace("\r\n", "\n");
    body += "\n\nPlease attach the error file " + QString::fromStdString(errorFile_) + "\n";
    const QUrl url(QString("mailto:") + kSupportMail + "?subject=" +
                   encode(QString(kAppTitle) + " Error log") + "&body=" + encode(body));
    if (!desktop_.openUrl(url.toString(QUrl::FullyEncoded).toStdString()))
        app_.Prompts().critical(kAppTitle, "Unable to sign on to server");
}

void UnexpectedErrorWindow::visitSupportPage() {
    if (!desktop_.openUrl(kSupportPage))
        app_.Prompts().inform(
            kAppTitle, std::string("No web browser was found to show ") + kSupportPage + ".");
}

void UnexpectedErrorWindow::showHelp() {
    if (app_.Actions().showHelp) app_.Actions().showHelp();
}

DesignerErrorWindow::DesignerErrorWindow(AppState& app, util::DesktopLauncher& desktop,
                                         QWidget* parent)
    : app_(app),
      desktop_(desktop),
      parent_(parent),
      handlerDisplayed_(app.Errors().DisplayError()) {
    // Every unexpected error of the program reaches its handler: shown here,
    // with the error file named, and not in the handler's plain message box.
    CErr_Zelk& errors = app_.Errors();
    if (!handlerDisplayed_) return;
    errors.SetDisplayError(false);
    errors.OnAfterHandlerCalled([this](const CErr_Zelk& handler) {
        return ShowUnexpectedError(handler) ? CErr_Zelk::Outcome::Continue
                                            : CErr_Zelk::Outcome::Cancelled;
    });
}

DesignerErrorWindow::~DesignerErrorWindow() {
    if (!handlerDisplayed_) return;
    app_.Errors().OnAfterHandlerCalled(nullptr);
    app_.Errors().SetDisplayError(true);
}

bool DesignerErrorWindow::ShowUnexpectedError(const CErr_Zelk& handler) {
    if (QThread::currentThread() == thread()) return showOnGuiThread(handler);
    // The worker waits here, and the handler it passed stays put, while the
    // GUI thread shows the window.
    bool answer = false;
    QMetaObject::invokeMethod(
        this, [&] { answer = showOnGuiThread(handler); }, Qt::BlockingQueuedConnection);
    return answer;
}

bool DesignerErrorWindow::showOnGuiThread(const CErr_Zelk& handler) {
    UnexpectedErrorWindow window(app_, desktop_, handler, parent_);
    return present(window);
}

bool DesignerErrorWindow::present(UnexpectedErrorWindow& window) {
    return window.exec() == QDialog::Accepted;
}

}  // namespace qrv::designer::tools
