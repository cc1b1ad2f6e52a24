// Pictures and films for presenting, made by korvex-inspect and read back:
// smooth edges and clear backgrounds, turntable films through the libraries
// that play them, the sheet of standard views against single renders, and
// the thumbnails file managers show.
// Runs in inspect_render_test's program.

#include "tools/korvex-inspect/inspect_presenting.h"

#include "export/view_sheet.h"
#include "render/headless_target.h"
#include "tests/support/film_readback.h"
#include "tests/support/image_writers.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace korvex {
namespace {

const std::string Car = KORVEX_SAMPLE_CAR;
const std::string Env = KORVEX_SOURCE_DIR "/Data/Env.jpg";

class PresentingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        if (HeadlessTarget::create(1, 1, whyNot)) return;
        if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
        GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
    }

    QImage render(std::vector<std::string> options, const std::string& model = Car) {
        const std::string png = (folder.cars() / "frame.png").string();
        std::vector<std::string> args = {"render", model, "--png", png, "--env", Env};
        args.insert(args.end(), options.begin(), options.end());
        const InspectRun run = inspect(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGBA8888);
    }

    std::string inCars(const std::string& name) const { return (folder.cars() / name).string(); }

    fixtures::CarFolder folder;
};

// How many pixels have an alpha other than 0 and 255, and how many 255.
std::pair<int, int> partialAndOpaque(const QImage& image) {
    int partial = 0, opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            partial += alpha != 0 && alpha != 255;
            opaque += alpha == 255;
        }
    return {partial, opaque};
}

// The mean difference of R, G and B between a decoded frame and a picture.
double meanDifference(const std::vector<uint8_t>& rgba, const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGBA8888);
    double sum = 0;
    std::size_t count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width() * 4; ++x) {
            if (x % 4 == 3) continue;
            sum += std::abs(int{row[x]} - int{rgba[static_cast<std::size_t>(y * image.width() * 4 + x)]});
            ++count;
        }
    }
    return count == 0 ? 1e9 : sum / static_cast<double>(count);
}

TEST_F(PresentingTest, AClearBackgroundIsAlphaZeroAndThePartsOpaqueSmoothedOnlyAlongTheEdges) {
    const std::vector<std::string> view = {"--size", "160x120", "--view", "three-quarter", "--fit", "--transparent"};
    std::vector<std::string> smooth = view;
    smooth.insert(smooth.end(), {"--samples", "4"});
    const QImage sharp = render(view), soft = render(smooth);
    ASSERT_TRUE(soft.hasAlphaChannel());
    EXPECT_EQ(qAlpha(soft.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(soft.pixel(80, 60)), 255) << "the car fills the middle";
    const auto [sharpPartial, sharpOpaque] = partialAndOpaque(sharp);
    const auto [softPartial, softOpaque] = partialAndOpaque(soft);
    EXPECT_EQ(sharpPartial, 0) << "without samples a pixel is covered or not";
    EXPECT_GT(softPartial, 100) << "smoothed edges are partly covered";
    EXPECT_LT(softPartial, softOpaque / 4) << "only along the edges";
    EXPECT_NEAR(softOpaque, sharpOpaque, sharpOpaque / 10);
    // A smoothed edge keeps the part's colour, not the clear black under it.
    for (int y = 0; y < soft.height(); ++y)
        for (int x = 0; x < soft.width(); ++x) {
            if (qAlpha(soft.pixel(x, y)) > 64 && qAlpha(soft.pixel(x, y)) < 255) {
                ASSERT_GT(qGray(soft.pixel(x, y)), 40) << x << "," << y;
            }
        }

    // A painted picture whose alpha is 0 throughout (as many TGA files are
    // saved) does not make the part it wears see-through.
    images::Picture clear = images::solid(8, 8, 220, 30, 30);
    for (std::size_t i = 3; i < clear.rgba.size(); i += 4) clear.rgba[i] = 0;
    const auto tga = folder.cars() / "clear.tga";
    images::writeFile(tga, images::writeTga(clear, {.depth = 32}));
    fixtures::ModelDescription square;
    square.parts.push_back({"geo_r_0_a", fixtures::quadBlock()});
    fixtures::writeFile(folder.model(), square.build());
    const QImage painted = render({"--size", "96x72", "--tilt", "0", "--transparent", "--texture", "0=" + tga.string()},
                                  folder.model().string());
    const auto [paintedPartial, paintedOpaque] = partialAndOpaque(painted);
    EXPECT_EQ(paintedPartial, 0);
    EXPECT_GT(paintedOpaque, 50);
}

TEST_F(PresentingTest, AnMp4TurntableReadsBackAsH264WhoseFramesAreTheRendersAtTheirAngles) {
    const auto film = folder.cars() / "turn.mp4";
    const InspectRun run = inspect({"turntable", Car, "--out", film.string(), "--size", "160x120", "--seconds", "1",
                                    "--fps", "12"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, inspect({"model", Car}).out);
    const fixtures::FilmInfo info = fixtures::readFilm(film);
    EXPECT_EQ(info.codec, "h264");
    EXPECT_EQ(info.pixelFormat, "yuv420p");
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    EXPECT_EQ(info.frames, 12);
    EXPECT_NEAR(info.seconds, 1.0, 1.0 / 12);

    // The codec loses a little; a frame of another angle differs far more.
    const QImage start = render({"--size", "160x120", "--samples", "4"});
    const QImage halfTurn = render({"--size", "160x120", "--samples", "4", "--yaw", "180"});
    const std::vector<uint8_t> first = fixtures::filmFrameRgba(film, 0), middle = fixtures::filmFrameRgba(film, 6);
    EXPECT_LT(meanDifference(first, start), 3.0);
    EXPECT_LT(meanDifference(middle, halfTurn), 3.0);
    EXPECT_GT(meanDifference(middle, start), 2 * meanDifference(middle, halfTurn) + 1.0);
}

TEST_F(PresentingTest, AWebPTurntableHasItsFramesAndAlphaOnlyWhenAskedFor) {
    const auto clear = folder.cars() / "clear.webp", opaque = folder.cars() / "opaque.webp";
    const std::vector<std::string> common = {"--size", "96x72", "--seconds", "0.5", "--fps", "8"};
    std::vector<std::string> args = {"turntable", Car, "--out", clear.string(), "--transparent"};
    args.insert(args.end(), common.begin(), common.end());
    ASSERT_EQ(inspect(args).status, 0);
    args = {"turntable", Car, "--out", opaque.string()};
    args.insert(args.end(), common.begin(), common.end());
    ASSERT_EQ(inspect(args).status, 0);

    const fixtures::FilmInfo withAlpha = fixtures::readFilm(clear), without = fixtures::readFilm(opaque);
    EXPECT_EQ(withAlpha.frames, 4);
    EXPECT_EQ(without.frames, 4);
    EXPECT_TRUE(withAlpha.alpha);
    EXPECT_FALSE(without.alpha);
    EXPECT_EQ(fixtures::filmFrameRgba(clear, 0)[3], 0) << "the corner is clear";
}

TEST_F(PresentingTest, FilmsThatCannotBeMadeAsAskedAreRefusedBeforeAnythingIsWritten) {
    const auto mp4 = folder.cars() / "turn.mp4";
    const auto files = [&] { return std::distance(std::filesystem::directory_iterator(folder.cars()), {}); };
    const auto before = files();
    const auto refused = [&](std::vector<std::string> extra, const std::string& out, const std::string& says) {
        std::vector<std::string> args = {"turntable", Car, "--out", out};
        args.insert(args.end(), extra.begin(), extra.end());
        const InspectRun run = inspect(args);
        EXPECT_EQ(run.status, 2) << out;
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
    };
    refused({"--transparent"}, mp4.string(), "an .mp4 film cannot be transparent");
    refused({"--size", "161x120"}, mp4.string(), "even");
    refused({}, (folder.cars() / "turn.gif").string(), "a film is written as .mp4 or .webp");
    refused({"--fps", "0"}, mp4.string(), "usage:");
    refused({"--seconds", "-1"}, mp4.string(), "usage:");
    EXPECT_EQ(files(), before);
}

TEST_F(PresentingTest, TheSheetsCellsAreTheFourStandardViewsFittedAndRendered) {
    const auto png = folder.cars() / "sheet.png";
    const InspectRun run = inspect({"sheet", Car, "--png", png.string(), "--size", "320x250", "--samples", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    const QImage sheet = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(sheet.size(), QSize(320, 250));
    const SheetLayout layout = sheetLayout(320, 250);
    const char* const views[] = {"front", "side", "top", "three-quarter"};
    const std::string cell = std::to_string(layout.cellWidth) + "x" + std::to_string(layout.cellHeight);
    for (int i = 0; i < 4; ++i) {
        const QImage alone = render({"--view", views[i], "--fit", "--size", cell, "--samples", "2"});
        EXPECT_EQ(sheet.copy((i % 2) * layout.cellWidth, (i / 2) * layout.cellHeight, layout.cellWidth,
                             layout.cellHeight),
                  alone)
            << views[i];
    }
    // The caption line has text in it.
    const QImage caption = sheet.copy(0, 2 * layout.cellHeight, 320, 250 - 2 * layout.cellHeight);
    EXPECT_GT(partialAndOpaque(caption).second, 0);
    bool lit = false;
    for (int y = 0; y < caption.height() && !lit; ++y)
        for (int x = 0; x < caption.width() && !lit; ++x) lit = qGray(caption.pixel(x, y)) > 128;
    EXPECT_TRUE(lit);
}

// The thumbnail a file manager shows for a car file.

bool rowCovered(const QImage& image, int y) {
    for (int x = 0; x < image.width(); ++x)
        if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
}

bool columnCovered(const QImage& image, int x) {
    for (int y = 0; y < image.height(); ++y)
        if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
}

TEST_F(PresentingTest, ThumbnailIsTheFittedSmoothThreeQuarterViewOnAClearBackgroundTrimmedToTheCar) {
    const InspectRun run = inspect({"thumbnail", "-s", "96", Car, inCars("thumb.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const QImage thumb = QImage(QString::fromStdString(inCars("thumb.png"))).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(thumb.isNull());
    EXPECT_TRUE(thumb.hasAlphaChannel());
    EXPECT_LE(thumb.width(), 96);
    EXPECT_LE(thumb.height(), 96);
    // The car seen from three quarters is wider than tall, and fills most of the width.
    EXPECT_GT(thumb.width(), thumb.height());
    EXPECT_GE(thumb.width(), 80);
    // Trimmed: the car reaches every edge.
    EXPECT_TRUE(rowCovered(thumb, 0) && rowCovered(thumb, thumb.height() - 1));
    EXPECT_TRUE(columnCovered(thumb, 0) && columnCovered(thumb, thumb.width() - 1));

    // It is render's picture of that view at the size asked for, cut to the car.
    const InspectRun full = inspect({"render", Car, "--png", inCars("full.png"), "--env", Env, "--size", "96x96", "--view",
                                     "three-quarter", "--fit", "--samples", "4", "--transparent"});
    ASSERT_EQ(full.status, 0) << full.err;
    const QImage whole = QImage(QString::fromStdString(inCars("full.png"))).convertToFormat(QImage::Format_ARGB32);
    bool found = false;
    for (int top = 0; top + thumb.height() <= whole.height() && !found; ++top)
        for (int left = 0; left + thumb.width() <= whole.width() && !found; ++left)
            found = whole.copy(left, top, thumb.width(), thumb.height()) == thumb;
    EXPECT_TRUE(found) << "the thumbnail is not a part of the rendered view";
    int partial = 0;
    for (int y = 0; y < thumb.height(); ++y)
        for (int x = 0; x < thumb.width(); ++x) partial += qAlpha(thumb.pixel(x, y)) % 255 != 0;
    EXPECT_GT(partial, 0) << "the edges are not smoothed";
}

TEST_F(PresentingTest, ThumbnailGoesIntoTheEmptyFileAServiceMadeForIt) {
    // A thumbnail service may read the picture back through the file it made.
    std::ofstream(inCars("made.png")).close();
    std::ifstream made(inCars("made.png"), std::ios::binary);
    const InspectRun run = inspect({"thumbnail", "-s", "32", Car, inCars("made.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    char signature[4] = {};
    made.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST_F(PresentingTest, ThumbnailOfWhatIsNotACarOrTooLargeIsNotMade) {
    const std::string output = inCars("none.png");
    // An object file of another kind: not a model of any car.
    fixtures::writeText(folder.cars() / "other.o", "\x7f" "ELF not a model");
    InspectRun run = inspect({"thumbnail", inCars("other.o"), output});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "korvex-inspect: " + inCars("other.o") + " is not a car model\n");
    EXPECT_FALSE(std::filesystem::exists(output));

    // Over 100 MB: refused before it is read (the file is sparse).
    std::filesystem::copy_file(Car, inCars("big.o"));
    std::filesystem::resize_file(inCars("big.o"), 100'000'001);
    run = inspect({"thumbnail", inCars("big.o"), output});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "korvex-inspect: " + inCars("big.o") + " is larger than 100 MB; it gets no thumbnail\n");
    EXPECT_FALSE(std::filesystem::exists(output));

    run = inspect({"thumbnail", inCars("missing.o"), output});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(output));

    // Nor is the model written over.
    std::filesystem::copy_file(Car, inCars("car.o"));
    const auto size = std::filesystem::file_size(inCars("car.o"));
    run = inspect({"thumbnail", inCars("car.o"), inCars("car.o")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::filesystem::file_size(inCars("car.o")), size);
}

}  // namespace
}  // namespace korvex
