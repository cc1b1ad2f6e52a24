// Texture uploads through a real OpenGL context, under an X server.

#include "tests/support/gui_test_main.h"
#include "textures/opengl_textures.h"
#include "textures/texture_reload.h"
#include "textures/texture_upload.h"

#include "model/recording_io.h"
#include "tests/support/image_writers.h"
#include "tests/support/test_model.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <memory>

namespace korvex {
namespace {

class OpenGlTexturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        context = std::make_unique<QOpenGLContext>();
        if (!context->create()) GTEST_SKIP() << "no OpenGL context can be made here";
        surface.setFormat(context->format());
        surface.create();
        ASSERT_TRUE(context->makeCurrent(&surface));
    }
    void TearDown() override {
        if (context) context->doneCurrent();
    }

    // Level 0 of the bound texture, read back as R, G, B bytes.
    std::vector<uint8_t> levelZero(int width, int height) {
        std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    GLint levelParameter(GLenum parameter) {
        GLint value = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &value);
        return value;
    }

    std::unique_ptr<QOpenGLContext> context;
    QOffscreenSurface surface;
    OpenGlTextures gl;
    fixtures::TempDir dir;
};

TEST_F(OpenGlTexturesTest, TgaTexturesHoldNoAlphaAndRowsArePacked) {
    // 4 x 4 at 32 bits, alpha 0: the texture keeps only red, green and blue.
    images::Picture picture(4, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) {
            uint8_t* p = picture.at(x, y);
            p[0] = static_cast<uint8_t>(60 * x);
            p[1] = static_cast<uint8_t>(60 * y);
            p[2] = 90;
            p[3] = 0;
        }
    images::writeFile(dir / "a.tga", images::writeTga(picture, {32, false, true}));
    const auto name = LoadTgaFile(dir / "a.tga", gl);
    ASSERT_TRUE(name);
    EXPECT_EQ(glIsTexture(*name), GL_TRUE);
    EXPECT_EQ(levelParameter(GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_GT(levelParameter(GL_TEXTURE_RED_SIZE), 0);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
    const std::vector<uint8_t> texels = levelZero(4, 4);
    EXPECT_EQ(texels[(1 * 4 + 3) * 3 + 0], 180);
    EXPECT_EQ(texels[(1 * 4 + 3) * 3 + 1], 60);

    // 2 x 2 at 24 bits: 6-byte rows with no padding between them.
    images::Picture odd(2, 2);
    for (std::size_t i = 0; i < odd.rgba.size(); ++i) odd.rgba[i] = static_cast<uint8_t>(10 + i * 7);
    images::writeFile(dir / "odd.tga", images::writeTga(odd, {24, false, true}));
    ASSERT_TRUE(LoadTgaFile(dir / "odd.tga", gl));
    const std::vector<uint8_t> oddTexels = levelZero(2, 2);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 2; ++x)
            for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(oddTexels[(y * 2 + x) * 3 + c], odd.at(x, y)[c]);
}

TEST_F(OpenGlTexturesTest, JpegTexturesAreModulatedAndOpaque) {
    images::writeFile(dir / "a.jpg", images::writeJpeg(images::testPattern(16, 8)));
    ScriptedPrompts prompts;
    const auto name = LoadJpegFile(dir / "a.jpg", prompts, gl);
    ASSERT_TRUE(name);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH), 16);
    EXPECT_GT(levelParameter(GL_TEXTURE_ALPHA_SIZE), 0);
    std::vector<uint8_t> rgba(16 * 8 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (std::size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255);
    gl.deleteTexture(*name);
    EXPECT_EQ(glIsTexture(*name), GL_FALSE);
}

// A picture of noise: every level of a mipmap chain differs from the next.
images::Picture noise(uint32_t width, uint32_t height, uint32_t seed) {
    images::Picture picture(width, height);
    for (uint8_t& byte : picture.rgba) byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    return picture;
}

// Every mipmap level of the bound texture, as R, G, B bytes.
std::vector<std::vector<uint8_t>> allLevels(uint32_t width, uint32_t height) {
    std::vector<std::vector<uint8_t>> levels;
    for (GLint level = 0;; ++level) {
        std::vector<uint8_t> pixels(std::size_t{width} * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        levels.push_back(std::move(pixels));
        if (width == 1 && height == 1) return levels;
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
}

TEST_F(OpenGlTexturesTest, APictureReadAgainFillsItsTextureInPlaceAsAFreshUploadWould) {
    // TGA textures draw with mipmaps: each level must be the builder's own,
    // at both depths and down the single rows of a long picture.
    for (const uint8_t depth : {uint8_t{24}, uint8_t{32}}) {
        images::writeFile(dir / "a.tga", images::writeTga(noise(32, 8, 1), {depth, false, true}));
        const auto name = LoadTgaFile(dir / "a.tga", gl);
        ASSERT_TRUE(name);
        images::writeFile(dir / "b.tga", images::writeTga(noise(32, 8, 2), {depth, false, true}));
        const auto fresh = LoadTgaFile(dir / "b.tga", gl);
        const auto expected = allLevels(32, 8);

        const auto reloaded = prepareReloadedPicture(dir / "b.tga", 16384);
        ASSERT_TRUE(reloaded);
        EXPECT_EQ(reloaded->levels.size(), 5u);
        EXPECT_TRUE(replaceTexturePixels(*name, *reloaded));
        glBindTexture(GL_TEXTURE_2D, *name);
        EXPECT_EQ(allLevels(32, 8), expected) << int{depth} << "-bit";
        gl.deleteTexture(*fresh);
        // Another size does not fit the texture, which stays as it was.
        images::writeFile(dir / "c.tga", images::writeTga(noise(16, 16, 3), {depth, false, true}));
        EXPECT_FALSE(replaceTexturePixels(*name, *prepareReloadedPicture(dir / "c.tga", 16384)));
        glBindTexture(GL_TEXTURE_2D, *name);
        EXPECT_EQ(allLevels(32, 8), expected);
        gl.deleteTexture(*name);
    }

    // The others draw from the largest level alone.
    images::writeFile(dir / "a.bmp", images::writeBmp(noise(8, 4, 4)));
    ScriptedPrompts prompts;
    const auto name = LoadBmpFile(dir / "a.bmp", prompts, gl);
    ASSERT_TRUE(name);
    images::writeFile(dir / "a.bmp", images::writeBmp(noise(8, 4, 5)));
    EXPECT_TRUE(replaceTexturePixels(*name, *prepareReloadedPicture(dir / "a.bmp", 16384)));
    glBindTexture(GL_TEXTURE_2D, *name);
    const auto bmp = *DecodeTextureFileQuietly(dir / "a.bmp");
    std::vector<uint8_t> rgba(8 * 4 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_TRUE(std::equal(rgba.begin(), rgba.end(), bmp.pixels.begin()));
    EXPECT_FALSE(replaceTexturePixels(0, *prepareReloadedPicture(dir / "a.bmp", 16384)));
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<QGuiApplication>(argc, argv);
}
