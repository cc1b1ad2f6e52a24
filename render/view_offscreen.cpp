// The view's frames drawn into framebuffers of its own: multisampled frames
// for smooth edges, resolved into the widget's, and still frames at any size
// for pictures and films.

#include "view_widget.h"
#include "view_framebuffers.h"

#include "frame_renderer.h"
#include "scene.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

#include <GL/gl.h>

namespace korvex {

void ViewWidget::setSmoothEdges(bool on) {
    if (smooth_ == on) return;
    smooth_ = on;
    requestFrame();
}

ViewWidget::Multisampled* ViewWidget::smoothTarget() {
    if (!smooth_) {
        smoothTarget_.reset();
        return nullptr;
    }
    const qreal ratio = devicePixelRatio();
    const QSize size(qRound(width() * ratio), qRound(height() * ratio));
    if (size.isEmpty()) return nullptr;
    if (!smoothTarget_ || !smoothTarget_->fits(size, SmoothSamples))
        smoothTarget_ = std::make_unique<Multisampled>(size, SmoothSamples);
    // A display that grants no samples draws straight into the widget.
    if (!smoothTarget_->valid() || smoothTarget_->granted() == 0) return nullptr;
    return smoothTarget_.get();
}

std::vector<uint8_t> ViewWidget::drawStillPixels(const ViewState& view, const StillFrame& still, int samples) {
    std::vector<uint8_t> pixels;
    if (still.width <= 0 || still.height <= 0) return pixels;
    withContext([&] {
        const QSize size(still.width, still.height);
        const int affordable = affordableSamples(still.width, still.height, samples);
        if (!stillTarget_ || !stillTarget_->fits(size, affordable))
            stillTarget_ = std::make_unique<Multisampled>(size, affordable);
        if (!stillTarget_->valid()) {
            stillTarget_.reset();
            return;
        }
        stillTarget_->bind();
        // The view's own state, borrowed for the frame and given back.
        const ViewState shown = state_.view;
        const int32_t selected = state_.SelectedPart;
        state_.view = view;
        state_.SelectedPart = -1;
        drawStill(state_, controls_(), still);
        state_.view = shown;
        state_.SelectedPart = selected;
        pixels = stillTarget_->readRgba();
        const qreal ratio = devicePixelRatio();
        resizeView(qRound(width() * ratio), qRound(height() * ratio));
        QOpenGLContext::currentContext()->extraFunctions()->glBindFramebuffer(GL_FRAMEBUFFER,
                                                                              defaultFramebufferObject());
    });
    if (still.transparent) {
        unpremultiply(pixels);
    } else {
        for (std::size_t alpha = 3; alpha < pixels.size(); alpha += 4) pixels[alpha] = 255;
    }
    return pixels;
}

QImage ViewWidget::drawPicture(const ViewState& view, const StillFrame& still, int samples) {
    const std::vector<uint8_t> pixels = drawStillPixels(view, still, samples);
    // A picture's buffers (up to a gibibyte) are not kept for the next one,
    // as a film's frames keep theirs.
    withContext([this] { stillTarget_.reset(); });
    if (pixels.empty()) return {};
    return QImage(pixels.data(), still.width, still.height, static_cast<qsizetype>(still.width) * 4,
                  still.transparent ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888)
        .copy();
}

}  // namespace korvex
