#pragma once
// Plain panels of the main window that hand what happens to them to the
// window: the drag bars, the black stand-in for a view without OpenGL, and
// the panes that lay out their children when they change size.

#include <QFrame>
#include <QWidget>

#include <functional>

namespace korvex {

// A panel that hands its mouse presses, moves and releases to the window.
class MousePanel : public QFrame {
public:
    using Handler = std::function<void(QPoint)>;
    explicit MousePanel(QWidget* parent) : QFrame(parent) {}
    Handler onDown, onMove, onUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A widget that reports its size changes (and clicks on its background).
class ResizingPanel : public QWidget {
public:
    explicit ResizingPanel(QWidget* parent) : QWidget(parent) {}
    std::function<void()> onResize, onClick;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace korvex
