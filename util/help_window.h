// The help viewer: one window showing the program's help pages (HTML kept in
// the program's resources), with back, forward and home. Links to web pages
// go to the desktop's browser; links between help pages stay in the window.
#pragma once

#include <QMargins>
#include <QRect>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace qrv::util {

class DesktopLauncher;

class HelpWindow final : public QWidget {
    Q_OBJECT
  public:
    // home: the first page, e.g. "qrc:/help/index.html".
    HelpWindow(const QString& home, DesktopLauncher& launcher, QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }
    // Shows the first page (or the page's anchor "#name") and raises the
    // window; a window not yet shown is first placed on its caller's screen.
    // Escape closes it.
    void showTopic(const QString& anchor = {});

    // Where a window of size (plus frame) goes: centred over `over` (or the
    // screen when it is empty), moved and shrunk to lie within available.
    static QRect placement(const QRect& available, const QRect& over, const QSize& size,
                           const QMargins& frame);

  private:
    void placeOnScreen();

    QTextBrowser* browser_;
    QUrl home_;
    DesktopLauncher& launcher_;
};

}  // namespace qrv::util
