#include "view_widget.h"
#include "view_framebuffers.h"

#include "scene_colours.h"

#include "model/recording_io.h"
#include "navigation.h"
#include "picking.h"
#include "scene.h"
#include "textures/opengl_textures.h"
#include "textures/texture_files.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <new>

namespace korvex {

namespace {

MouseButton buttonOf(Qt::MouseButton button) {
    if (button == Qt::LeftButton) return MouseButton::Left;
    if (button == Qt::RightButton) return MouseButton::Right;
    // Any other button pans, as the middle one does.
    return MouseButton::Middle;
}

// A press and release this close together are a click, not a drag.
constexpr int ClickSlack = 3;

// After this long without a frame the clock starts afresh from now, so that
// a picture set moving again goes on from where it stood instead of making
// up for the time it stood still.
constexpr uint32_t ResumeAfterMs = 100;

// The fastest the view draws where the screen sets no pace of its own.
constexpr double MostFramesPerSecond = 60.0;

QPoint pixelOf(const QMouseEvent* event) {
    return event->position().toPoint();
}

// Whether two frames look through the same camera at the same view.
bool sameCamera(const ViewState& a, const ViewState& b) {
    return a.RotationX == b.RotationX && a.RotationY == b.RotationY && a.ZoomZ == b.ZoomZ && a.PanX == b.PanX &&
           a.PanY == b.PanY && std::equal(a.Centre, a.Centre + 3, b.Centre) && a.ViewportWidth == b.ViewportWidth &&
           a.ViewportHeight == b.ViewportHeight;
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
    // Pointer moves without a button tell what lies under the pointer.
    setMouseTracking(true);
    pointerNote_.setSingleShot(true);
    connect(&pointerNote_, &QTimer::timeout, this, [this] { notePointer(); });
    nextFrame_.setSingleShot(true);
    nextFrame_.setTimerType(Qt::PreciseTimer);
    connect(&nextFrame_, &QTimer::timeout, this, [this] { update(); });
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
    if (held_)
        nextFrame_.stop();
    else
        update();
}

void ViewWidget::requestFrame() {
    update();
}

bool ViewWidget::animating(const FrameControls& controls) const {
    // An empty view, or a model with every part hidden, shows nothing that
    // could turn.
    if (!state_.ModelLoaded) return false;
    return state_.SelectedPart >= 0 || (controls.Rotating && anyPartDrawn(state_, controls));
}

int ViewWidget::frameInterval() const {
    const QScreen* shown = screen();
    const double refresh = shown != nullptr ? shown->refreshRate() : 0.0;
    // A screen that reports no sensible rate is taken as 60 Hz.
    const double rate = refresh >= 24.0 && refresh <= 500.0 ? refresh : MostFramesPerSecond;
    return static_cast<int>(std::ceil(1000.0 / std::min(rate, MostFramesPerSecond)));
}

void ViewWidget::noteFrameTime(uint32_t milliseconds) {
    const bool slow = milliseconds > SlowFrameMs;
    if (slow == slow_) return;
    slow_ = slow;
    if (onSlowFrames) onSlowFrames(slow_, milliseconds);
}

void ViewWidget::scheduleNextFrame(const FrameControls& controls) {
    moving_ = !held_ && !slow_ && animating(controls);
    if (!moving_)
        nextFrame_.stop();
    else if (!nextFrame_.isActive())
        nextFrame_.start(frameInterval());
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
        // Scene colours chosen before the view had its context (or remembered
        // from the last run) replace the scene's own.
        const ViewState start;
        if (state_.view.BackgroundColour != start.BackgroundColour) ApplyBackgroundColour(state_.view.BackgroundColour);
        if (state_.view.BacklightColour != start.BacklightColour) ApplyBacklightColour(state_.view.BacklightColour);
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
    // The pointer's positions are in the widget's own pixels.
    state_.view.ViewportWidth = width;
    state_.view.ViewportHeight = height;
}

void ViewWidget::paintGL() {
    const uint32_t tick = tick_();
    if (!moving_ && tick - lastTick_ >= ResumeAfterMs) {
        // The clock stands at the time since the start, as it would after
        // frames at every tick: the next frame turns the model by nothing.
        state_.view.FrameTime = tick - state_.view.StartTick;
    }
    lastTick_ = tick;
    AdvanceFrameClock(state_.view, tick);
    const FrameControls controls = controls_();
    drawn_ = state_.view;
    Multisampled* smooth = smoothTarget();
    samplesDrawn_ = smooth != nullptr ? smooth->granted() : 0;
    if (smooth != nullptr) smooth->bind();
    RenderFrame(state_, controls);
    if (smooth != nullptr) smooth->resolveInto(defaultFramebufferObject());
    makeOpaque();
    ++frames_;
    // The frame's time is its drawing's, not only the commands' sending.
    context()->functions()->glFinish();
    noteFrameTime(tick_() - tick);
    // The timer starts now, so a frame that takes long is followed at once.
    scheduleNextFrame(controls);
    // The picture moved under a resting pointer.
    if (pointer_ && !sameCamera(drawn_, notedCamera_) && !pointerNote_.isActive()) pointerNote_.start(PointerNoteMs);
    if (onFrameDrawn) onFrameDrawn();
}

void ViewWidget::makeOpaque() {
    QOpenGLFunctions* gl = context()->functions();
    GLfloat clear[4];
    GLboolean written[4];
    gl->glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    gl->glGetBooleanv(GL_COLOR_WRITEMASK, written);
    gl->glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glClearColor(clear[0], clear[1], clear[2], clear[3]);
    gl->glColorMask(written[0], written[1], written[2], written[3]);
}

SurfacePoint ViewWidget::surfaceAt(QPoint at) const {
    return pickSurface(state_, drawn_, controls_(), at.x(), at.y());
}

void ViewWidget::notePointer() {
    notedCamera_ = drawn_;
    if (onPointerOver) onPointerOver(pointer_ ? surfaceAt(*pointer_) : SurfacePoint{});
}

void ViewWidget::leaveEvent(QEvent* event) {
    pointer_.reset();
    pointerNote_.stop();
    notePointer();
    QOpenGLWidget::leaveEvent(event);
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = pixelOf(event);
    pressedAt_ = at;
    dragged_ = false;
    viewMousePress(state_.view, buttonOf(event->button()), at.x(), at.y(),
                   event->modifiers().testFlag(Qt::ShiftModifier));
    requestFrame();
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = pixelOf(event);
    pointer_ = at;
    if (!state_.view.Dragging) {
        notePointer();
        return;
    }
    if ((at - pressedAt_).manhattanLength() > ClickSlack) dragged_ = true;
    viewMouseMove(state_.view, at.x(), at.y());
    requestFrame();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = state_.view.Dragging && !dragged_ && event->button() == Qt::LeftButton &&
                         (pixelOf(event) - pressedAt_).manhattanLength() <= ClickSlack;
    viewMouseRelease(state_.view);
    requestFrame();
    if (clicked && onPartClicked) {
        const QPoint at = pixelOf(event);
        onPartClicked(surfaceAt(at).part);
    }
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
    viewWheel(state_.view, event->angleDelta().y());
    requestFrame();
    event->accept();
}

void ViewWidget::releaseGl() {
    if (context() == nullptr || !isValid()) return;
    makeCurrent();
    smoothTarget_.reset();
    stillTarget_.reset();
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
