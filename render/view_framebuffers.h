#pragma once
// The view's own framebuffers (see view_offscreen.cpp): within the view's
// sources only.

#include "still_frame.h"
#include "view_widget.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

#include <GL/gl.h>

#include <memory>
#include <vector>

namespace korvex {

// A colour and depth buffer of `size` with the samples asked for (or fewer:
// what the driver granted), and a plain one the samples are resolved into
// to be read back or shown.
class ViewWidget::Multisampled {
public:
    Multisampled(QSize size, int samples) : size_(size), asked_(samples) {
        QOpenGLFramebufferObjectFormat format;
        format.setAttachment(QOpenGLFramebufferObject::Depth);
        format.setInternalTextureFormat(GL_RGBA8);
        format.setSamples(samples);
        // Whatever was bound before (the widget's own) is bound again after.
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        drawn_ = std::make_unique<QOpenGLFramebufferObject>(size, format);
        if (drawn_->isValid()) {
            drawn_->bind();
            GLint granted = 0;
            glGetIntegerv(GL_SAMPLES, &granted);
            granted_ = granted;
        }
        QOpenGLContext::currentContext()->extraFunctions()->glBindFramebuffer(GL_FRAMEBUFFER,
                                                                              static_cast<GLuint>(bound));
    }

    bool valid() const { return drawn_->isValid(); }
    bool fits(QSize size, int samples) const { return size_ == size && asked_ == samples; }
    int granted() const { return granted_; }
    void bind() { drawn_->bind(); }

    // Resolves the samples into the framebuffer `target` of the same size.
    void resolveInto(GLuint target) {
        QOpenGLExtraFunctions* gl = QOpenGLContext::currentContext()->extraFunctions();
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, drawn_->handle());
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
        gl->glBlitFramebuffer(0, 0, size_.width(), size_.height(), 0, 0, size_.width(), size_.height(),
                              GL_COLOR_BUFFER_BIT, GL_NEAREST);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
    }

    // R,G,B,A bytes as drawn, top row first.
    std::vector<uint8_t> readRgba() {
        GLuint from = drawn_->handle();
        if (granted_ > 0) {
            if (!resolved_) resolved_ = std::make_unique<QOpenGLFramebufferObject>(size_);
            resolveInto(resolved_->handle());
            from = resolved_->handle();
        }
        QOpenGLContext::currentContext()->extraFunctions()->glBindFramebuffer(GL_FRAMEBUFFER, from);
        std::vector<uint8_t> pixels(static_cast<std::size_t>(size_.width()) * static_cast<std::size_t>(size_.height()) *
                                    4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, size_.width(), size_.height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        flipRows(pixels, size_.width(), size_.height(), 4);
        return pixels;
    }

private:
    QSize size_;
    int asked_ = 0, granted_ = 0;
    std::unique_ptr<QOpenGLFramebufferObject> drawn_, resolved_;
};

}  // namespace korvex
