// smooth-frames-bench MODEL FRAMES: the real main window with MODEL open
// and standing still, its view drawn FRAMES times with smooth edges and
// FRAMES times without, in turns; prints the median milliseconds of a frame
// of each ("smooth plain"), the samples the display granted and the view's
// size. A frame is the view's grab: drawn, resolved and read back whole
// (the reading is the same in both, as the widget's own buffer is plain).

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "render/view_widget.h"

#include <QAction>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class NoColours final : public korvex::ColourChooser {
public:
    std::optional<uint32_t> chooseColour(uint32_t) override { return std::nullopt; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    korvex::KorvexApplication app(argc, argv);
    if (argc != 3 || std::atoi(argv[2]) <= 0) {
        std::fputs("usage: smooth-frames-bench MODEL FRAMES\n", stderr);
        return 2;
    }
    const int frames = std::atoi(argv[2]);
    korvex::ScriptedPrompts prompts;
    NoColours colours;
    korvex::MainWindow window(prompts, colours);
    window.resize(1024, 768);
    window.show();
    window.openModel(argv[1]);
    korvex::ViewWidget* view = window.view3d();
    if (!window.state().ModelLoaded || view == nullptr) {
        std::fputs("smooth-frames-bench: the model did not open or the view has no OpenGL\n", stderr);
        return 1;
    }
    window.rotatingAction->setChecked(false);
    view->setFrameLoopHeld(true);
    window.fitView();
    QCoreApplication::processEvents();

    std::vector<double> smooth, plain;
    int granted = 0;
    constexpr int Rounds = 8;
    for (int round = 0; round < Rounds; ++round) {
        for (const bool on : {true, false}) {
            window.smoothEdgesAction->setChecked(on);
            view->grabFramebuffer();  // the first frame of a kind makes its buffers
            QElapsedTimer clock;
            for (int frame = 0; frame < (frames + Rounds - 1) / Rounds; ++frame) {
                clock.start();
                view->grabFramebuffer();
                (on ? smooth : plain).push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            }
            if (on) granted = view->samplesDrawn();
        }
    }
    std::printf("%.3f %.3f %d %dx%d\n", median(smooth), median(plain), granted, view->width(), view->height());
    return 0;
}
