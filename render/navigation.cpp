#include "navigation.h"

namespace korvex {

void viewMousePress(ViewState& view, MouseButton button, int32_t x, int32_t y) {
    view.Dragging = true;
    view.LastMouseX = x;
    view.LastMouseY = y;
    view.DragButton = button;
}

void viewMouseMove(ViewState& view, int32_t x, int32_t y) {
    if (!view.Dragging) return;
    // Whole pixels first, then the division.
    const int32_t across = view.LastMouseX - x;
    const int32_t down = view.LastMouseY - y;
    view.RotationY -= static_cast<float>(across) / 2.0f;
    if (view.DragButton == MouseButton::Left) {
        view.RotationX -= static_cast<float>(down) / 5.0f;
    } else if (view.DragButton == MouseButton::Right) {
        view.ZoomZ -= static_cast<float>(down) / 20.0f;
        if (view.ZoomZ >= 0.0f) view.ZoomZ = 0.0f;
    }
    view.LastMouseX = x;
    view.LastMouseY = y;
}

void viewMouseRelease(ViewState& view) {
    view.Dragging = false;
}

}  // namespace korvex
