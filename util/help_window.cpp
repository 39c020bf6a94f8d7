#include "util/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "util/desktop_launcher.h"

namespace qrv::util {

HelpWindow::HelpWindow(const QString& home, DesktopLauncher& launcher, QWidget* parent)
    : QWidget(parent, Qt::Window),
      browser_(new QTextBrowser(this)),
      home_(home),
      launcher_(launcher) {
    setObjectName("HelpWindow");
    setWindowTitle(tr("Quorvane Help"));
    browser_->setObjectName("txtHelp");
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    // Web links leave the help window for the browser; the page stays put.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == "http" || url.scheme() == "https" || url.scheme() == "mailto") {
            launcher_.openUrl(url.toString().toStdString());
            browser_->setSource(browser_->source());
        }
    });

    auto* back = new QPushButton(tr("&Back"), this);
    auto* forward = new QPushButton(tr("&Forward"), this);
    auto* homeButton = new QPushButton(tr("&Contents"), this);
    auto* close = new QPushButton(tr("C&lose"), this);
    back->setObjectName("cmdBack");
    forward->setObjectName("cmdForward");
    homeButton->setObjectName("cmdHome");
    close->setObjectName("cmdClose");
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(homeButton, &QPushButton::clicked, this, [this] { showTopic(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::historyChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Quorvane Help") : title);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(homeButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(720, 560);
    browser_->setSource(home_);
}

void HelpWindow::showTopic(const QString& anchor) {
    QUrl url = home_;
    if (!anchor.isEmpty()) url.setFragment(anchor);
    browser_->setSource(url);
    show();
    raise();
    activateWindow();
}

}  // namespace qrv::util
