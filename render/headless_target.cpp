#include "headless_target.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

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
               find(checkFramebufferStatus, "glCheckFramebufferStatus");
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

std::unique_ptr<HeadlessTarget> HeadlessTarget::create(int width, int height, std::string& whyNot) {
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

bool HeadlessTarget::makeBuffers(int width, int height) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) return false;
    gl_->genFramebuffers(1, &framebuffer_);
    gl_->bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_->genRenderbuffers(1, &colour_);
    gl_->bindRenderbuffer(GL_RENDERBUFFER, colour_);
    gl_->renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    gl_->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    gl_->genRenderbuffers(1, &depth_);
    gl_->bindRenderbuffer(GL_RENDERBUFFER, depth_);
    gl_->renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    gl_->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    width_ = width;
    height_ = height;
    if (gl_->checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE && glGetError() == GL_NO_ERROR)
        return true;
    dropBuffers();
    return false;
}

void HeadlessTarget::dropBuffers() {
    gl_->bindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLuint renderbuffers[] = {colour_, depth_};
    gl_->deleteRenderbuffers(2, renderbuffers);
    gl_->deleteFramebuffers(1, &framebuffer_);
    framebuffer_ = colour_ = depth_ = 0;
    width_ = height_ = 0;
}

bool HeadlessTarget::resize(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    makeCurrent();
    dropBuffers();
    return makeBuffers(width, height);
}

std::vector<uint8_t> HeadlessTarget::readRgb() const {
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height_));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < height_; ++row)
        std::memcpy(topDown.data() + static_cast<std::size_t>(row) * rowBytes,
                    bottomUp.data() + static_cast<std::size_t>(height_ - 1 - row) * rowBytes, rowBytes);
    return topDown;
}

}  // namespace korvex
