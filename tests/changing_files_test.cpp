// Files that another program rewrites, cuts short or deletes while the
// viewer reads them: a model, its settings file and pictures. Whatever the
// reader finds, it ends in one of the program's messages or a complete
// result, never in a crash or a hang.

#include "model/load_error.h"
#include "tests/support/image_writers.h"
#include "tests/support/test_model.h"
#include "textures/texture_upload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace korvex {
namespace {

using fixtures::Bytes;
using Clock = std::chrono::steady_clock;

// A model big enough that reading it takes a while: 60 parts of 2,000 vertices.
Bytes biggishModel() {
    fixtures::ModelDescription model;
    for (int p = 0; p < 60; ++p) {
        fixtures::GeometryBlock block;
        for (int i = 0; i < 2000; ++i)
            block.vertices.push_back(fixtures::vertex(static_cast<float>(i), static_cast<float>(p), 0));
        for (int i = 0; i < 2000; ++i) block.indices.push_back(static_cast<uint16_t>(i));
        model.parts.push_back({"geo_r_" + std::to_string(p) + "_FRNShape", std::move(block)});
    }
    return model.build();
}

std::string settingsText() {
    std::string text = "[GEOMDATA]\nnumpart=60\n\n";
    for (int p = 0; p < 60; ++p)
        text += "[ALPHA_OPAQUE_FRNShape]\nlodon=100\nlodoff=0" + std::to_string(p % 10) + "\n\n";
    return text;
}

Bytes noise(std::size_t size) {
    std::mt19937 rng(7);
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}

// Keeps rewriting `path` from `whole` until stopped: whole, cut short at a
// random length, deleted, or garbage of the same length.
class Rewriter {
public:
    Rewriter(std::filesystem::path path, Bytes whole, unsigned seed)
        : path_(std::move(path)), whole_(std::move(whole)), thread_([this, seed] { run(seed); }) {}
    ~Rewriter() {
        stop_ = true;
        thread_.join();
    }
    int rewrites() const { return rewrites_; }

private:
    void run(unsigned seed) {
        std::mt19937 rng(seed);
        while (!stop_) {
            const auto cut = static_cast<std::size_t>(rng() % (whole_.size() + 1));
            switch (rng() % 4) {
                case 0:
                    fixtures::writeFile(path_, whole_);
                    break;
                case 1:
                    fixtures::writeFile(path_, Bytes(whole_.begin(), whole_.begin() + static_cast<long>(cut)));
                    break;
                case 2:
                    std::filesystem::remove(path_);
                    break;
                default:
                    fixtures::writeFile(path_, garbage_);
            }
            ++rewrites_;
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500));
        }
    }

    std::filesystem::path path_;
    Bytes whole_;
    Bytes garbage_ = noise(whole_.size());
    std::atomic<bool> stop_ = false;
    std::atomic<int> rewrites_ = 0;
    std::thread thread_;
};

// Runs `attempt` again and again for `seconds`; answers how often.
int repeatFor(double seconds, const std::function<void()>& attempt) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    int times = 0;
    while (Clock::now() < end) {
        attempt();
        ++times;
    }
    return times;
}

TEST(ChangingFiles, AModelAndItsSettingsChangingWhileReadEndInAMessage) {
    fixtures::CarFolder folder;
    const Bytes model = biggishModel();
    const std::string text = settingsText();
    const Rewriter models(folder.model(), model, 1);
    const Rewriter settings(folder.modelFolder() / "geomdata.ini", Bytes(text.begin(), text.end()), 2);
    int loaded = 0, failed = 0;
    const int opens = repeatFor(2.0, [&] {
        fixtures::LoadOutcome outcome;
        openInto(outcome, folder.model());
        const auto& lines = outcome.log.lines;
        const bool load = std::find(lines.begin(), lines.end(), "Loaded 60 parts successfully.") != lines.end();
        const bool error = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            for (const char* failure : {"ERROR!", "BAD FILE!", "Section Header Size Mismatch.", "Loaded "})
                if (line.starts_with(failure)) return true;
            return false;
        });
        // Either the load went through or a message says why not: a failure
        // line in the log, a box, or the error box of an escaped failure.
        EXPECT_TRUE(load || error || outcome.escaped || !outcome.prompts.shown.empty())
            << (lines.empty() ? "" : lines.back());
        if (outcome.escaped) {
            const std::string& why = *outcome.escaped;
            EXPECT_TRUE(why.starts_with("Cannot open file \"") || why == "Stream read error" ||
                        why.ends_with("is not a valid integer value"))
                << why;
        }
        (load && outcome.state.ModelLoaded ? loaded : failed) += 1;
    });
    std::printf("%d opens (%d loaded, %d ended in a message) over %d model and %d settings rewrites\n", opens, loaded,
                failed, models.rewrites(), settings.rewrites());
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}

TEST(ChangingFiles, PicturesChangingWhileReadEndInAMessageOrAPicture) {
    fixtures::TempDir dir;
    const images::Picture pattern = images::testPattern(256, 256);
    images::JpegOptions progressive;
    progressive.progressive = true;
    images::Picture fewColours(64, 64);
    for (std::size_t i = 0; i < fewColours.rgba.size(); ++i) fewColours.rgba[i] = (i / 4 / 64 / 8) % 2 ? 255 : 0;
    images::BmpOptions rle;
    rle.depth = 8;
    rle.runLength = true;
    const std::vector<std::pair<std::string, Bytes>> pictures{
        {"a.tga", images::writeTga(pattern)},
        {"b.jpg", images::writeJpeg(pattern, progressive)},
        {"c.bmp", images::writeBmp(pattern, {})},
        {"d.bmp", images::writeBmp(fewColours, rle)},
    };
    for (const auto& file : pictures) {
        const std::string& name = file.first;  // a name a lambda can take
        SCOPED_TRACE(name);
        const Rewriter rewriter(dir / name, file.second, 3);
        int decoded = 0, failed = 0;
        repeatFor(0.5, [&] {
            ScriptedPrompts prompts;
            std::optional<PixelBuffer> picture;
            try {
                picture = DecodeTextureFile(dir / name, prompts);
                // A JPEG or bitmap that fails says so in its box; a TGA's failure
                // is told by the Textures window, from the missing picture.
                if (!picture && !name.ends_with(".tga")) {
                    EXPECT_EQ(prompts.shown.size(), 1u);
                }
            } catch (const LoadError& error) {
                // libjpeg gave up in the middle of the data: the error box says so.
                EXPECT_TRUE(name.ends_with(".jpg") && std::string(error.what()).starts_with("JPEG error #"))
                    << error.what();
            }
            (picture ? decoded : failed) += 1;
        });
        EXPECT_GT(decoded + failed, 10);
        EXPECT_GT(failed, 0);
    }
}

}  // namespace
}  // namespace korvex
