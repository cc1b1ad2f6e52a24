// idle-view-bench MODEL idle|rotating|pulsing SECONDS: the real main window
// with MODEL open, left alone for SECONDS under the system clock, and what
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
    std::optional<uint32_t> chooseColour() override { return std::nullopt; }
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
    if (argc != 4 || (std::strcmp(argv[2], "idle") != 0 && std::strcmp(argv[2], "rotating") != 0 &&
                      std::strcmp(argv[2], "pulsing") != 0)) {
        std::fputs("usage: idle-view-bench MODEL idle|rotating|pulsing SECONDS\n", stderr);
        return 2;
    }
    const std::string scenario = argv[2];
    const int seconds = std::atoi(argv[3]);

    korvex::ScriptedPrompts prompts;
    NoColours colours;
    korvex::MainWindow window(prompts, colours);
    window.show();
    window.openModel(argv[1]);
    if (!window.state().ModelLoaded || window.view3d() == nullptr) {
        std::fputs("idle-view-bench: the model did not open or the view has no OpenGL\n", stderr);
        return 1;
    }
    window.rotatingAction->setChecked(scenario == "rotating");
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
