#include "util/help_window.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

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
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    resize(720, 560);
    browser_->setSource(home_);
}

QRect HelpWindow::placement(const QRect& available, const QRect& over, const QSize& size,
                            const QMargins& frame) {
    // The whole window, its frame included, fits on the screen: shrunk when
    // the screen is small, centred over the caller where there is room.
    const QRect inner = available.marginsRemoved(frame);
    QRect r(QPoint(0, 0), size.boundedTo(inner.size()).expandedTo(QSize(1, 1)));
    r.moveCenter(over.isValid() ? over.center() : available.center());
    r.moveLeft(
        std::clamp(r.left(), inner.left(), std::max(inner.left(), inner.right() + 1 - r.width())));
    r.moveTop(
        std::clamp(r.top(), inner.top(), std::max(inner.top(), inner.bottom() + 1 - r.height())));
    return r;
}

void HelpWindow::placeOnScreen() {
    QWidget* caller = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = caller ? caller->screen() : this->screen();
    if (!screen) return;
    // Before the first showing the frame is not known yet: allow for a title
    // bar and thin borders.
    const QRect inner = geometry(), outer = frameGeometry();
    QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                   outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (frame.isNull()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        frame = QMargins(border, title + border, border, border);
    }
    const QRect over = caller && caller->isVisible() ? caller->frameGeometry() : QRect();
    setGeometry(placement(screen->availableGeometry(), over, size(), frame));
}

void HelpWindow::showTopic(const QString& anchor) {
    QUrl url = home_;
    if (!anchor.isEmpty()) url.setFragment(anchor);
    browser_->setSource(url);
    if (!isVisible()) placeOnScreen();
    show();
    raise();
    activateWindow();
}

}  // namespace qrv::util
