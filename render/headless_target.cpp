#include "headless_target.h"

#include "still_frame.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>

namespace korvex {

// Framebuffer objects are not in OpenGL 1.1's library interface; their
// entry points are looked up once the context exists.
struct HeadlessTarget::Gl {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;

    bool load() {
        const auto find = [](auto& entry, const char* name) {
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(eglGetProcAddress(name));
            return entry != nullptr;
        };
        return find(genFramebuffers, "glGenFramebuffers") && find(bindFramebuffer, "glBindFramebuffer") &&
               find(deleteFramebuffers, "glDeleteFramebuffers") && find(genRenderbuffers, "glGenRenderbuffers") &&
               find(bindRenderbuffer, "glBindRenderbuffer") && find(deleteRenderbuffers, "glDeleteRenderbuffers") &&
               find(renderbufferStorage, "glRenderbufferStorage") &&
               find(framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
               find(checkFramebufferStatus, "glCheckFramebufferStatus") &&
               find(renderbufferStorageMultisample, "glRenderbufferStorageMultisample") &&
               find(blitFramebuffer, "glBlitFramebuffer");
    }
};

namespace {

// One display for the whole process: terminating it would pull the ground
// from under every other target still alive.
EGLDisplay surfacelessDisplay(std::string& whyNot) {
    static EGLDisplay display = [] {
        const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (extensions == nullptr || std::strstr(extensions, "EGL_MESA_platform_surfaceless") == nullptr)
            return EGL_NO_DISPLAY;
        const auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr) return EGL_NO_DISPLAY;
        EGLDisplay found = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (found == EGL_NO_DISPLAY || !eglInitialize(found, nullptr, nullptr)) return EGL_NO_DISPLAY;
        return found;
    }();
    if (display == EGL_NO_DISPLAY) whyNot = "no EGL display without a window system (Mesa's surfaceless platform)";
    return display;
}

EGLContext compatibilityContext(EGLDisplay display, std::string& whyNot) {
    if (!eglBindAPI(EGL_OPENGL_API)) {
        whyNot = "EGL offers no desktop OpenGL";
        return EGL_NO_CONTEXT;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &found) || found < 1) config = nullptr;
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) whyNot = "no OpenGL context with the compatibility profile could be made";
    return context;
}

}  // namespace

std::unique_ptr<HeadlessTarget> HeadlessTarget::create(int width, int height, std::string& whyNot, int samples) {
    if (width <= 0 || height <= 0) {
        whyNot = "the picture has no pixels";
        return nullptr;
    }
    EGLDisplay display = surfacelessDisplay(whyNot);
    if (display == EGL_NO_DISPLAY) return nullptr;
    EGLContext context = compatibilityContext(display, whyNot);
    if (context == EGL_NO_CONTEXT) return nullptr;

    std::unique_ptr<HeadlessTarget> target(new HeadlessTarget);
    target->display_ = display;
    target->context_ = context;
    target->asked_ = samples > 0 ? samples : 0;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        whyNot = "the OpenGL context cannot draw without a surface";
        return nullptr;
    }
    target->gl_ = std::make_unique<Gl>();
    if (!target->gl_->load()) {
        whyNot = "the OpenGL driver has no framebuffer objects";
        return nullptr;
    }
    if (!target->makeBuffers(width, height)) {
        whyNot = "no framebuffer of " + std::to_string(width) + "x" + std::to_string(height) + " could be made";
        return nullptr;
    }
    return target;
}

HeadlessTarget::~HeadlessTarget() {
    if (context_ == nullptr) return;
    if (eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) dropBuffers();
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
}

void HeadlessTarget::makeCurrent() {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
}

namespace {

// A framebuffer of one colour and one depth renderbuffer, `samples` a
// pixel (0: a plain one). Answers whether the driver made it whole.
bool makeFramebuffer(const HeadlessTarget::Gl& gl, int width, int height, int samples, uint32_t& framebuffer,
                     uint32_t& colour, uint32_t& depth) {
    gl.genFramebuffers(1, &framebuffer);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const auto attach = [&](uint32_t& buffer, GLenum format, GLenum attachment) {
        gl.genRenderbuffers(1, &buffer);
        gl.bindRenderbuffer(GL_RENDERBUFFER, buffer);
        if (samples > 0)
            gl.renderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
        else
            gl.renderbufferStorage(GL_RENDERBUFFER, format, width, height);
        gl.framebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, buffer);
    };
    attach(colour, GL_RGBA8, GL_COLOR_ATTACHMENT0);
    attach(depth, GL_DEPTH_COMPONENT24, GL_DEPTH_ATTACHMENT);
    return gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE && glGetError() == GL_NO_ERROR;
}

void dropFramebuffer(const HeadlessTarget::Gl& gl, uint32_t& framebuffer, uint32_t& colour, uint32_t& depth) {
    const GLuint renderbuffers[] = {colour, depth};
    gl.deleteRenderbuffers(2, renderbuffers);
    gl.deleteFramebuffers(1, &framebuffer);
    framebuffer = colour = depth = 0;
}

}  // namespace

bool HeadlessTarget::makeBuffers(int width, int height) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) return false;
    width_ = width;
    height_ = height;
    granted_ = 0;
    bool made = makeFramebuffer(*gl_, width, height, 0, framebuffer_, colour_, depth_);
    if (made && asked_ > 0) {
        GLint most = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &most);
        const int samples = affordableSamples(width, height, std::min(asked_, static_cast<int>(most)));
        // A driver without multisampling draws as without it.
        if (samples > 0) {
            made = makeFramebuffer(*gl_, width, height, samples, drawFramebuffer_, drawColour_, drawDepth_);
            GLint granted = 0;
            glGetIntegerv(GL_SAMPLES, &granted);
            granted_ = granted;
        }
    }
    if (made) return true;
    dropBuffers();
    return false;
}

void HeadlessTarget::dropBuffers() {
    gl_->bindFramebuffer(GL_FRAMEBUFFER, 0);
    dropFramebuffer(*gl_, framebuffer_, colour_, depth_);
    if (drawFramebuffer_ != 0) dropFramebuffer(*gl_, drawFramebuffer_, drawColour_, drawDepth_);
    width_ = height_ = granted_ = 0;
}

bool HeadlessTarget::resize(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    makeCurrent();
    dropBuffers();
    return makeBuffers(width, height);
}

void HeadlessTarget::resolve() const {
    if (drawFramebuffer_ == 0) return;
    gl_->bindFramebuffer(GL_READ_FRAMEBUFFER, drawFramebuffer_);
    gl_->bindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    gl_->blitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl_->bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

void HeadlessTarget::read(uint32_t format, int channels, std::vector<uint8_t>& pixels) const {
    resolve();
    pixels.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) *
                  static_cast<std::size_t>(channels));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, format, GL_UNSIGNED_BYTE, pixels.data());
    // The next frame is drawn where frames are drawn.
    if (drawFramebuffer_ != 0) gl_->bindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    flipRows(pixels, width_, height_, channels);
}

std::vector<uint8_t> HeadlessTarget::readRgb() const {
    std::vector<uint8_t> pixels;
    read(GL_RGB, 3, pixels);
    return pixels;
}

std::vector<uint8_t> HeadlessTarget::readRgba() const {
    std::vector<uint8_t> pixels;
    read(GL_RGBA, 4, pixels);
    return pixels;
}

void HeadlessTarget::readRgba(std::vector<uint8_t>& pixels) const {
    read(GL_RGBA, 4, pixels);
}

}  // namespace korvex
