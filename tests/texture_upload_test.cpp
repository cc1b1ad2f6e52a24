#include "textures/texture_upload.h"

#include "model/load_error.h"
#include "model/recording_io.h"
#include "tests/support/image_writers.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using Calls = std::vector<std::string>;

class TextureUploadTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, const std::vector<uint8_t>& bytes) {
        images::writeFile(dir / name, bytes);
        return dir / name;
    }

    fixtures::TempDir dir;
    fixtures::RecordingGl gl;
    ScriptedPrompts prompts;
};

const Calls RgbaUpload(uint32_t name, int width, int height) {
    const std::string n = std::to_string(name);
    return {"glGenTextures(1) = " + n,
            "glBindTexture(GL_TEXTURE_2D, " + n + ")",
            "glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)",
            "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR)",
            "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)",
            "gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, " + std::to_string(width) + ", " + std::to_string(height) +
                ", GL_RGBA, GL_UNSIGNED_BYTE)"};
}

TEST_F(TextureUploadTest, RgbaAndRgbUploadsMakeTheirCalls) {
    const uint8_t pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(UploadRgbaPixels(gl, 3, 1, 0x1908 /* GL_RGBA */, pixels), 1u);
    EXPECT_EQ(gl.calls, RgbaUpload(1, 3, 1));
    gl.calls.clear();
    EXPECT_EQ(UploadRgbaPixels(gl, 2, 2, 0x1907 /* GL_RGB */, pixels), 2u);
    EXPECT_EQ(gl.calls.back(), "gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 2, 2, GL_RGB, GL_UNSIGNED_BYTE)");
}

TEST_F(TextureUploadTest, TgaTexturesKeepThreeComponentsAndLeaveTheEnvironment) {
    images::Picture picture(2, 2);
    for (uint8_t& byte : picture.rgba) byte = 0x40;
    for (int depth : {24, 32}) {
        gl.calls.clear();
        const auto name = LoadTgaFile(write("p.tga", images::writeTga(picture, {depth, false, false})), gl);
        ASSERT_TRUE(name);
        const std::string n = std::to_string(*name);
        EXPECT_EQ(gl.calls, (Calls{"glGetIntegerv(GL_MAX_TEXTURE_SIZE)", "glGenTextures(1) = " + n,
                                   "glBindTexture(GL_TEXTURE_2D, " + n + ")",
                                   "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST)",
                                   "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR)",
                                   std::string("gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 2, 2, ") +
                                       (depth == 32 ? "GL_RGBA" : "GL_RGB") + ", GL_UNSIGNED_BYTE)"}));
    }
    // A failed load touches no texture at all.
    gl.calls.clear();
    EXPECT_FALSE(LoadTgaFile(write("bad.tga", {0, 1, 2}), gl));
    EXPECT_TRUE(gl.calls.empty());
}

TEST_F(TextureUploadTest, JpegAndBmpTexturesAreFittedToTheContextsLimit) {
    gl.limit = 16;
    const images::Picture picture = images::testPattern(64, 32);
    const auto jpeg = LoadJpegFile(write("p.jpg", images::writeJpeg(picture)), prompts, gl);
    ASSERT_TRUE(jpeg);
    Calls expected{"glGetIntegerv(GL_MAX_TEXTURE_SIZE)"};
    for (const std::string& call : RgbaUpload(*jpeg, 16, 8)) expected.push_back(call);
    EXPECT_EQ(gl.calls, expected);
    EXPECT_EQ(gl.lastPixels.size(), 16u * 8 * 4);

    gl.calls.clear();
    const auto bmp = LoadBmpFile(write("p.bmp", images::writeBmp(picture)), prompts, gl);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(gl.calls.back(), RgbaUpload(*bmp, 16, 8).back());
    EXPECT_TRUE(prompts.shown.empty());

    // Refused files show the loader's box and make nothing.
    gl.calls.clear();
    EXPECT_FALSE(LoadJpegFile(dir / "none.jpg", prompts, gl));
    EXPECT_FALSE(LoadBmpFile(write("png.bmp", images::writeJpeg(picture)), prompts, gl));
    EXPECT_TRUE(gl.calls.empty());
    ASSERT_EQ(prompts.shown.size(), 2u);
}

}  // namespace
}  // namespace korvex
