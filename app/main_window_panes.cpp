// Laying out the main window's panes as they change size, and the two drag
// bars of the left pane: the one under the tree sets the tree's height, the
// one along the pane's right edge its width.

#include "main_window.h"

#include "main_window_metrics.h"
#include "ui/part_options_panel.h"

#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTreeView>

#include <algorithm>
#include <cmath>

namespace korvex {

using namespace window_metrics;

void MainWindow::connectDragBars() {
    for (MousePanel* panel : {paneSplitter, widthSplitter}) {
        panel->onDown = [this](QPoint at) { startDrag(at); };
        panel->onUp = [this](QPoint at) { endDrag(at); };
    }
    paneSplitter->onMove = [this](QPoint at) {
        if (!state_.view.Dragging) return;
        const int newTop = paneSplitter->y() + at.y() - state_.view.LastMouseY;
        if (newTop > 4 && newTop < leftPane->height() - 64) {
            paneSplitter->move(paneSplitter->x(), newTop);
            splitterShare_ = static_cast<double>(newTop) / leftPane->height();
        }
        layoutLeftPane();
    };
    widthSplitter->onMove = [this](QPoint at) {
        if (!state_.view.Dragging) return;
        // The grab point stays under the pointer because the bar moves with
        // it, so the remembered position is kept.
        const int newLeft = std::max(widthSplitter->x() + at.x() - state_.view.LastMouseX, NarrowestDraggedBar);
        widthSplitter->move(newLeft, widthSplitter->y());
        setLeftPaneWidth(std::min(newLeft + WidthSplitterWidth, widestLeftPane()));
    };
}

void MainWindow::startDrag(QPoint at) {
    state_.view.Dragging = true;
    state_.view.LastMouseX = at.x();
    state_.view.LastMouseY = at.y();
}

void MainWindow::endDrag(QPoint) {
    state_.view.Dragging = false;
}

void MainWindow::layoutClient() {
    const int height = client_->height();
    // The pane keeps the width it was given while the window leaves the
    // view room beside it, and gets it back once the window is wide again.
    const int paneWidth = std::min(leftPaneWidth_, widestLeftPane());
    leftPane->setGeometry(0, 0, paneWidth, height);
    view->setGeometry(paneWidth, 0, std::max(0, client_->width() - paneWidth), height);
}

int MainWindow::widestLeftPane() const {
    return std::max(NarrowestPane, client_->width() - NarrowestView);
}

void MainWindow::setLeftPaneWidth(int width) {
    leftPaneWidth_ = width;
    layoutClient();
}

void MainWindow::layoutLeftPane() {
    if (leftPane->width() < NarrowestPane) setLeftPaneWidth(NarrowestPane);
    const int paneWidth = leftPane->width();
    const int paneHeight = leftPane->height();
    // The bar under the tree keeps its share of the pane's height through
    // any change of size, within the limits a drag has.
    const int shareTop = static_cast<int>(std::lround(splitterShare_ * paneHeight));
    paneSplitter->move(paneSplitter->x(), std::max(5, std::min(shareTop, paneHeight - 65)));
    widthSplitter->move(widthSplitter->x(), 0);
    widthSplitter->setGeometry(paneWidth - WidthSplitterWidth, widthSplitter->y(), WidthSplitterWidth, paneHeight);
    paneSplitter->resize(paneWidth - WidthSplitterWidth, paneSplitter->height());
    partTree->resize(paneWidth - 8, paneSplitter->y() - 2);
    const int tabsTop = paneSplitter->y() + paneSplitter->height() + 1;
    tabs->setGeometry(2, tabsTop, paneWidth - WidthSplitterWidth, paneHeight - tabsTop);
}

void MainWindow::layoutTabs() {
    const int width = tabs->width();
    const int height = tabs->height();
    tabBar->setGeometry(0, 0, width, tabBar->sizeHint().height());
    logView->setGeometry(3, 24, width - 8, height - 27);
    // Below the tab bar, never over it.
    const int top = tabBar->geometry().bottom() + 1;
    optionsScroll->setGeometry(0, top, width, std::max(0, height - top));
    // The bars are decided here rather than left to the scroll area, which
    // decides while hidden from sizes it does not have yet. Where the room is
    // narrower than the panel was designed, the panel gives up its empty
    // right margin before the room scrolls across.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int contentsWidth = optionsPanel->childrenRect().right() + 1;
    bool down = optionsPanel->height() > optionsScroll->height();
    const bool across = width - (down ? extent : 0) < contentsWidth;
    down = down || (across && optionsPanel->height() > optionsScroll->height() - extent);
    optionsScroll->setVerticalScrollBarPolicy(down ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    optionsScroll->setHorizontalScrollBarPolicy(across ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int room = width - (down ? extent : 0);
    optionsPanel->resize(std::clamp(room, contentsWidth, std::max(contentsWidth, OptionsPanelWidth)),
                         optionsPanel->height());
}

void MainWindow::tabChanged() {
    logView->hide();
    optionsScroll->hide();
    if (tabBar->currentIndex() == 0) logView->show();
    if (tabBar->currentIndex() == 1) optionsScroll->show();
}

}  // namespace korvex
