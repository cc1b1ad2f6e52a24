// UV layout templates against an oracle: a quad whose texture coordinates
// cover a known rectangle, for each kind of picture. The template must
// outline that rectangle where an image editor shows it, and a mark painted
// there in the editor must show on the quad where the template put it.

#include "export/uv_layout.h"
#include "render/headless_target.h"
#include "tests/support/image_writers.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace korvex {
namespace {

constexpr int PictureWidth = 100, PictureHeight = 50;
// The quad's texture coordinates as the file holds them: u across, v down.
constexpr double Left = 0.25, Right = 0.625, Top = 0.125, Bottom = 0.5;

struct PictureKind {
    const char* file;
    std::function<std::vector<uint8_t>(const images::Picture&)> write;
    bool shownTurnedOver;  // a top-down TGA: the view takes its rows in file order
};

const PictureKind Kinds[] = {
    {"mark.jpg", [](const images::Picture& p) { return images::writeJpeg(p, {.quality = 98}); }, false},
    {"mark.bmp", [](const images::Picture& p) { return images::writeBmp(p); }, false},
    {"mark.tga", [](const images::Picture& p) { return images::writeTga(p); }, false},
    {"top-down.tga", [](const images::Picture& p) { return images::writeTga(p, {.topDown = true}); }, true},
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    void take(int x, int y) {
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
    bool empty() const { return right < 0; }
    double centreX() const { return (left + right + 1) / 2.0; }
    double centreY() const { return (top + bottom + 1) / 2.0; }
};

Box boxOf(const QImage& image, const std::function<bool(QRgb)>& wanted) {
    Box box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (wanted(image.pixel(x, y))) box.take(x, y);
    return box;
}

class UvLayoutTest : public ::testing::Test {
protected:
    // A 2 x 2 quad facing the viewer; its top left corner has (Left, Top).
    std::string quad() const {
        fixtures::GeometryBlock block;
        block.vertices = {fixtures::vertex(-1, -1, 0, 0, 0, 1, Left, Bottom), fixtures::vertex(1, -1, 0, 0, 0, 1, Right, Bottom),
                          fixtures::vertex(-1, 1, 0, 0, 0, 1, Left, Top), fixtures::vertex(1, 1, 0, 0, 0, 1, Right, Top)};
        block.indices = {0, 1, 2, 3};
        fixtures::ModelDescription model;
        model.parts.push_back({"geo_r_0_a", block});
        fixtures::writeFile(folder.model(), model.build());
        return folder.model().string();
    }
    std::string picture(const PictureKind& kind, const images::Picture& picture) const {
        const std::filesystem::path path = folder.modelFolder() / kind.file;
        images::writeFile(path, kind.write(picture));
        return path.string();
    }
    // With KORVEX_TEST_PICTURES naming a folder, the pictures of each kind
    // are copied there to be looked at.
    static void keepPictures(const PictureKind& kind, const std::vector<std::string>& files) {
        const char* keep = std::getenv("KORVEX_TEST_PICTURES");
        if (keep == nullptr) return;
        for (const std::string& file : files)
            std::filesystem::copy_file(file, std::filesystem::path(keep) / (std::string(kind.file) + "-" +
                                                                           std::filesystem::path(file).filename().string()),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    QImage run(const std::vector<std::string>& args, const std::string& png) {
        const InspectRun done = inspect(args);
        EXPECT_EQ(done.status, 0) << done.err;
        return QImage(QString::fromStdString(png));
    }
    fixtures::CarFolder folder;
    std::string marked_;
};

TEST_F(UvLayoutTest, OutlinesTheQuadWhereAnEditorShowsItsPartOfEachKindOfPicture) {
    const std::string model = quad();
    for (const PictureKind& kind : Kinds) {
        SCOPED_TRACE(kind.file);
        const std::string white = picture(kind, images::solid(PictureWidth, PictureHeight, 255, 255, 255));
        const std::string png = (folder.modelFolder() / "template.png").string();
        const QImage bare = run({"uv", model, "--png", png, "--texture", "0=" + white, "--part", "0"}, png);
        ASSERT_EQ(bare.size(), QSize(PictureWidth, PictureHeight));
        const Box outline = boxOf(bare, [](QRgb pixel) { return qAlpha(pixel) > 0; });
        // A top-down TGA is shown turned over, so its template is too.
        const double top = kind.shownTurnedOver ? 1 - Bottom : Top, bottom = kind.shownTurnedOver ? 1 - Top : Bottom;
        // A line 1 pixel wide along an edge touches half a pixel either side of it.
        EXPECT_NEAR(outline.left, Left * PictureWidth - 0.5, 1.0);
        EXPECT_NEAR(outline.right + 1, Right * PictureWidth + 0.5, 1.0);
        EXPECT_NEAR(outline.top, top * PictureHeight - 0.5, 1.0);
        EXPECT_NEAR(outline.bottom + 1, bottom * PictureHeight + 0.5, 1.0);
        // Outside the outline the template is clear; drawn over the picture it is not.
        EXPECT_EQ(qAlpha(bare.pixel(2, 2)), 0);
        const QImage over = run({"uv", model, "--png", png, "--texture", "0=" + white, "--part", "0", "--over"}, png);
        EXPECT_EQ(over.pixel(2, 2), qRgb(255, 255, 255));
    }
}

TEST_F(UvLayoutTest, AMarkPaintedInsideTheOutlineShowsOnTheQuadWhereTheTemplatePutsIt) {
    const std::string model = quad();
    const std::string env = KORVEX_SOURCE_DIR "/Data/Env.jpg";
    std::string whyNot;
    if (!HeadlessTarget::create(1, 1, whyNot)) {
        if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
        GTEST_SKIP() << whyNot;
    }
    for (const PictureKind& kind : Kinds) {
        SCOPED_TRACE(kind.file);
        const std::string png = (folder.modelFolder() / "template.png").string();
        const std::string blank = picture(kind, images::solid(PictureWidth, PictureHeight, 255, 255, 255));
        const Box outline = boxOf(run({"uv", model, "--png", png, "--texture", "0=" + blank, "--part", "0"}, png),
                                  [](QRgb pixel) { return qAlpha(pixel) > 0; });
        // The mark fills the upper left quarter of the outline, as the editor shows the picture.
        images::Picture marked = images::solid(PictureWidth, PictureHeight, 255, 255, 255);
        const int markRight = (outline.left + outline.right) / 2, markBottom = (outline.top + outline.bottom) / 2;
        for (int y = outline.top + 2; y < markBottom; ++y)
            for (int x = outline.left + 2; x < markRight; ++x) {
                uint8_t* p = marked.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
                p[1] = p[2] = 0;
            }
        const std::string shot = (folder.modelFolder() / "shot.png").string();
        marked_ = picture(kind, marked);
        const QImage frame = run({"render", model, "--png", shot, "--size", "240x240", "--yaw", "0", "--tilt", "0",
                                  "--fit", "--env", env, "--texture", "0=" + marked_},
                                 shot);
        keepPictures(kind, {png, marked_, shot});
        const Box quadOnScreen = boxOf(frame, [](QRgb pixel) { return pixel != qRgb(0, 0, 0); });
        const Box mark = boxOf(frame, [](QRgb pixel) { return qRed(pixel) > 100 && qGreen(pixel) < qRed(pixel) / 3; });
        ASSERT_FALSE(quadOnScreen.empty());
        ASSERT_FALSE(mark.empty());
        // The outline's upper left corner is the quad's corner with those
        // texture coordinates: its upper left on screen, or its lower left
        // for a picture shown turned over. The mark is a quarter of the
        // outline, less a border, from that corner.
        const double width = quadOnScreen.right + 1 - quadOnScreen.left;
        const double height = quadOnScreen.bottom + 1 - quadOnScreen.top;
        const double expectedX = quadOnScreen.left + width * 0.27;
        const double expectedY = kind.shownTurnedOver ? quadOnScreen.bottom + 1 - height * 0.27
                                                      : quadOnScreen.top + height * 0.27;
        EXPECT_NEAR(mark.centreX(), expectedX, width * 0.06);
        EXPECT_NEAR(mark.centreY(), expectedY, height * 0.06);
    }
}

// The texture repeats: a triangle one repeat over is drawn where the view
// samples it, on the same pixels; and coordinates no picture could hold
// (not numbers, or spanning millions of repeats) draw nothing or little,
// at once, instead of a copy for every repeat.
TEST(UvLayoutDrawing, RepeatsAreDrawnWhereSampledAndHostileCoordinatesCostNothing) {
    const auto draw = [](std::vector<std::array<float, 6>> triangles) {
        UvLayout layout;
        layout.parts.push_back({0, std::move(triangles)});
        layout.picture = {64, 64, false, false};
        return drawUvLayout(layout, QSize(64, 64), QImage());
    };
    const QImage home = draw({{0.25f, 0.25f, 0.75f, 0.25f, 0.25f, 0.75f}});
    const QImage over = draw({{1.25f, -1.75f, 1.75f, -1.75f, 1.25f, -1.25f}});
    EXPECT_EQ(over, home);
    const float huge = 1e30f, nan = std::nanf("");
    const QImage hostile = draw({{nan, 0, 1, 0, 0, 1},
                                 {0, 0, 1, nan, 0, 1},
                                 {-huge, 0.5f, huge, 0.5f, 0, huge},
                                 {0, 0, 3e6f, 0, 0, 3e6f},
                                 {INFINITY, 0, 0, 1, 1, 1}});
    EXPECT_EQ(hostile.size(), QSize(64, 64));
}

}  // namespace
}  // namespace korvex
