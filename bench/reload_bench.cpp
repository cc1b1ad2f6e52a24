// reload-bench MODEL FOLDER REWRITES: the real main window with MODEL open
// and turning, textured from a 1024 x 1024 TGA and then from a 4096 x 4096
// JPEG written into FOLDER; each picture is rewritten REWRITES times by
// writing a new file beside it and renaming it over, as editors save. For
// each it reports, in milliseconds, the median and longest time from the
// rename to the end of the first frame that shows the new picture, the
// median and longest gap between frames in that time, and the frame
// interval of the same window turning with the picture on and no reload.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "render/view_widget.h"
#include "tests/support/image_writers.h"
#include "ui/texture_manager_window.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

class NoColours final : public korvex::ColourChooser {
public:
    std::optional<uint32_t> chooseColour(uint32_t) override { return std::nullopt; }
};

void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A picture with detail everywhere, so that the JPEG is honestly sized.
korvex::images::Picture pattern(uint32_t side, uint32_t shift) {
    korvex::images::Picture picture(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = picture.at(x, y);
            p[0] = static_cast<uint8_t>((x + shift) * 7 ^ y);
            p[1] = static_cast<uint8_t>((y * 3 + shift) ^ (x >> 3));
            p[2] = static_cast<uint8_t>(shift * 40 + (x * y >> 9));
            p[3] = 255;
        }
    return picture;
}

// Frame end times, in milliseconds of `clock`.
struct FrameLog {
    QElapsedTimer clock;
    std::vector<double> ends;
    double now() const { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }
};

double longestGap(const std::vector<double>& ends, double from, double to) {
    double gap = 0.0, last = from;
    for (const double end : ends) {
        if (end <= from) {
            last = end;
            continue;
        }
        if (end > to) break;
        gap = std::max(gap, end - last);
        last = end;
    }
    return gap;
}

}  // namespace

int main(int argc, char** argv) {
    korvex::KorvexApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: reload-bench MODEL FOLDER REWRITES\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    const int rewrites = std::max(1, std::atoi(argv[3]));

    korvex::ScriptedPrompts prompts;
    NoColours colours;
    korvex::MainWindow window(prompts, colours);
    window.resize(1024, 740);
    window.show();
    window.openModel(argv[1]);
    runFor(1500);
    korvex::ViewWidget* view = window.view3d();
    if (!window.state().ModelLoaded || view == nullptr) {
        std::fputs("reload-bench: the model did not open or the view has no OpenGL\n", stderr);
        return 1;
    }
    FrameLog frames;
    frames.clock.start();
    view->onFrameDrawn = [&] { frames.ends.push_back(frames.now()); };
    // The median interval of the window turning for three seconds with
    // nothing read again.
    const auto turningInterval = [&] {
        const double from = frames.now();
        runFor(3000);
        std::vector<double> intervals;
        for (std::size_t i = 1; i < frames.ends.size(); ++i)
            if (frames.ends[i - 1] >= from) intervals.push_back(frames.ends[i] - frames.ends[i - 1]);
        return median(intervals);
    };
    std::printf("%-30s %9s %9s %9s %9s %9s\n", "picture", "shown", "longest", "gap", "longest", "interval");

    struct Case {
        const char* title;
        const char* name;
        uint32_t side;
    };
    for (const Case& picture : {Case{"1024 x 1024 TGA", "skin.tga", 1024}, Case{"4096 x 4096 JPEG", "skin.jpg", 4096}}) {
        const bool jpeg = picture.side == 4096;
        std::vector<std::vector<uint8_t>> versions;
        for (uint32_t shift = 0; shift < 2; ++shift) {
            const korvex::images::Picture pixels = pattern(picture.side, shift);
            versions.push_back(jpeg ? korvex::images::writeJpeg(pixels, {90}) : korvex::images::writeTga(pixels));
        }
        const std::filesystem::path target = folder / picture.name;
        korvex::images::writeFile(target, versions[0]);
        prompts.fileAnswers.push_back(target);
        window.textureManager()->addButton->click();
        const auto entry = static_cast<int32_t>(window.state().textureLibrary.size());
        for (korvex::GeometryPart& part : window.state().partList.Parts) part.TextureIndex = entry;
        // A bigger picture costs every frame more: the interval to compare
        // with is that of the car with this picture on it.
        const double normal = turningInterval();

        std::vector<double> shown, gaps;
        for (int i = 0; i < rewrites; ++i) {
            korvex::images::writeFile(folder / "saving.tmp", versions[static_cast<std::size_t>((i + 1) % 2)]);
            const uint64_t reloads = window.picturesReloaded();
            const double renamed = frames.now();
            std::filesystem::rename(folder / "saving.tmp", target);
            // The first frame drawn once the new picture is in its texture.
            double reloadedAt = -1.0;
            const std::size_t seen = frames.ends.size();
            QElapsedTimer patience;
            patience.start();
            while (patience.elapsed() < 5000) {
                QEventLoop().processEvents(QEventLoop::WaitForMoreEvents, 5);
                if (reloadedAt < 0 && window.picturesReloaded() > reloads) reloadedAt = frames.now();
                if (reloadedAt >= 0 && frames.ends.size() > seen && frames.ends.back() > reloadedAt) break;
            }
            if (reloadedAt < 0) {
                std::fprintf(stderr, "reload-bench: %s was not read again\n", picture.name);
                return 1;
            }
            const double end = frames.ends.back();
            shown.push_back(end - renamed);
            gaps.push_back(longestGap(frames.ends, renamed, end));
            runFor(400);
        }
        std::printf("%-30s %9.1f %9.1f %9.1f %9.1f %9.1f\n", picture.title, median(shown),
                    *std::max_element(shown.begin(), shown.end()), median(gaps),
                    *std::max_element(gaps.begin(), gaps.end()), normal);
    }
    return 0;
}
