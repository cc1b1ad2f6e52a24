// Films written frame by frame and read back through FFmpeg and libwebp.

#include "media/film_writer.h"
#include "tests/support/film_readback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace korvex {
namespace {

namespace fs = std::filesystem;
using fixtures::filmFrameRgba;
using fixtures::readFilm;

// A fresh folder for each test, removed with everything in it.
class MediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "korvex-media-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        folder_ = name;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path folder_;
};

// A smooth gradient whose colours move with `frame`, so that each frame
// differs from the others; `stride` may leave padding after each row.
std::vector<uint8_t> gradient(int width, int height, std::size_t stride, int frame) {
    std::vector<uint8_t> pixels(stride * height, 0xAB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[y * stride + x * 4];
            p[0] = static_cast<uint8_t>(40 + x * 2 + frame * 15);
            p[1] = static_cast<uint8_t>(60 + y * 2);
            p[2] = static_cast<uint8_t>(200 - frame * 15);
            p[3] = 255;
        }
    return pixels;
}

// Mean of |a - b| over the R, G and B bytes of `width` pixels a row.
double meanDifference(const std::vector<uint8_t>& a, std::size_t strideA, const std::vector<uint8_t>& b,
                      std::size_t strideB, int width, int height) {
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(a[y * strideA + x * 4 + c] - b[y * strideB + x * 4 + c]);
    return sum / (width * height * 3.0);
}

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FilmSettings, KindsAndLimits) {
    EXPECT_EQ(filmKindOf("a/turn.MP4"), FilmKind::Mp4);
    EXPECT_EQ(filmKindOf("turn.WebP"), FilmKind::WebP);
    EXPECT_EQ(filmKindOf("turn.mp4.part"), std::nullopt);
    EXPECT_EQ(filmKindOf("mp4"), std::nullopt);

    std::string why;
    EXPECT_TRUE(filmSettingsValid(FilmKind::Mp4, {8192, 2, 120}, why)) << why;
    EXPECT_FALSE(filmSettingsValid(FilmKind::Mp4, {65, 48, 30}, why));
    EXPECT_EQ(why, "an .mp4 film needs an even width and height");
    EXPECT_TRUE(filmSettingsValid(FilmKind::WebP, {65, 47, 30}, why)) << why;
    for (FilmSettings bad : {FilmSettings{64, 48, 0}, FilmSettings{64, 48, 121}, FilmSettings{8194, 48, 30},
                             FilmSettings{1, 1, 30}, FilmSettings{-64, 48, 30}}) {
        why.clear();
        EXPECT_FALSE(filmSettingsValid(FilmKind::WebP, bad, why)) << bad.width << "x" << bad.height;
        EXPECT_FALSE(why.empty());
    }
}

TEST_F(MediaTest, Mp4ReadsBackAsWritten) {
    const int width = 64, height = 48;
    const std::size_t stride = width * 4 + 12;
    const fs::path path = folder_ / "turn.mp4";
    auto writer = FilmWriter::open(path, FilmKind::Mp4, {width, height, 10});
    for (int frame = 0; frame < 10; ++frame) writer->addFrame(gradient(width, height, stride, frame).data(), stride);
    EXPECT_EQ(writer->framesWritten(), 10);
    writer->finish();
    EXPECT_EQ(namesInFolder(), std::vector<std::string>{"turn.mp4"});

    const fixtures::FilmInfo info = readFilm(path);
    EXPECT_EQ(info.codec, "h264");
    EXPECT_EQ(info.pixelFormat, "yuv420p");
    EXPECT_EQ(info.width, width);
    EXPECT_EQ(info.height, height);
    EXPECT_EQ(info.frames, 10);
    EXPECT_NEAR(info.seconds, 1.0, 0.1 / 2);
    EXPECT_FALSE(info.alpha);

    // In order, and close to what was drawn.
    const std::size_t packed = width * 4;
    for (int frame : {0, 9}) {
        const std::vector<uint8_t> read = filmFrameRgba(path, frame);
        ASSERT_EQ(read.size(), packed * height);
        EXPECT_LT(meanDifference(read, packed, gradient(width, height, stride, frame), stride, width, height), 6)
            << "frame " << frame;
        EXPECT_GT(meanDifference(read, packed, gradient(width, height, stride, 9 - frame), stride, width, height),
                  30)
            << "frame " << frame;
    }
    // The index comes before the pictures, for playing while it downloads.
    const std::string bytes = contents(path);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

// The left quarter clear, the next one half clear, the right half opaque,
// the colours moving with `frame`.
std::vector<uint8_t> partlyClear(int width, int height, int frame) {
    std::vector<uint8_t> pixels = gradient(width, height, width * 4, frame);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x) pixels[(y * width + x) * 4 + 3] = x < width / 4 ? 0 : 128;
    return pixels;
}

TEST_F(MediaTest, WebPKeepsAlphaOnlyWhenAsked) {
    const int width = 32, height = 24;
    for (bool alpha : {true, false}) {
        SCOPED_TRACE(alpha ? "with alpha" : "without alpha");
        const fs::path path = folder_ / (alpha ? "clear.webp" : "opaque.webp");
        // At 30 frames a second the frames last 33 or 34 ms, ending on the film's time.
        auto writer = FilmWriter::open(path, FilmKind::WebP, {width, height, 30, alpha});
        for (int frame = 0; frame < 3; ++frame) writer->addFrame(partlyClear(width, height, frame).data(), width * 4);
        writer->finish();

        const fixtures::FilmInfo info = readFilm(path);
        EXPECT_EQ(info.codec, "webp");
        EXPECT_TRUE(info.pixelFormat == "yuv420p" || info.pixelFormat == "yuva420p") << info.pixelFormat << " is not lossy";
        EXPECT_EQ(info.width, width);
        EXPECT_EQ(info.height, height);
        EXPECT_EQ(info.frames, 3);
        EXPECT_DOUBLE_EQ(info.seconds, 0.1);
        EXPECT_EQ(info.alpha, alpha);

        const std::vector<uint8_t> last = filmFrameRgba(path, 2);
        ASSERT_EQ(last.size(), std::size_t(width * height * 4));
        const std::vector<uint8_t> drawn = partlyClear(width, height, 2);
        const auto at = [&](int x) { return std::size_t(10 * width + x) * 4; };
        EXPECT_EQ(last[at(3) + 3], alpha ? 0 : 255);
        EXPECT_NEAR(last[at(width * 3 / 8) + 3], alpha ? 128 : 255, 2);
        EXPECT_EQ(last[at(width - 3) + 3], 255);
        // Colours as drawn where they show, not darkened by their alpha.
        for (int x : {width * 3 / 8, width - 3})
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(last[at(x) + c], drawn[at(x) + c], 12) << x << ", channel " << c;
    }
}

TEST_F(MediaTest, UnfinishedOrFailedFilmLeavesFolderAsItWas) {
    const int width = 16, height = 16;
    const std::vector<uint8_t> frame = gradient(width, height, width * 4, 0);
    for (FilmKind kind : {FilmKind::Mp4, FilmKind::WebP}) {
        SCOPED_TRACE(kind == FilmKind::Mp4 ? "mp4" : "webp");
        const fs::path kept = folder_ / "kept.film", fresh = folder_ / "fresh.film";
        std::ofstream(kept) << "the old film";

        // Cancelled after a frame, into a new name and over an old file.
        for (const fs::path& path : {fresh, kept}) {
            auto writer = FilmWriter::open(path, kind, {width, height, 10});
            writer->addFrame(frame.data(), width * 4);
            EXPECT_EQ(namesInFolder().size(), 2u) << "a temporary file beside the film while it is written";
        }
        // A film with no frames is refused, and the writer stays refused.
        auto empty = FilmWriter::open(kept, kind, {width, height, 10});
        EXPECT_THROW(empty->finish(), MediaError);
        empty.reset();
        // Rows shorter than the width, or no pixels at all, stop the film.
        auto bad = FilmWriter::open(kept, kind, {width, height, 10});
        EXPECT_THROW(bad->addFrame(frame.data(), width * 4 - 1), MediaError);
        EXPECT_THROW(bad->addFrame(nullptr, width * 4), MediaError);
        EXPECT_EQ(bad->framesWritten(), 0);
        bad.reset();

        EXPECT_EQ(contents(kept), "the old film");
        EXPECT_EQ(namesInFolder(), std::vector<std::string>{"kept.film"});
    }
}

TEST_F(MediaTest, OpenRefusesWhatCannotBeWritten) {
    EXPECT_THROW(FilmWriter::open(folder_ / "missing" / "turn.webp", FilmKind::WebP, {}), MediaError);
    try {
        FilmWriter::open(folder_ / "missing" / "turn.mp4", FilmKind::Mp4, {});
        ADD_FAILURE() << "no error";
    } catch (const MediaError& error) {
        EXPECT_NE(std::string(error.what()).find((folder_ / "missing" / "turn.mp4").string()), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(FilmWriter::open(folder_, FilmKind::Mp4, {}), MediaError);
    EXPECT_THROW(FilmWriter::open(folder_ / "odd.mp4", FilmKind::Mp4, {63, 48, 30}), MediaError);
    EXPECT_TRUE(namesInFolder().empty());
}

}  // namespace
}  // namespace korvex
