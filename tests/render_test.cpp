// Draws small models through the window-less target and reads the pixels.

#include "model/load_error.h"
#include "model/recording_io.h"
#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/navigation.h"
#include "render/scene.h"
#include "render/scene_colours.h"
#include "tests/support/image_writers.h"
#include "tests/support/scene_builder.h"
#include "tests/support/test_model.h"
#include "textures/opengl_textures.h"
#include "textures/texture_upload.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

using namespace korvex;
using fixtures::PartLook;

namespace {

// Counts the allocations made through operator new, so a test can show that
// a frame makes none. The sanitizers keep their own operator new, which the
// driver's libraries pair with their own delete.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_KEEP_OPERATOR_NEW 1
#endif
#endif
std::atomic<long> allocations{0};

struct Pixel {
    int r, g, b;
    bool operator==(const Pixel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << '(' << p.r << ", " << p.g << ", " << p.b << ')';
}

bool near(const Pixel& a, const Pixel& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

constexpr Pixel Black{0, 0, 0};

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        target = HeadlessTarget::create(64, 64, whyNot);
        if (!target) {
            // The continuous-integration machine always has Mesa.
            if (std::getenv("CI") != nullptr) FAIL() << "no OpenGL: " << whyNot;
            GTEST_SKIP() << "no OpenGL without a window: " << whyNot;
        }
        SetupScene(state, dir / "no-such.jpg", prompts, textures);
        prompts.shown.clear();
        resizeView(64, 64);
        fixtures::lookHeadOn(state.view);
    }

    std::vector<uint8_t> frame(StripEmitter emitter = StripEmitter::VertexArrays) {
        RenderFrame(state, controls, emitter);
        return target->readRgb();
    }
    Pixel pixelAt(const std::vector<uint8_t>& rgb, int x, int y) const {
        const std::size_t at =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(target->width()) + static_cast<std::size_t>(x)) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
    Pixel centre() {
        const auto rgb = frame();
        return pixelAt(rgb, target->width() / 2, target->height() / 2);
    }
    // The centre as a plain opaque square of `colour` alone draws it.
    Pixel plainSquare(fixtures::Rgb colour) {
        ProgramState plain;
        plain.view = state.view;
        fixtures::addSquare(plain, 0, 0, 0, 2, PartLook{colour});
        std::swap(plain, state);
        const Pixel seen = centre();
        std::swap(plain, state);
        return seen;
    }
    uint32_t whiteTexture() {
        const std::vector<uint8_t> white(4 * 4 * 4, 255);
        return UploadRgbaPixels(textures, 4, 4, GL_RGBA, white.data());
    }

    fixtures::TempDir dir;
    std::unique_ptr<HeadlessTarget> target;
    ProgramState state;
    ScriptedPrompts prompts;
    OpenGlTextures textures;
    FrameControls controls{false, true, 100};
};

TEST_F(RenderTest, SceneStateIsSetInFullEvenWithoutTheReflectionPicture) {
    ProgramState fresh;
    fresh.view.RotationX = 3.0f;
    fresh.view.ZoomZ = -9.0f;
    ScriptedPrompts shown;
    SetupScene(fresh, dir / "Data" / "Env.jpg", shown, textures);
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].caption, "BMP Unit");
    EXPECT_EQ(shown.shown[0].text, "Couldn't load JPG - \"" + (dir / "Data" / "Env.jpg").string() + "\"");
    EXPECT_EQ(fresh.view.EnvTexture, 0u);
    EXPECT_EQ(fresh.view.RotationX, 20.0f);
    EXPECT_EQ(fresh.view.ZoomZ, -4.0f);

    for (const GLenum on : {GL_DEPTH_TEST, GL_TEXTURE_2D, GL_COLOR_MATERIAL, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    for (const GLenum off : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_BLEND, GL_CULL_FACE})
        EXPECT_FALSE(glIsEnabled(off));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &value);
    EXPECT_EQ(value, GL_SPHERE_MAP);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    GLfloat colour[4];
    glGetLightfv(GL_LIGHT1, GL_SPECULAR, colour);
    EXPECT_EQ((std::array<float, 4>{colour[0], colour[1], colour[2], colour[3]}),
              (std::array<float, 4>{1.0f, 0.8f, 0.4f, 1.0f}));
    glGetMaterialfv(GL_BACK, GL_SHININESS, colour);
    EXPECT_EQ(colour[0], 50.0f);
}

TEST_F(RenderTest, BrokenReflectionPictureIsReportedAfterTheSceneIsComplete) {
    // A progressive picture whose second scan names a component the frame
    // lacks fails only while its data is decoded.
    std::vector<uint8_t> file = images::writeJpeg(images::testPattern(16, 16), {90, false, true});
    std::size_t scans = 0;
    for (std::size_t i = 0; i + 6 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xDA && ++scans == 2) file[i + 5] = 0x7E;
    }
    ASSERT_GE(scans, 2u);
    images::writeFile(dir / "Env.jpg", file);
    glDisable(GL_LIGHT1);
    EXPECT_THROW(SetupScene(state, dir / "Env.jpg", prompts, textures), LoadError);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
}

TEST_F(RenderTest, WhatIsDrawnFollowsVisibilityDetailAndTheRecordsLimits) {
    const int32_t part = fixtures::addSquare(state, 0, 0, 0, 2);
    const Pixel red = centre();
    EXPECT_GT(red.r, 150);
    EXPECT_LT(red.g, 10);
    EXPECT_LT(red.b, 10);

    state.partList.PartVisible[0] = 0;
    EXPECT_EQ(centre(), Black) << "hidden";
    state.partList.PartVisible[0] = 1;
    EXPECT_EQ(centre(), red) << "shown again";

    state.geomData[0].LodOff = 10;
    state.geomData[0].LodOn = 50;
    for (const auto& [level, drawn] : {std::pair{9, false}, {10, true}, {50, true}, {51, false}, {100, false}}) {
        controls.DetailLevel = level;
        EXPECT_EQ(centre(), drawn ? red : Black) << "slider at " << level;
        EXPECT_EQ(PartInDetailRange(state, part, controls), drawn);
    }
    controls.UseLevelOfDetail = false;
    EXPECT_EQ(centre(), red) << "level of detail off";
    controls.UseLevelOfDetail = true;
    state.partList.Parts[0].SettingsRow = 7;
    EXPECT_EQ(centre(), red) << "a part without a settings row";

    state.partList.Parts[0].TextureIndex = 3;
    EXPECT_EQ(centre(), red) << "a texture past the library draws untextured";

    state.partList.Parts[0].IndicesInRange = false;
    state.SelectedPart = part;
    EXPECT_EQ(centre(), Black) << "an undrawable part, selected";
    state.partList.Parts[0].IndicesInRange = true;
    state.SelectedPart = 5;
    EXPECT_EQ(centre(), red) << "a stale selection";

    state.SelectedPart = -1;
    state.ModelLoaded = false;
    EXPECT_EQ(centre(), Black) << "closed, with PartCount still set";
}

TEST_F(RenderTest, TransparentPartsAreDrawnAfterOpaqueOnesAndAddTheirLight) {
    // The transparent square is first in the list and nearer: drawn first,
    // it would hide the red one behind it from the depth test.
    fixtures::addSquare(state, 0, 0, 0.5f, 2, PartLook{{0, 1, 0}, true});
    fixtures::addSquare(state, 0, 0, 0, 2, PartLook{{1, 0, 0}});
    const Pixel both = centre();
    const Pixel green = plainSquare({0, 1, 0});
    EXPECT_GT(both.r, 150);
    EXPECT_TRUE(near(both, Pixel{both.r, green.g, green.b}, 3)) << both << " against " << green;
}

TEST_F(RenderTest, ReflectionIsAddedAtAFifthOnOpaquePartsAndInFullOnTransparentOnes) {
    state.view.EnvTexture = whiteTexture();
    const int32_t part = fixtures::addSquare(state, 0, 0, 0, 2, PartLook{{0, 0, 0}, false, true});
    const Pixel opaque = centre();
    EXPECT_TRUE(near(opaque, plainSquare({0.2f, 0.2f, 0.2f}), 3)) << opaque;
    state.partList.Parts[static_cast<std::size_t>(part)].Transparent = 1;
    const Pixel transparent = centre();
    EXPECT_TRUE(near(transparent, plainSquare({1, 1, 1}), 3)) << transparent;
    EXPECT_GT(transparent.r, opaque.r * 4);
}

TEST_F(RenderTest, WireframeOutlinesTheStripUntilClickedAgain) {
    fixtures::addTriangle(state, {{{-2.0f, -1.5f}, {2.0f, -1.5f}, {0.0f, 2.0f}}});
    toggleWireframe(state.view);
    EXPECT_TRUE(state.view.Wireframe);
    const auto rgb = frame();
    EXPECT_EQ(pixelAt(rgb, 32, 32), Black);
    int lit = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3) lit += rgb[i] > 100 ? 1 : 0;
    EXPECT_GT(lit, 40) << "the outline";
    EXPECT_LT(lit, 400);
    toggleWireframe(state.view);
    EXPECT_FALSE(state.view.Wireframe);
    EXPECT_GT(centre().r, 150);
}

TEST_F(RenderTest, HighlightOfAHiddenSelectedPartPulsesWithTheClock) {
    const int32_t part = fixtures::addSquare(state, 0, 0, 0, 2);
    state.partList.PartVisible[0] = 0;
    state.SelectedPart = part;
    for (const uint32_t time : {0u, 785u, 2356u, 4000u}) {
        state.view.FrameTime = state.view.PreviousFrameTime = time;
        const Pixel glow = centre();
        const float s = std::sin(static_cast<float>(time) / 500.0f);
        const Pixel expected = plainSquare({0, 0.5f + 0.2f * s, 0.5f + 0.35f * s});
        EXPECT_TRUE(near(glow, expected, 2)) << "at " << time << " ms: " << glow << " against " << expected;
    }
}

TEST_F(RenderTest, SceneColoursFollowTheChosenValues) {
    struct Case {
        uint32_t chosen;
        GlColour background, diffuse, specular;
    };
    const Case cases[] = {
        {0x00FFFFFF, {0.99609375f, 0.99609375f, 0.99609375f, 1}, {1, 1, 1, 1}, {1.296875f, 1.296875f, 1.296875f, 1}},
        {0x00000000, {0, 0, 0, 1}, {0, 0, 0, 1}, {0.5f, 0.5f, 0.5f, 1}},
        {0x000000FF, {0.99609375f, 0, 0, 1}, {1, 0, 0, 1}, {1.296875f, 0.5f, 0.5f, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(backgroundColourOf(c.chosen), c.background);
        EXPECT_EQ(backlightDiffuseOf(c.chosen), c.diffuse);
        EXPECT_EQ(backlightSpecularOf(c.chosen), c.specular);
    }

    ApplyBackgroundColour(0x00FFFFFF);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.99609375f);
    EXPECT_EQ(centre(), (Pixel{254, 254, 254}));
    ApplyBacklightColour(0x000000FF);
    GLfloat specular[4];
    glGetLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    EXPECT_EQ(specular[0], 1.296875f);
    EXPECT_EQ(specular[1], 0.5f);
}

TEST_F(RenderTest, ResizingChangesTheAspectNotTheModelsShape) {
    fixtures::addSquare(state, 0, 0, 0, 2, PartLook{{1, 1, 1}});
    const auto extent = [this] {
        const auto rgb = frame();
        int columns = 0, rows = 0;
        for (int x = 0; x < target->width(); ++x) columns += pixelAt(rgb, x, target->height() / 2).r > 50 ? 1 : 0;
        for (int y = 0; y < target->height(); ++y) rows += pixelAt(rgb, target->width() / 2, y).r > 50 ? 1 : 0;
        return std::pair{columns, rows};
    };
    const auto square = extent();
    EXPECT_NEAR(square.first, 28, 1);  // 2 units at 4 units away fill 2 / (2 tan 30°) of 64
    ASSERT_TRUE(target->resize(128, 64));
    resizeView(128, 64);
    const auto wide = extent();
    EXPECT_EQ(wide, square);
    resizeView(128, 0);  // a view without height keeps its projection
    EXPECT_EQ(extent(), square);
}

TEST_F(RenderTest, AutoRotationTurnsTwentyDegreesPerSecondOfTheClock) {
    controls.Rotating = true;
    state.view.StartTick = 0xFFFFFF00u;  // the tick counter wraps during the run
    uint32_t tick = state.view.StartTick;
    for (int frameNo = 0; frameNo < 200; ++frameNo) {
        tick += 10;
        AdvanceFrameClock(state.view, tick);
        RenderFrame(state, controls);
    }
    // The smoothed clock lags the real one by about one frame.
    EXPECT_NEAR(state.view.FrameTime, 1990u, 1u);
    EXPECT_NEAR(state.view.RotationY, 1990.0f / 50.0f, 0.05f);
    controls.Rotating = false;
    const float held = state.view.RotationY;
    AdvanceFrameClock(state.view, tick + 1000);
    RenderFrame(state, controls);
    EXPECT_EQ(state.view.RotationY, held);
}

TEST_F(RenderTest, SampleCarIsDrawnAlikeByBothEmittersWithoutAllocating) {
    fixtures::LoadOutcome car;
    fixtures::openInto(car, KORVEX_SAMPLE_CAR);
    ASSERT_TRUE(car.state.ModelLoaded);
    std::swap(car.state.partList, state.partList);
    std::swap(car.state.geomData, state.geomData);
    state.ModelLoaded = true;
    state.view.RotationX = 20.0f;
    state.view.RotationY = 30.0f;
    state.view.EnvTexture = whiteTexture();
    state.SelectedPart = 1;
    ASSERT_TRUE(target->resize(160, 120));
    resizeView(160, 120);

    // The driver compiles its programs on the first frame that needs them.
    RenderFrame(state, controls, StripEmitter::VertexArrays);
    [[maybe_unused]] const long before = allocations.load();
    RenderFrame(state, controls, StripEmitter::VertexArrays);
#ifndef KORVEX_KEEP_OPERATOR_NEW
    EXPECT_EQ(allocations.load(), before) << "a frame allocates";
#endif
    const auto arrays = target->readRgb();
    const auto immediate = frame(StripEmitter::Immediate);
    EXPECT_EQ(arrays, immediate);
    long drawn = 0;
    for (uint8_t channel : arrays) drawn += channel != 0 ? 1 : 0;
    EXPECT_GT(drawn, 3000) << "the car covers part of the picture";
}

TEST(Navigation, DragsTurnTiltAndZoom) {
    ViewState view;
    viewMouseMove(view, 50, 50);
    EXPECT_EQ(view.RotationY, 0.0f) << "a move without a press";

    viewMousePress(view, MouseButton::Right, 10, 10);
    viewMouseMove(view, 14, 90);  // 80 pixels down, 4 across
    EXPECT_EQ(view.ZoomZ, 0.0f);
    EXPECT_EQ(view.RotationY, 2.0f);
    EXPECT_EQ(view.RotationX, 20.0f);
    viewMouseMove(view, 14, 150);
    EXPECT_EQ(view.ZoomZ, 0.0f) << "held at the eye";
    viewMouseMove(view, 14, 140);
    EXPECT_EQ(view.ZoomZ, -0.5f) << "and away again at once";

    viewMousePress(view, MouseButton::Left, 0, 0);  // a second button restarts the drag
    viewMouseMove(view, -3, 7);
    EXPECT_EQ(view.RotationX, 21.4f);
    EXPECT_EQ(view.RotationY, 0.5f);

    viewMousePress(view, MouseButton::Middle, 0, 0);
    viewMouseMove(view, 0, 500);
    EXPECT_EQ(view.RotationX, 21.4f);
    EXPECT_EQ(view.ZoomZ, -0.5f);

    viewMouseRelease(view);
    viewMouseMove(view, 100, 100);
    EXPECT_EQ(view.RotationY, 0.5f);
    EXPECT_FALSE(view.Dragging);
}

}  // namespace

#ifndef KORVEX_KEEP_OPERATOR_NEW
void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#endif
