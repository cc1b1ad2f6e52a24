// idle-view-bench MODEL empty|idle|rotating|pulsing SECONDS: the real main
// window with MODEL open (or, for "empty", nothing open and Rotating on as
// at start), left alone for SECONDS under the system clock, and what
// that cost: frames drawn, frames a second, and this process's processor
// time (every thread, the driver's included) as a share of one core.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "render/view_widget.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class NoColours final : public korvex::ColourChooser {
public:
    std::optional<uint32_t> chooseColour(uint32_t) override { return std::nullopt; }
};

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The application's own quit would close the window too.
void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    korvex::KorvexApplication app(argc, argv);
    const auto known = [](const char* scenario) {
        for (const char* name : {"empty", "idle", "rotating", "pulsing"})
            if (std::strcmp(scenario, name) == 0) return true;
        return false;
    };
    if (argc != 4 || !known(argv[2])) {
        std::fputs("usage: idle-view-bench MODEL empty|idle|rotating|pulsing SECONDS\n", stderr);
        return 2;
    }
    const std::string scenario = argv[2];
    const int seconds = std::atoi(argv[3]);

    korvex::ScriptedPrompts prompts;
    NoColours colours;
    korvex::MainWindow window(prompts, colours);
    window.show();
    const bool empty = scenario == "empty";
    if (!empty) window.openModel(argv[1]);
    if ((!empty && !window.state().ModelLoaded) || window.view3d() == nullptr) {
        std::fputs("idle-view-bench: the model did not open or the view has no OpenGL\n", stderr);
        return 1;
    }
    // The empty window keeps Rotating as the program starts: on.
    window.rotatingAction->setChecked(empty || scenario == "rotating");
    if (scenario == "pulsing") window.selectPart(0);
    // The window is shown, drawn and settled before anything is counted.
    runFor(1500);

    const uint64_t framesBefore = window.view3d()->framesDrawn();
    const double processorBefore = processorSeconds();
    QElapsedTimer clock;
    clock.start();
    runFor(seconds * 1000);
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const uint64_t frames = window.view3d()->framesDrawn() - framesBefore;
    const double processor = processorSeconds() - processorBefore;
    std::printf("%s %llu %.1f %.2f\n", scenario.c_str(), static_cast<unsigned long long>(frames),
                static_cast<double>(frames) / elapsed, 100.0 * processor / elapsed);
    return 0;
}
