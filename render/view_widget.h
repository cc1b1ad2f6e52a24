#pragma once
// The 3-D view of the main window: an OpenGL widget that draws with the
// scene and frame renderer, and turns mouse drags, the wheel and clicks into
// camera changes and picked parts. It draws only when the picture changes:
// frame after frame while the model turns, a selected part pulses or a drag
// goes on, and once after anything else is asked for; otherwise it waits.

#include "frame_renderer.h"
#include "picking.h"
#include "still_frame.h"
#include "model/program_state.h"
#include "model/user_io.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korvex {

class ViewWidget : public QOpenGLWidget {
public:
    using TickSource = std::function<uint32_t()>;
    using ControlsSource = std::function<FrameControls()>;

    // `prompts` shows what setting up the scene reports; `controls` is read
    // at every frame.
    ViewWidget(ProgramState& state, Prompts& prompts, ControlsSource controls, QWidget* parent);
    ~ViewWidget() override;

    // Double-buffered RGBA with a 24-bit depth buffer, compatibility profile.
    static QSurfaceFormat viewFormat();
    // Whether a context of that format can be made on this display; when
    // not, `whyNot` says what failed.
    static bool openGlAvailable(std::string& whyNot);

    // The millisecond tick the frame clock follows; it starts again from now.
    void setTickSource(TickSource tick);
    // A held loop draws only when asked (an exposure, a grab, a request)
    // instead of asking for the next frame while the picture moves.
    void setFrameLoopHeld(bool held);
    // Frames drawn so far.
    uint64_t framesDrawn() const { return frames_; }
    // Told after each frame has been drawn (for measuring).
    std::function<void()> onFrameDrawn;
    // Asks for one frame: something the picture shows has changed.
    void requestFrame();
    // Whether the picture changes by itself under these controls: a loaded
    // model with a part drawn turns, or a selected part of it pulses.
    bool animating(const FrameControls& controls) const;
    // Milliseconds between frames of a moving picture: one refresh of the
    // screen, and never more than about 60 frames a second.
    int frameInterval() const;

    // Runs `work` with the view's context current, for commands that change
    // OpenGL state; without a context yet, it does nothing and answers false.
    bool withContext(const std::function<void()>& work);

    // Shows a failure escaped from setting up the scene (the window's error box).
    std::function<void(const std::string&)> onSceneFailure;
    // A click that did not drag: the part under the pointer, or -1.
    std::function<void(int32_t)> onPartClicked;
    // What lies under the resting pointer (part -1: nothing, or the pointer
    // left the view): told as it moves, and PointerNoteMs after the camera
    // of a frame moved the picture under it. Nothing is drawn for it.
    std::function<void(const SurfacePoint&)> onPointerOver;
    static constexpr uint32_t PointerNoteMs = 100;
    // The point of the car under pixel `at` of the last frame drawn.
    SurfacePoint surfaceAt(QPoint at) const;

    // Smooth edges: frames are drawn with SmoothSamples samples a pixel
    // where the display grants them, and as without where it grants none.
    static constexpr int SmoothSamples = 4;
    void setSmoothEdges(bool on);
    bool smoothEdges() const { return smooth_; }
    // The samples a pixel the last frame was drawn with: 0 without
    // multisampling.
    int samplesDrawn() const { return samplesDrawn_; }

    // One frame of the model as `view` shows it, drawn off screen by the
    // same renderer at `still`'s size with `samples` samples a pixel (or
    // the most the driver grants and the memory allows below them), without
    // the selected part's glow: R,G,B,A bytes, straight alpha, top row
    // first; alpha 255 everywhere unless `still` is transparent. Empty when
    // no context or framebuffer could be had. The view's own frame and
    // camera are left as they were.
    std::vector<uint8_t> drawStillPixels(const ViewState& view, const StillFrame& still, int samples);
    // The same as a picture (without alpha unless transparent).
    QImage drawPicture(const ViewState& view, const StillFrame& still, int samples);

    // A frame that takes longer than this to draw makes the view slow to
    // draw: it stops moving by itself (turning, pulsing) and draws only when
    // something changes, so that the window goes on answering between frames.
    static constexpr uint32_t SlowFrameMs = 500;
    // Whether the last frame drawn was that slow.
    bool slowToDraw() const { return slow_; }
    // Told when frames become slow to draw, with the last one's milliseconds,
    // and when a frame is quick again.
    std::function<void(bool slow, uint32_t milliseconds)> onSlowFrames;

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void notePointer();
    // Sets the alpha of every pixel of the frame just drawn to opaque. The
    // scene clears to alpha 0 and blends additively; where the window has
    // an alpha channel (on Wayland, for the decorations the window draws
    // itself) the frame keeps that alpha, the compositor would show the
    // desktop through the view, and F12 would save a see-through picture.
    void makeOpaque();
    // The framebuffer a smooth frame is drawn into before it is resolved
    // into the widget's, or nothing (not smooth, or no samples granted).
    class Multisampled;
    Multisampled* smoothTarget();

    void releaseGl();
    void scheduleNextFrame(const FrameControls& controls);
    void noteFrameTime(uint32_t milliseconds);

    ProgramState& state_;
    Prompts& prompts_;
    ControlsSource controls_;
    TickSource tick_;
    bool held_ = false;
    uint64_t frames_ = 0;
    // Paces the frames of a moving picture.
    QTimer nextFrame_;
    // Whether the last frame asked for the one after it, and its tick.
    bool moving_ = false;
    uint32_t lastTick_ = 0;
    bool slow_ = false;
    // The camera of the last frame drawn, for what a click hits.
    ViewState drawn_;
    // Where the button went down, and whether the pointer has dragged since.
    QPoint pressedAt_;
    bool dragged_ = false;
    // Where the pointer rests over the view, the camera it was last told
    // for, and the wait before telling it for a new one.
    std::optional<QPoint> pointer_;
    ViewState notedCamera_;
    QTimer pointerNote_;
    bool smooth_ = false;
    int samplesDrawn_ = 0;
    std::unique_ptr<Multisampled> smoothTarget_, stillTarget_;
};

}  // namespace korvex
