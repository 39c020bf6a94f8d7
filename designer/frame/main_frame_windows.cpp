// The frame's child windows: the Window menu (arrangements and the list of
// open windows), Ctrl+F4, the row of minimised windows, and the rule that the
// scenario list stays while its database is open.
#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyleOptionTitleBar>
#include <QTimer>
#include <algorithm>

#include "designer/app_state.h"
#include "designer/frame/main_frame.h"
#include "designer/frame/window_arrangement.h"

namespace qrv::designer {

namespace {

constexpr const char* kAdopted = "qrvAdopted";

// Minimised windows wide enough for their whole title ("Scenario Output
// Table - " and a table name), within reason.
class WideIconStyle final : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        if (metric != PM_MdiSubWindowMinimizedWidth || !widget) return base;
        // What the title bar's buttons and icon leave of a wide bar for the
        // title tells what they take.
        constexpr int kProbe = 2000;
        QStyleOptionTitleBar bar;
        bar.initFrom(widget);
        bar.rect = QRect(0, 0, kProbe, QProxyStyle::pixelMetric(PM_TitleBarHeight, option, widget));
        bar.titleBarFlags = widget->windowFlags();
        bar.titleBarState = Qt::WindowMinimized;
        bar.subControls = SC_All;
        const int label = subControlRect(CC_TitleBar, &bar, SC_TitleBarLabel, widget).width();
        QFont bold = widget->font();
        bold.setBold(true);
        const int text = QFontMetrics(bold).horizontalAdvance(widget->windowTitle());
        const int wanted = kProbe - label + text + QFontMetrics(bold).averageCharWidth();
        return std::clamp(wanted, base, 70 * widget->fontMetrics().averageCharWidth());
    }
};

QList<QMdiSubWindow*> minimisedOf(const QMdiArea& area) {
    QList<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : area.subWindowList())
        if (w->isMinimized() && !w->isHidden()) out << w;
    return out;
}

QList<QMdiSubWindow*> arrangeableOf(const QMdiArea& area) {
    QList<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : area.subWindowList())
        if (!w->isMinimized() && !w->isHidden()) out << w;
    return out;
}

void placeAll(const QList<QMdiSubWindow*>& windows, const std::vector<QRect>& rects) {
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized()) windows[i]->showNormal();
        windows[i]->setGeometry(rects[static_cast<size_t>(i)]);
    }
}

}  // namespace

void MainFrame::buildWindowMenu() {
    iconStyle_ = new WideIconStyle;
    iconStyle_->setParent(this);
    windowMenu_ = menuBar()->addMenu("&Window");
    windowMenu_->setObjectName("mnuWindow");
    windowMenu_->addAction("T&ile Horizontally", this, [this] { tileHorizontally(); })
        ->setObjectName("mnuWindowTileHorizontal");
    windowMenu_->addAction("&Tile Vertically", this, [this] { tileVertically(); })
        ->setObjectName("mnuWindowTileVertical");
    windowMenu_->addAction("&Cascade", this, [this] { cascade(); })
        ->setObjectName("mnuWindowCascade");
    windowMenu_->addAction("&Arrange Icons", this, [this] { arrangeIcons(); })
        ->setObjectName("mnuWindowArrange");
    mdi_->viewport()->installEventFilter(this);
    windowListSeparator_ = windowMenu_->addSeparator();
    windowListSeparator_->setVisible(false);
    connect(windowMenu_, &QMenu::aboutToShow, this, [this] { refreshWindowMenu(); });
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        adoptChildren();
        refreshWindowMenu();
    });

    auto* closeChild = new QAction("Close Window", this);
    closeChild->setObjectName("actCloseWindow");
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Close);
    if (!keys.contains(QKeySequence(Qt::CTRL | Qt::Key_F4)))
        keys.prepend(QKeySequence(Qt::CTRL | Qt::Key_F4));
    closeChild->setShortcuts(keys);
    connect(closeChild, &QAction::triggered, this, [this] { closeActiveChild(); });
    addAction(closeChild);
}

void MainFrame::refreshWindowMenu() {
    for (QAction* a : windowItems_) {
        windowMenu_->removeAction(a);
        // Not at once: this may run inside one of these items' own signal.
        a->deleteLater();
    }
    windowItems_.clear();
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    QMdiSubWindow* current = mdi_->currentSubWindow();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        if (w->isHidden() && !w->isMinimized()) continue;
        ++n;
        QString title = w->windowTitle();
        title.replace('&', "&&");
        const QString number = n <= 9 ? QString("&%1").arg(n) : QString::number(n);
        auto* item = new QAction(number + " " + title, windowMenu_);
        item->setObjectName(QString("mnuWindowItem%1").arg(n));
        item->setCheckable(true);
        item->setChecked(w == current);
        QPointer<QMdiSubWindow> target(w);
        connect(item, &QAction::triggered, this, [this, target] {
            if (target) activateChild(target);
        });
        windowMenu_->addAction(item);
        windowItems_ << item;
    }
    windowListSeparator_->setVisible(n > 0);
}

QMenu* MainFrame::showWindowMenu() {
    refreshWindowMenu();
    menuBar()->setActiveAction(windowMenu_->menuAction());
    return windowMenu_;
}

void MainFrame::activateChild(QMdiSubWindow* child) {
    if (!child) return;
    if (child->isMinimized()) child->showNormal();
    child->show();
    mdi_->setActiveSubWindow(child);
    refreshWindowMenu();
}

void MainFrame::closeActiveChild() {
    QMdiSubWindow* w = mdi_->currentSubWindow();
    if (!w) return;
    if (w == listWindow_ && app_.HasDatabase() && !closingChildren_) {
        statusBar()->showMessage(
            "The scenario list stays open while a database is open; Close Database closes it.",
            5000);
        return;
    }
    w->close();
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == mdi_->viewport()) {
        // A list window filling the area keeps filling it.
        const auto* resize = static_cast<QResizeEvent*>(event);
        QMdiSubWindow* list = listWindow_;
        if (list && !list->isMinimized() && !list->isMaximized() &&
            list->geometry() == QRect(QPoint(0, 0), resize->oldSize()))
            list->setGeometry(QRect(QPoint(0, 0), resize->size()));
        // The area's own placing of icons on a resize would cover the list.
        iconsChanged();
    }
    if (event->type() == QEvent::Close && watched == listWindow_ && app_.HasDatabase() &&
        !closingChildren_) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainFrame::adoptChildren() {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (w->property(kAdopted).toBool()) continue;
        w->setProperty(kAdopted, true);
        w->setStyle(iconStyle_);
        // Each child's own window menu binds Ctrl+F4 too; two bindings of a
        // key cancel each other out, so the frame's is the one that acts and
        // the child's menu only shows the key.
        if (QMenu* menu = w->systemMenu())
            for (QAction* a : menu->actions()) {
                if (a->shortcuts().isEmpty()) continue;
                a->setText(a->text() + '\t' + a->shortcut().toString(QKeySequence::NativeText));
                a->setShortcuts({});
            }
        // After the area's own placing of icons, which would cover the list.
        connect(w, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates before, Qt::WindowStates now) {
                    if ((before ^ now) & Qt::WindowMinimized) iconsChanged();
                });
        connect(w, &QObject::destroyed, this, [this] { iconsChanged(); });
        connect(w, &QWidget::windowTitleChanged, this, [this] { refreshWindowMenu(); });
    }
}

void MainFrame::iconsChanged() {
    if (iconsPending_ || closingChildren_) return;
    iconsPending_ = true;
    QTimer::singleShot(0, this, [this] {
        iconsPending_ = false;
        arrangeIcons();
        refreshWindowMenu();
    });
}

QRect MainFrame::childArea() const {
    // Before the frame first shows, the area's viewport is not laid out yet.
    if (!mdi_->isVisible()) return QRect(QPoint(0, 0), mdi_->contentsRect().size());
    return mdi_->viewport()->rect();
}

QRect MainFrame::areaAboveIcons() const {
    QRect area = childArea();
    const QList<QMdiSubWindow*> icons = minimisedOf(*mdi_);
    if (icons.isEmpty()) return area;
    int top = area.bottom() + 1;
    for (QMdiSubWindow* w : icons) top = std::min(top, w->y());
    area.setBottom(std::max(area.top() + area.height() / 3, top - 1));
    return area;
}

void MainFrame::tileHorizontally() {
    const QList<QMdiSubWindow*> shown = arrangeableOf(*mdi_);
    if (shown.isEmpty()) return;
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    placeAll(shown,
             TileRects(areaAboveIcons(), static_cast<int>(shown.size()), false, 3 * titleBar));
}

void MainFrame::tileVertically() {
    const QList<QMdiSubWindow*> shown = arrangeableOf(*mdi_);
    if (shown.isEmpty()) return;
    const int minWidth = 24 * fontMetrics().averageCharWidth();
    placeAll(shown, TileRects(areaAboveIcons(), static_cast<int>(shown.size()), true, minWidth));
}

void MainFrame::cascade() {
    QList<QMdiSubWindow*> shown = arrangeableOf(*mdi_);
    if (shown.isEmpty()) return;
    // The current window last, on top: every title bar above it shows.
    if (QMdiSubWindow* current = mdi_->currentSubWindow(); shown.removeOne(current))
        shown << current;
    // A whole title bar between one window's top and the next.
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight) +
                     2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    placeAll(shown, CascadeRects(areaAboveIcons(), static_cast<int>(shown.size()), step));
    for (QMdiSubWindow* w : shown) w->raise();
}

void MainFrame::arrangeIcons() {
    adoptChildren();
    const QRect area = childArea();
    const QList<QMdiSubWindow*> icons = minimisedOf(*mdi_);
    if (icons.isEmpty()) {
        fitListAbove(area.bottom() + 1);
        return;
    }
    QSize icon(0, 0);
    for (QMdiSubWindow* w : icons) icon = icon.expandedTo(w->size());
    const std::vector<QRect> rects = IconRects(area, static_cast<int>(icons.size()), icon);
    int top = area.bottom() + 1;
    for (qsizetype i = 0; i < icons.size(); ++i) {
        const QRect& r = rects[static_cast<size_t>(i)];
        icons[i]->setGeometry(QRect(r.topLeft(), icons[i]->size()));
        icons[i]->raise();
        top = std::min(top, r.top());
    }
    fitListAbove(top);
}

void MainFrame::fitListAbove(int top) {
    QMdiSubWindow* list = listWindow_;
    if (!list || list->isMinimized() || list->isHidden()) return;
    const QRect area = childArea();
    const bool icons = top <= area.bottom();
    if (!icons) {
        // The icons have gone: the list gets back the room it gave up.
        if (listFullHeight_ > 0 && !list->isMaximized()) {
            QRect g = list->geometry();
            g.setHeight(std::min(listFullHeight_, area.bottom() + 1 - g.y()));
            list->setGeometry(g);
        }
        listFullHeight_ = 0;
        return;
    }
    QRect g = list->geometry();
    if (list->isMaximized()) {
        list->showNormal();
        g = area;
        listFullHeight_ = std::max(listFullHeight_, area.height());
    } else if (g.bottom() < top) {
        return;
    } else if (listFullHeight_ == 0) {
        listFullHeight_ = g.height();
    }
    // Its buttons stay above the icons; it moves up when too little is left.
    const int minHeight = std::min(list->minimumSizeHint().height(), top - area.top());
    if (top - g.y() < minHeight) g.moveTop(std::max(area.top(), top - minHeight));
    g.setBottom(top - 1);
    list->setGeometry(g);
}

}  // namespace qrv::designer
