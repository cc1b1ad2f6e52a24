// Draws models through korvex-inspect render and reads the PNG back.

#include "tools/korvex-inspect/inspect_render.h"

#include "render/headless_target.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <sstream>

namespace korvex {
namespace {

const std::string SampleCar = KORVEX_SAMPLE_CAR;
const std::string EnvPicture = KORVEX_SOURCE_DIR "/Data/Env.jpg";
const QRgb Black = qRgb(0, 0, 0);

int litPixels(const QImage& image) {
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) lit += image.pixel(x, y) != Black;
    return lit;
}

class InspectRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::string whyNot = [] {
            std::string why;
            return HeadlessTarget::create(1, 1, why) ? std::string() : why;
        }();
        if (whyNot.empty()) return;
        // The continuous-integration machine always has Mesa.
        if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
        GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
    }

    // Renders `model` at 96x72 with the repository's reflection picture, then `options`, and reads the PNG.
    QImage render(const std::string& model, const std::vector<std::string>& options, InspectRun* run = nullptr) {
        std::vector<std::string> args = {"render", model, "--png", png, "--size", "96x72", "--env", EnvPicture};
        args.insert(args.end(), options.begin(), options.end());
        const InspectRun done = inspect(args);
        EXPECT_EQ(done.status, 0) << done.err;
        if (run != nullptr) *run = done;
        return QImage(QString::fromStdString(png));
    }
    // One unit square, lit head-on, above and to the right of the middle once the tilt is 0.
    std::string square() const {
        fixtures::ModelDescription model;
        model.parts.push_back({"geo_r_0_a", fixtures::quadBlock()});
        fixtures::writeFile(folder.model(), model.build());
        return folder.model().string();
    }

    fixtures::CarFolder folder;
    const std::string png = (folder.cars() / "frame.png").string();
};

TEST_F(InspectRenderTest, SampleCarIsDrawnAfterWhatModelPrints) {
    InspectRun run;
    const QImage car = render(SampleCar, {"--size", "120x90"}, &run);
    EXPECT_EQ(run.out, inspect({"model", SampleCar}).out);
    ASSERT_EQ(car.size(), QSize(120, 90));
    EXPECT_FALSE(car.hasAlphaChannel());
    EXPECT_NE(car.pixel(60, 45), Black) << "the car is in the middle";
    EXPECT_EQ(car.pixel(0, 0), Black);

    EXPECT_EQ(render(SampleCar, {"--background", "255,255,255"}).pixel(0, 0), qRgb(254, 254, 254));
    EXPECT_NE(render(SampleCar, {"--yaw", "90"}), render(SampleCar, {})) << "a quarter turn shows another side";
}

// The smallest box around what is not background: left, top, right, bottom.
std::array<int, 4> drawnBox(const QImage& image) {
    std::array<int, 4> box{image.width(), image.height(), -1, -1};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == Black) continue;
            box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
        }
    }
    return box;
}

TEST_F(InspectRenderTest, StandardViewsAndFittingReplaceTheAnglesAndTheDistance) {
    const QImage fitted = render(SampleCar, {"--zoom", "-40", "--fit"});
    const auto [left, top, right, bottom] = drawnBox(fitted);
    EXPECT_GT(right - left, fitted.width() * 6 / 10) << "the car fills the frame across";
    EXPECT_LT(std::abs(left + right - fitted.width()), fitted.width() / 10) << left << ".." << right;
    EXPECT_LT(std::abs(top + bottom - fitted.height()), fitted.height() / 10) << top << ".." << bottom;
    EXPECT_EQ(fitted, render(SampleCar, {"--fit"})) << "--fit replaces --zoom";

    // Seen from each standard side, the car fills about 90% of the view the
    // way it binds, and fits the other way.
    for (const char* view : {"front", "side", "top", "three-quarter"}) {
        const QImage framed = render(SampleCar, {"--size", "200x150", "--view", view, "--fit"});
        const auto [l, t, r, b] = drawnBox(framed);
        const double across = (r - l + 1) / 200.0, up = (b - t + 1) / 150.0;
        EXPECT_GT(std::max(across, up), 0.84) << view << ": " << across << " x " << up;
        EXPECT_LT(std::max(across, up), 0.93) << view << ": " << across << " x " << up;
    }

    const QImage front = render(SampleCar, {"--view", "front"});
    EXPECT_EQ(front, render(SampleCar, {"--yaw", "10", "--view", "front", "--tilt", "5"}))
        << "--view replaces --yaw and --tilt wherever they stand";
    EXPECT_NE(front, render(SampleCar, {"--view", "top"}));
}

// The car's mesh is too fine to leave gaps at this size; a square is not.
TEST_F(InspectRenderTest, WindowControlsDecideWhatOfTheSquareIsDrawn) {
    const std::string model = square();
    const QImage solid = render(model, {"--tilt", "0"});
    const int solidLit = litPixels(solid);
    ASSERT_GT(solidLit, 150);
    // Top row first.
    EXPECT_NE(solid.pixel(56, 28), Black);
    EXPECT_EQ(solid.pixel(40, 44), Black);

    EXPECT_LT(litPixels(render(model, {"--tilt", "0", "--wireframe"})), solidLit / 3) << "only the edges are drawn";
    EXPECT_NE(render(model, {"--tilt", "0", "--select", "0"}).pixel(56, 28), solid.pixel(56, 28)) << "highlighted";
    // Without a settings file the square's row is drawn from 90 to 100.
    EXPECT_EQ(litPixels(render(model, {"--tilt", "0", "--slider", "89"})), 0);
    EXPECT_EQ(litPixels(render(model, {"--tilt", "0", "--slider", "89", "--lod-off"})), solidLit);
}

TEST_F(InspectRenderTest, MissingReflectionPictureIsABoxAndTheFrameIsStillDrawn) {
    const std::string model = square();
    const std::string gone = (folder.cars() / "gone.jpg").string();
    InspectRun run;
    EXPECT_EQ(render(model, {"--env", gone}, &run).size(), QSize(96, 72));
    // The model's own box (no settings file) comes first.
    EXPECT_EQ(run.out, inspect({"model", model}).out + "box\tBMP Unit\tCouldn't load JPG - \"" + gone + "\"\n");

    const std::string unwritable = (folder.cars() / "no-folder" / "frame.png").string();
    const InspectRun refused = inspect({"render", model, "--png", unwritable, "--size", "8x8"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "korvex-inspect: cannot write " + unwritable + ": No such file or directory\n");
}

TEST(InspectRenderCommand, ValuesAtTheirLimitsAreTakenAndOthersAreUsageErrors) {
    const auto taken = parseRenderCommand({"render", "m.o", "--png", "p.png", "--size", "8192x1", "--background",
                                           "255,0,128", "--frame-time", "4294967295", "--yaw", "-1.5e2"});
    ASSERT_TRUE(taken);
    EXPECT_EQ(std::make_pair(taken->width, taken->height), std::make_pair(8192, 1));
    EXPECT_EQ(taken->background, 0x008000FFu);
    EXPECT_EQ(taken->frameTime, 4294967295u);
    EXPECT_EQ(taken->rotationY, -150.0f);
    EXPECT_FALSE(taken->standardView);
    EXPECT_FALSE(taken->fit);
    const auto framed = parseRenderCommand({"render", "m.o", "--fit", "--view", "three-quarter", "--png", "p.png"});
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->standardView, StandardView::ThreeQuarter);
    EXPECT_TRUE(framed->fit);

    // Options after "render MODEL --png OUT.png", one case between semicolons; the first two lack OUT.png.
    std::istringstream wrong(
        "--wireframe;--png;--dump;--size 0x10;--size 10x8193;--size 10x;--size 10x10x10;--size 640;--yaw left;"
        "--tilt nan;--zoom;--slider 101;--slider -1;--select 1.5;--frame-time -1;--frame-time 4294967296;"
        "--background 256,0,0;--background 1,2;--backlight 1,,3;--backlight 1,2,3,4;--answer maybe;"
        "--view sideways;--view;--view Top;--fit 1");
    fixtures::TempDir dir;
    const std::string png = (dir / "p.png").string();
    int cases = 0;
    for (std::string options; std::getline(wrong, options, ';'); ++cases) {
        std::vector<std::string> args = {"render", (dir / "car.o").string()};
        if (cases >= 2) args.insert(args.end(), {"--png", png});
        std::istringstream words(options);
        for (std::string word; words >> word;) args.push_back(word);
        const InspectRun run = inspect(args);
        EXPECT_EQ(run.status, 2) << options;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("\n       korvex-inspect render MODEL|LOOK --png OUT.png"), std::string::npos);
    }
    EXPECT_EQ(cases, 25);
    EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace korvex
