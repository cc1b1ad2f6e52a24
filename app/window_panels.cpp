#include "window_panels.h"

#include <QMouseEvent>
#include <QResizeEvent>

namespace korvex {

void MousePanel::mousePressEvent(QMouseEvent* event) {
    if (onDown) onDown(event->position().toPoint());
}

void MousePanel::mouseMoveEvent(QMouseEvent* event) {
    if (onMove) onMove(event->position().toPoint());
}

void MousePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (onUp) onUp(event->position().toPoint());
}

void ResizingPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResize) onResize();
}

void ResizingPanel::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (onClick) onClick();
}

}  // namespace korvex
