#include "textures/jpeg_decoder.h"

#include "model/load_error.h"
#include "model/recording_io.h"
#include "tests/support/image_writers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

namespace korvex {
namespace {

using Bytes = std::vector<uint8_t>;

// Offset of the first marker `code` (0xFFxx) at or after `from`.
std::size_t findMarker(const Bytes& file, uint8_t code, std::size_t from = 0) {
    for (std::size_t i = from; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == code) return i;
    }
    return file.size();
}

// Largest difference of any channel between the decoded buffer (bottom row
// first) and the picture.
int largestError(const PixelBuffer& buffer, const images::Picture& picture, bool greyscale) {
    int worst = 0;
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* got = buffer.pixels.data() + (std::size_t{picture.height - 1 - y} * picture.width + x) * 4;
            const uint8_t* want = picture.at(x, y);
            const int grey = (77 * want[0] + 150 * want[1] + 29 * want[2]) >> 8;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[c] - (greyscale ? grey : want[c])));
        }
    }
    return worst;
}

TEST(JpegDecoder, ColourGreyscaleAndProgressivePicturesDecodeBottomRowFirst) {
    const images::Picture picture = images::testPattern(40, 24);
    struct Case {
        const char* what;
        images::JpegOptions options;
    };
    for (const Case& c : {Case{"colour", {95, false, false}}, Case{"greyscale", {95, true, false}},
                          Case{"progressive", {95, false, true}}, Case{"cmyk", {95, false, false, true}}}) {
        ScriptedPrompts prompts;
        const auto decoded = DecodeJpeg(images::writeJpeg(picture, c.options), "p.jpg", prompts);
        ASSERT_TRUE(decoded) << c.what;
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_EQ(decoded->width, 40u);
        EXPECT_EQ(decoded->height, 24u);
        EXPECT_EQ(decoded->bytesPerPixel, 4u);
        EXPECT_LE(largestError(*decoded, picture, c.options.greyscale), 40) << c.what;
        for (std::size_t i = 0; i < decoded->pixels.size(); i += 4) {
            ASSERT_EQ(decoded->pixels[i + 3], 255) << c.what;
            if (c.options.greyscale) {
                ASSERT_EQ(decoded->pixels[i], decoded->pixels[i + 1]);
                ASSERT_EQ(decoded->pixels[i], decoded->pixels[i + 2]);
            }
        }
    }
}

TEST(JpegDecoder, DamagedDataIsDecodedAround) {
    const Bytes whole = images::writeJpeg(images::testPattern(64, 64));
    // Cut in the middle of the scan: libjpeg warns, fills in, and goes on.
    Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(findMarker(whole, 0xDA) + 40));
    ScriptedPrompts prompts;
    const auto decoded = DecodeJpeg(cut, "cut.jpg", prompts);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 64u);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(JpegDecoder, AFatalErrorInTheImageDataEscapesWithItsNumber) {
    // The second scan of a progressive file is read while decoding; one
    // naming a component the frame does not have is fatal.
    Bytes file = images::writeJpeg(images::testPattern(32, 32), {90, false, true});
    const std::size_t second = findMarker(file, 0xDA, findMarker(file, 0xDA) + 2);
    ASSERT_LT(second, file.size());
    file[second + 5] = 0x7E;  // first component selector
    ScriptedPrompts prompts;
    try {
        DecodeJpeg(file, "bad.jpg", prompts);
        FAIL() << "no error";
    } catch (const LoadError& error) {
        EXPECT_EQ(std::string(error.what()), "JPEG error #" + std::to_string(JERR_BAD_COMPONENT_ID));
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(JpegDecoder, UnreadableFilesAndHeadersShowTheBox) {
    const auto dir = std::filesystem::temp_directory_path();
    const Bytes good = images::writeJpeg(images::testPattern(8, 8));
    Bytes hugeFrame = good;
    const std::size_t frame = findMarker(hugeFrame, 0xC0);
    ASSERT_LT(frame, hugeFrame.size());
    // 65000 x 65000 would need 16 GiB decoded.
    for (std::size_t at : {frame + 5, frame + 7}) {
        hugeFrame[at] = 0xFD;
        hugeFrame[at + 1] = 0xE8;
    }
    struct Case {
        const char* what;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"not a jpeg", images::writeBmp(images::testPattern(8, 8))},
        {"header cut short", Bytes(good.begin(), good.begin() + 20)},
        {"too big", hugeFrame},
    };
    for (const Case& c : cases) {
        ScriptedPrompts prompts;
        EXPECT_FALSE(DecodeJpeg(c.file, "C:\\odd \"name\".jpg", prompts)) << c.what;
        ASSERT_EQ(prompts.shown.size(), 1u) << c.what;
        EXPECT_EQ(prompts.shown[0].caption, "BMP Unit");
        EXPECT_EQ(prompts.shown[0].text, "Couldn't load JPG - \"C:\\odd \"name\".jpg\"");
    }

    ScriptedPrompts prompts;
    const std::string missing = (dir / "korvex-no-such-file.jpg").string();
    EXPECT_FALSE(DecodeJpegFile(missing, prompts));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Couldn't load JPG - \"" + missing + "\"");
}

TEST(JpegDecoder, StaysWithinItsMemoryBudget) {
    const Bytes progressive = images::writeJpeg(images::testPattern(256, 256), {90, false, true});
    ScriptedPrompts prompts;
    // The picture itself does not fit: refused after the header.
    EXPECT_FALSE(DecodeJpeg(progressive, "p.jpg", prompts, 256 * 256 * 4 - 1));
    EXPECT_EQ(prompts.shown.size(), 1u);
    // The picture fits but a progressive file's coefficients do not: libjpeg
    // stops with its own error, which escapes.
    EXPECT_THROW(DecodeJpeg(progressive, "p.jpg", prompts, 256 * 256 * 4 + 1024), LoadError);
    EXPECT_TRUE(DecodeJpeg(progressive, "p.jpg", prompts, 16u << 20));
}

}  // namespace
}  // namespace korvex
