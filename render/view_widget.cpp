#include "view_widget.h"

#include "model/recording_io.h"
#include "navigation.h"
#include "scene.h"
#include "textures/opengl_textures.h"
#include "textures/texture_files.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QTimer>

#include <chrono>
#include <memory>
#include <new>

namespace korvex {

namespace {

MouseButton buttonOf(Qt::MouseButton button) {
    if (button == Qt::LeftButton) return MouseButton::Left;
    if (button == Qt::RightButton) return MouseButton::Right;
    // Any other button turns the model only, as the middle one does.
    return MouseButton::Middle;
}

QPoint pixelOf(const QMouseEvent* event) {
    return event->position().toPoint();
}

// The system's millisecond tick, cut to 32 bits like the counter the frame
// clock was made for.
uint32_t systemTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

ViewWidget::ViewWidget(ProgramState& state, Prompts& prompts, ControlsSource controls, QWidget* parent)
    : QOpenGLWidget(parent), state_(state), prompts_(prompts), controls_(std::move(controls)) {
    setFormat(viewFormat());
    setTickSource(&systemTickCount);
}

ViewWidget::~ViewWidget() {
    // The context goes with the widget; its objects go first, while this
    // object can still reach the state that names them.
    if (context() != nullptr) disconnect(context(), nullptr, this, nullptr);
    releaseGl();
}

QSurfaceFormat ViewWidget::viewFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    return format;
}

bool ViewWidget::openGlAvailable(std::string& whyNot) {
    QOpenGLContext context;
    context.setFormat(viewFormat());
    if (!context.create()) {
        whyNot = "no OpenGL context can be made on this display";
        return false;
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) {
        whyNot = "the OpenGL context cannot be made current";
        return false;
    }
    context.doneCurrent();
    return true;
}

void ViewWidget::setTickSource(TickSource tick) {
    tick_ = std::move(tick);
    state_.view.StartTick = tick_();
}

void ViewWidget::setFrameLoopHeld(bool held) {
    held_ = held;
    if (!held_) update();
}

bool ViewWidget::withContext(const std::function<void()>& work) {
    if (context() == nullptr || !isValid()) return false;
    makeCurrent();
    // The work may throw (a broken picture); the context is let go all the same.
    struct Release {
        ViewWidget& view;
        ~Release() { view.doneCurrent(); }
    } release{*this};
    work();
    return true;
}

void ViewWidget::initializeGL() {
    // A context made again (the widget moved to another window) starts
    // without the old one's objects.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &ViewWidget::releaseGl, Qt::UniqueConnection);

    // No box may open in the middle of a paint: what the scene reports is
    // shown once the event loop runs again.
    auto reported = std::make_shared<ScriptedPrompts>();
    std::string failure;
    OpenGlTextures textures;
    try {
        SetupScene(state_, locateProgramDataFile("Env.jpg"), *reported, textures);
        ApplyPolygonMode(state_.view);
    } catch (const std::bad_alloc&) {
        failure = "Out of memory.";
    } catch (const std::exception& escaped) {
        failure = escaped.what();
    }
    if (reported->shown.empty() && failure.empty()) return;
    QTimer::singleShot(0, this, [this, reported, failure] {
        for (const ShownBox& box : reported->shown) prompts_.message(box.caption, box.text, box.icon);
        if (!failure.empty() && onSceneFailure) onSceneFailure(failure);
    });
}

void ViewWidget::resizeGL(int width, int height) {
    const qreal ratio = devicePixelRatio();
    resizeView(qRound(width * ratio), qRound(height * ratio));
}

void ViewWidget::paintGL() {
    AdvanceFrameClock(state_.view, tick_());
    RenderFrame(state_, controls_());
    ++frames_;
    // The next frame is asked for at once; events are handled in between.
    if (!held_) update();
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = pixelOf(event);
    viewMousePress(state_.view, buttonOf(event->button()), at.x(), at.y());
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = pixelOf(event);
    viewMouseMove(state_.view, at.x(), at.y());
}

void ViewWidget::mouseReleaseEvent(QMouseEvent*) {
    viewMouseRelease(state_.view);
}

void ViewWidget::releaseGl() {
    if (context() == nullptr || !isValid()) return;
    makeCurrent();
    OpenGlTextures textures;
    if (state_.view.EnvTexture != 0) textures.deleteTexture(state_.view.EnvTexture);
    state_.view.EnvTexture = 0;
    for (TextureEntry& entry : state_.textureLibrary) {
        if (entry.TextureObject != 0) textures.deleteTexture(entry.TextureObject);
        entry.TextureObject = 0;
    }
    doneCurrent();
}

}  // namespace korvex
