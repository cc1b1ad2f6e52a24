#pragma once
// The 3-D view of the main window: an OpenGL widget that draws frame after
// frame with the scene and frame renderer, and turns mouse drags into
// camera changes.

#include "frame_renderer.h"
#include "model/program_state.h"
#include "model/user_io.h"

#include <QOpenGLWidget>

#include <cstdint>
#include <functional>
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
    // A held loop draws only when asked (an exposure, a grab) instead of
    // asking for the next frame after each one.
    void setFrameLoopHeld(bool held);
    // Frames drawn so far.
    uint64_t framesDrawn() const { return frames_; }

    // Runs `work` with the view's context current, for commands that change
    // OpenGL state; without a context yet, it does nothing and answers false.
    bool withContext(const std::function<void()>& work);

    // Shows a failure escaped from setting up the scene (the window's error box).
    std::function<void(const std::string&)> onSceneFailure;

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void releaseGl();
    void showDeferred();

    ProgramState& state_;
    Prompts& prompts_;
    ControlsSource controls_;
    TickSource tick_;
    bool held_ = false;
    uint64_t frames_ = 0;
};

}  // namespace korvex
