// startup-bench [MODEL]: starts as korvex-viewer does (the main window shown,
// MODEL opened on the event loop's first turn) and ends the process the
// moment the 3-D view has put its first frame with the model on the screen,
// or its first frame of all without MODEL. It prints nothing then, so that a
// timer of whole processes measures start-up to the first picture. It exits
// with 1 and says why on standard error when the model does not open or the
// view has no OpenGL.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "render/view_widget.h"

#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

namespace {

class NoColours final : public korvex::ColourChooser {
public:
    std::optional<uint32_t> chooseColour(uint32_t) override { return std::nullopt; }
};

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "startup-bench: %s\n", why);
    std::_Exit(1);
}

// Long enough for the slowest start seen many times over.
constexpr int GiveUpAfterMs = 60000;

}  // namespace

int main(int argc, char** argv) {
    korvex::KorvexApplication app(argc, argv);
    if (argc > 2) {
        std::fputs("usage: startup-bench [MODEL]\n", stderr);
        return 2;
    }
    const std::optional<std::filesystem::path> model =
        argc == 2 ? std::optional<std::filesystem::path>(argv[1]) : std::nullopt;

    // Nothing may wait for an answer: boxes are only recorded, questions
    // answered no, file requests cancelled.
    korvex::ScriptedPrompts prompts;
    prompts.defaultYesNo = false;
    NoColours colours;
    auto window = std::make_unique<korvex::MainWindow>(prompts, colours);
    app.setErrorPrompts(&prompts);
    korvex::ViewWidget* view = window->view3d();
    if (view == nullptr) fail("the 3-D view has no OpenGL on this display");

    // A frame drawn before the model was opened does not show it; the swap
    // after the first frame drawn since then does.
    bool modelPending = model.has_value();
    uint64_t framesWithoutModel = 0;
    QObject::connect(view, &QOpenGLWidget::frameSwapped, [&] {
        if (!modelPending && view->framesDrawn() > framesWithoutModel) std::_Exit(0);
    });

    window->show();
    if (model) {
        QTimer::singleShot(0, window.get(), [&] {
            window->openModel(*model);
            if (!window->state().ModelLoaded) fail("the model did not open");
            framesWithoutModel = view->framesDrawn();
            modelPending = false;
        });
    }
    QTimer::singleShot(GiveUpAfterMs, [] { fail("the view drew no frame"); });
    app.exec();
    fail("the program ended before the view drew a frame");
}
