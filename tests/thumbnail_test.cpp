// korvex-inspect thumbnail: the picture a file manager shows for a car file.
// Runs in inspect_render_test's program.

#include "render/headless_target.h"
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

class ThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        if (HeadlessTarget::create(1, 1, whyNot)) return;
        if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
        GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
    }

    std::string file(const std::string& name) const { return (folder.cars() / name).string(); }

    fixtures::CarFolder folder;
};

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

TEST_F(ThumbnailTest, IsTheFittedSmoothThreeQuarterViewOnAClearBackgroundTrimmedToTheCar) {
    const InspectRun run = inspect({"thumbnail", "-s", "96", Car, file("thumb.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const QImage thumb = QImage(QString::fromStdString(file("thumb.png"))).convertToFormat(QImage::Format_ARGB32);
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
    const InspectRun full = inspect({"render", Car, "--png", file("full.png"), "--env", Env, "--size", "96x96", "--view",
                                     "three-quarter", "--fit", "--samples", "4", "--transparent"});
    ASSERT_EQ(full.status, 0) << full.err;
    const QImage whole = QImage(QString::fromStdString(file("full.png"))).convertToFormat(QImage::Format_ARGB32);
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

TEST_F(ThumbnailTest, GoesIntoTheEmptyFileAServiceMadeForIt) {
    // A thumbnail service may read the picture back through the file it made.
    std::ofstream(file("made.png")).close();
    std::ifstream made(file("made.png"), std::ios::binary);
    const InspectRun run = inspect({"thumbnail", "-s", "32", Car, file("made.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    char signature[4] = {};
    made.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST_F(ThumbnailTest, WhatIsNotACarOrTooLargeGetsNoPictureAtAll) {
    const std::string output = file("none.png");
    // An object file of another kind: not a model of any car.
    fixtures::writeText(folder.cars() / "other.o", "\x7f" "ELF not a model");
    InspectRun run = inspect({"thumbnail", file("other.o"), output});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "korvex-inspect: " + file("other.o") + " is not a car model\n");
    EXPECT_FALSE(std::filesystem::exists(output));

    // Over 100 MB: refused before it is read (the file is sparse).
    std::filesystem::copy_file(Car, file("big.o"));
    std::filesystem::resize_file(file("big.o"), 100'000'001);
    run = inspect({"thumbnail", file("big.o"), output});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "korvex-inspect: " + file("big.o") + " is larger than 100 MB; it gets no thumbnail\n");
    EXPECT_FALSE(std::filesystem::exists(output));

    run = inspect({"thumbnail", file("missing.o"), output});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(output));

    // Nor is the model written over.
    std::filesystem::copy_file(Car, file("car.o"));
    const auto size = std::filesystem::file_size(file("car.o"));
    run = inspect({"thumbnail", file("car.o"), file("car.o")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::filesystem::file_size(file("car.o")), size);
}

}  // namespace
}  // namespace korvex
