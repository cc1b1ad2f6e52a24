#include "tools/korvex-inspect/inspect.h"

#include "tests/support/image_writers.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace korvex {
namespace {

class InspectTextureTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        images::writeFile(dir / name, bytes);
        return (dir / name).string();
    }
    std::string png() const { return (dir / "out.png").string(); }

    fixtures::TempDir dir;
};

TEST_F(InspectTextureTest, WritesTheFittedBufferRowByRow) {
    const images::Picture picture = images::testPattern(40, 10, true);

    // TGA: the rows as the file stores them (bottom-up here), alpha kept.
    const InspectRun tga =
        inspect({"texture", write("a.TGA", images::writeTga(picture, {32, true, false})), "--png", png()});
    EXPECT_EQ(tga.status, 0);
    EXPECT_EQ(tga.out, "ok 40 10 4\n");
    QImage written(QString::fromStdString(png()));
    ASSERT_FALSE(written.isNull());
    EXPECT_TRUE(written.hasAlphaChannel());
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x) {
            const uint8_t* want = picture.at(x, 9 - y);
            const QColor got = written.pixelColor(x, y);
            ASSERT_EQ(got.red(), want[0]);
            ASSERT_EQ(got.green(), want[1]);
            ASSERT_EQ(got.blue(), want[2]);
            ASSERT_EQ(got.alpha(), want[3]);
        }
    }

    // BMP: fitted to 16 x 4, opaque, the bottom picture row first.
    const InspectRun bmp =
        inspect({"texture", write("b.bmp", images::writeBmp(picture)), "--max-texture-size", "16", "--png", png()});
    EXPECT_EQ(bmp.out, "ok 16 4 4\n");
    written.load(QString::fromStdString(png()));
    ASSERT_EQ(written.size(), QSize(16, 4));
    EXPECT_EQ(written.pixelColor(0, 0).alpha(), 255);
    EXPECT_EQ(written.pixelColor(0, 0).green(), picture.at(0, 9)[1]);

    // 24-bit TGA gives RGB; JPEG without --png only decodes.
    EXPECT_EQ(inspect({"texture", write("c.tga", images::writeTga(picture))}).out, "ok 40 10 3\n");
    EXPECT_EQ(inspect({"texture", write("d.jpeg", images::writeJpeg(picture))}).out, "ok 40 10 4\n");
}

TEST_F(InspectTextureTest, RefusedFilesPrintTheirBoxesThenFail) {
    const images::Picture picture = images::testPattern(8, 8);
    const std::string missingJpeg = (dir / "gone.jpg").string();
    const std::string fakeBmp = write("fake.bmp", images::writeJpeg(picture));
    std::vector<uint8_t> badScan = images::writeJpeg(picture, {90, false, true});
    std::size_t scans = 0;
    for (std::size_t i = 0; i + 5 < badScan.size(); ++i) {
        if (badScan[i] == 0xFF && badScan[i + 1] == 0xDA && ++scans == 2) badScan[i + 5] = 0x7E;
    }
    struct Case {
        std::string path;
        std::string out;
    };
    const Case cases[] = {
        {write("short.tga", {0, 0, 2}), "fail\n"},
        {missingJpeg, "box\tBMP Unit\tCouldn't load JPG - \"" + missingJpeg + "\"\nfail\n"},
        {fakeBmp, "box\tBMP Unit\tCouldn't load BMP - \"" + fakeBmp + "\"\nfail\n"},
        {write("scan.jpg", badScan), "error\tJPEG error #"},
        {write("picture.png", images::writeBmp(picture)), "fail\n"},
        {write("noext", images::writeBmp(picture)), "fail\n"},
    };
    for (const Case& c : cases) {
        const InspectRun run = inspect({"texture", c.path, "--png", png()});
        EXPECT_EQ(run.status, 0) << c.path;
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out) << c.path;
        EXPECT_EQ(run.err, "");
        EXPECT_FALSE(std::filesystem::exists(png())) << c.path;
    }
    EXPECT_EQ(inspect({"texture", (dir / "scan.jpg").string()}).out,
              "error\tJPEG error #" + std::to_string(JERR_BAD_COMPONENT_ID) + "\nfail\n");
}

}  // namespace
}  // namespace korvex
