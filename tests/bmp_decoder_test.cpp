#include "textures/bmp_decoder.h"

#include "model/recording_io.h"
#include "tests/support/image_writers.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>

namespace korvex {
namespace {

using Bytes = std::vector<uint8_t>;

// A picture with few colours, so every palette depth can hold it.
images::Picture fewColours(uint32_t width, uint32_t height) {
    static const uint8_t palette[4][3] = {{255, 0, 0}, {0, 200, 0}, {0, 0, 160}, {250, 250, 250}};
    images::Picture picture(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* colour = palette[(x / 3 + y) % (y == 0 ? 2 : 4)];
            std::memcpy(picture.at(x, y), colour, 3);
            picture.at(x, y)[3] = 255;
        }
    }
    return picture;
}

// Within `tolerance` per channel, the bottom picture row first, A = 255.
void expectBottomRowFirst(const PixelBuffer& buffer, const images::Picture& picture, int tolerance,
                          const std::string& what) {
    ASSERT_EQ(buffer.width, picture.width) << what;
    ASSERT_EQ(buffer.height, picture.height) << what;
    ASSERT_EQ(buffer.bytesPerPixel, 4u) << what;
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* got = buffer.pixels.data() + (std::size_t{picture.height - 1 - y} * picture.width + x) * 4;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(got[c], picture.at(x, y)[c], tolerance) << what << " at " << x << "," << y;
            ASSERT_EQ(got[3], 255) << what;
        }
    }
}

TEST(BmpDecoder, EveryDepthAndLayoutGivesTheBottomRowFirst) {
    const images::Picture picture = fewColours(13, 7);
    struct Case {
        const char* what;
        images::BmpOptions options;
        int tolerance;
    };
    const Case cases[] = {
        {"1 bit", {1, false, false}, 0},     {"4 bits", {4, false, false}, 0},
        {"4 bits rle", {4, true, false}, 0}, {"8 bits", {8, false, false}, 0},
        {"8 bits rle", {8, true, false}, 0}, {"16 bits", {16, false, false}, 8},
        {"24 bits", {24, false, false}, 0},  {"24 bits top-down", {24, false, true}, 0},
        {"32 bits", {32, false, false}, 0},  {"8 bits top-down", {8, false, true}, 0},
    };
    for (const Case& c : cases) {
        images::Picture shown = picture;
        if (c.options.depth == 1) {
            // Two colours only.
            for (uint32_t y = 0; y < shown.height; ++y)
                for (uint32_t x = 0; x < shown.width; ++x) std::memcpy(shown.at(x, y), picture.at(x, 0), 3);
        }
        ScriptedPrompts prompts;
        const auto decoded = DecodeBmp(images::writeBmp(shown, c.options), "p.bmp", prompts);
        ASSERT_TRUE(decoded) << c.what;
        EXPECT_TRUE(prompts.shown.empty());
        expectBottomRowFirst(*decoded, shown, c.tolerance, c.what);
    }

    // The file's alpha is not kept: bitmaps are opaque.
    images::Picture seeThrough = images::testPattern(5, 4, true);
    ScriptedPrompts prompts;
    const auto decoded = DecodeBmp(images::writeBmp(seeThrough, {32, false, false}), "a.bmp", prompts);
    ASSERT_TRUE(decoded);
    expectBottomRowFirst(*decoded, seeThrough, 0, "32 bits with alpha");
}

Bytes bmpHeader(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression, std::size_t fileSize) {
    Bytes file(54, 0);
    auto put32 = [&](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(fileSize));
    put32(10, 54 + (bitsPerPixel <= 8 ? 4u << bitsPerPixel : 0u));
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = static_cast<uint8_t>(bitsPerPixel);
    put32(30, compression);
    file.resize(std::max<std::size_t>(fileSize, 54), 0);
    return file;
}

TEST(BmpDecoder, RefusesWhatIsNotAWholeBitmap) {
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::red);
    QByteArray pngBytes;
    QBuffer device(&pngBytes);
    device.open(QIODevice::WriteOnly);
    ASSERT_TRUE(png.save(&device, "PNG"));

    const Bytes good = images::writeBmp(fewColours(16, 16), {24, false, false});
    struct Case {
        const char* what;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"a png named .bmp", Bytes(pngBytes.begin(), pngBytes.end())},
        {"a jpeg named .bmp", images::writeJpeg(fewColours(8, 8))},
        {"header only", Bytes(good.begin(), good.begin() + 54)},
        {"rows missing", Bytes(good.begin(), good.end() - 16 * 3 * 2)},
        // 60000 x 60000 at 24 bits in 100 bytes: nothing is reserved for it.
        {"huge uncompressed", bmpHeader(60000, 60000, 24, 0, 100)},
        // Run-length rows could fill anything; 20000 x 20000 would need 1.6 GB decoded.
        {"huge run-length", bmpHeader(20000, 20000, 8, 1, 2000)},
    };
    for (const Case& c : cases) {
        ScriptedPrompts prompts;
        EXPECT_FALSE(DecodeBmp(c.file, "D:\\cars\\paint.bmp", prompts)) << c.what;
        ASSERT_EQ(prompts.shown.size(), 1u) << c.what;
        EXPECT_EQ(prompts.shown[0].caption, "BMP Unit");
        EXPECT_EQ(prompts.shown[0].text, "Couldn't load BMP - \"D:\\cars\\paint.bmp\"");
    }

    ScriptedPrompts prompts;
    EXPECT_FALSE(DecodeBmpFile("/nonexistent/x.bmp", prompts));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Couldn't load BMP - \"/nonexistent/x.bmp\"");
}

TEST(BmpDecoder, ALargeHonestBitmapStillLoads) {
    // 8192 x 8192 at 24 bits: the reader's own 256 MB default would refuse
    // the 32-bit picture it makes.
    const std::size_t rowBytes = 8192 * 3;
    Bytes file = bmpHeader(8192, 8192, 24, 0, 54 + rowBytes * 8192);
    file[54 + 2] = 0xEE;  // the bottom row's first pixel is red
    ScriptedPrompts prompts;
    const auto decoded = DecodeBmp(file, "big.bmp", prompts);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 8192u);
    EXPECT_EQ(decoded->height, 8192u);
    EXPECT_EQ(decoded->pixels[0], 0xEE);
    EXPECT_EQ(decoded->pixels[1], 0);
    EXPECT_EQ(decoded->pixels[3], 255);
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
}  // namespace korvex
