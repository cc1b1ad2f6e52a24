#include "textures/tga_decoder.h"

#include "textures/picture_layout.h"

#include "tests/support/image_writers.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace korvex {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes header(uint8_t type, uint16_t width, uint16_t height, uint8_t depth, uint8_t descriptor = 0) {
    return {0,
            0,
            type,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            static_cast<uint8_t>(width),
            static_cast<uint8_t>(width >> 8),
            static_cast<uint8_t>(height),
            static_cast<uint8_t>(height >> 8),
            depth,
            descriptor};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> pixelsOf(const PixelBuffer& buffer) {
    return {buffer.pixels.begin(), buffer.pixels.end()};
}

TEST(TgaDecoder, UncompressedPixelsBecomeRgbInFileOrder) {
    // 2 x 1, 24 bits: B,G,R in the file.
    const auto small = DecodeTga(header(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 2u);
    EXPECT_EQ(small->height, 1u);
    EXPECT_EQ(small->bytesPerPixel, 3u);
    EXPECT_EQ(pixelsOf(*small), (Bytes{3, 2, 1, 6, 5, 4}));

    // 32 bits keep the file's alpha as the fourth byte.
    const auto alpha = DecodeTga(header(2, 1, 2, 32, 8) + Bytes{10, 20, 30, 40, 50, 60, 70, 80});
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->bytesPerPixel, 4u);
    EXPECT_EQ(pixelsOf(*alpha), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));

    // The origin bit changes nothing: the first row of the file is row 0.
    const Bytes rows{1, 1, 1, 2, 2, 2};
    const auto bottomUp = DecodeTga(header(2, 1, 2, 24, 0x00) + rows);
    const auto topDown = DecodeTga(header(2, 1, 2, 24, 0x20) + rows);
    ASSERT_TRUE(bottomUp && topDown);
    EXPECT_EQ(pixelsOf(*bottomUp), pixelsOf(*topDown));
    EXPECT_EQ(pixelsOf(*topDown), (Bytes{1, 1, 1, 2, 2, 2}));

    // Bytes after the picture are not looked at.
    EXPECT_TRUE(DecodeTga(header(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(TgaDecoder, RefusesEveryOtherHeader) {
    const Bytes data(4 * 4 * 4, 7);
    const Bytes good = header(2, 4, 4, 32) + data;
    ASSERT_TRUE(DecodeTga(good));
    struct Case {
        const char* what;
        std::size_t offset;
        uint8_t value;
    };
    const Case cases[] = {
        {"image id", 0, 1},        {"colour map", 1, 1},        {"colour-mapped", 2, 1},
        {"black and white", 2, 3}, {"colour-mapped rle", 2, 9}, {"black and white rle", 2, 11},
        {"map origin", 3, 1},      {"map length", 5, 1},        {"map depth", 7, 16},
        {"x origin", 8, 1},        {"y origin high", 11, 1},    {"zero width", 12, 0},
        {"depth 8", 16, 8},        {"depth 15", 16, 15},        {"depth 16", 16, 16},
        {"depth 33", 16, 33},
    };
    for (const Case& c : cases) {
        Bytes file = good;
        file[c.offset] = c.value;
        if (c.offset == 12) file[13] = 0;
        EXPECT_FALSE(DecodeTga(file)) << c.what;
    }
    Bytes zeroHeight = good;
    zeroHeight[14] = zeroHeight[15] = 0;
    EXPECT_FALSE(DecodeTga(zeroHeight));

    // Too short for the pattern, for the sizes, or for the pixels.
    EXPECT_FALSE(DecodeTga({}));
    EXPECT_FALSE(DecodeTga(Bytes(good.begin(), good.begin() + 11)));
    EXPECT_FALSE(DecodeTga(Bytes(good.begin(), good.begin() + 17)));
    EXPECT_FALSE(DecodeTga(Bytes(good.begin(), good.end() - 1)));
    EXPECT_FALSE(DecodeTga(header(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5}));
}

TEST(TgaDecoder, RunLengthPacketsOfEveryKind) {
    // 0x80: a run of one; 0x00: one raw pixel; 0x81: a run of two crossing
    // into the second row; 0x01: two raw pixels.
    const Bytes packets{0x80, 1, 2, 3, 0x00, 4, 5, 6, 0x81, 7, 8, 9, 0x01, 10, 11, 12, 13, 14, 15};
    const auto small = DecodeTga(header(10, 3, 2, 24) + packets);
    ASSERT_TRUE(small);
    EXPECT_EQ(pixelsOf(*small), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 9, 8, 7, 12, 11, 10, 15, 14, 13}));

    // 0xFF repeats a pixel 128 times and 0x7F carries 128 raw pixels; 32
    // bits keep alpha in both.
    Bytes big{0xFF, 1, 2, 3, 4, 0x7F};
    for (int i = 0; i < 128; ++i) big.insert(big.end(), {uint8_t(i), 0, 0, 200});
    const auto full = DecodeTga(header(10, 16, 16, 32) + big);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->pixels.size(), 256u * 4);
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(full->pixels[i * 4 + 0], 3);
        EXPECT_EQ(full->pixels[i * 4 + 3], 4);
        EXPECT_EQ(full->pixels[(128 + i) * 4 + 2], i);
        EXPECT_EQ(full->pixels[(128 + i) * 4 + 3], 200);
    }

    // A packet that would go past the last pixel, and data that stops early.
    EXPECT_FALSE(DecodeTga(header(10, 2, 1, 24) + Bytes{0x82, 1, 2, 3}));
    EXPECT_FALSE(DecodeTga(header(10, 2, 1, 24) + Bytes{0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(DecodeTga(header(10, 2, 1, 24) + Bytes{0x80, 1, 2, 3}));
    EXPECT_FALSE(DecodeTga(header(10, 2, 1, 24) + Bytes{0x01, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(DecodeTga(header(10, 2, 1, 24) + Bytes{0x80, 1, 2}));
}

TEST(TgaDecoder, HostileSizesFailBeforeAnythingIsReserved) {
    // 65535 x 65535 x 4 would be 16 GiB; the file holds 100 bytes.
    Bytes claim = header(2, 65535, 65535, 32);
    claim.resize(100, 0xAB);
    EXPECT_FALSE(DecodeTga(claim));
    claim[2] = 10;
    EXPECT_FALSE(DecodeTga(claim));
    // 82 bytes of data hold 16 run packets of 5 bytes: at most 2048 pixels.
    Bytes runs = header(10, 2048, 1, 32);
    for (int i = 0; i < 16; ++i) runs.insert(runs.end(), {0xFF, 1, 2, 3, 4});
    EXPECT_TRUE(DecodeTga(runs));
    runs[12] = 1;  // 2049 pixels
    runs[13] = 8;
    EXPECT_FALSE(DecodeTga(runs));
}

TEST(TgaDecoder, EncodedPicturesRoundTripThroughFiles) {
    const images::Picture picture = images::testPattern(37, 23, true);
    const fixtures::TempDir dir;
    for (int depth : {24, 32}) {
        for (bool runLength : {false, true}) {
            for (bool topDown : {false, true}) {
                const auto path = dir / "picture.tga";
                images::writeFile(path, images::writeTga(picture, {depth, runLength, topDown}));
                const auto decoded = DecodeTgaFile(path);
                ASSERT_TRUE(decoded) << depth << runLength << topDown;
                ASSERT_EQ(decoded->bytesPerPixel, depth / 8u);
                // Rows in file order: bottom-up files give the picture upside down.
                for (uint32_t y = 0; y < picture.height; ++y) {
                    const uint32_t source = topDown ? y : picture.height - 1 - y;
                    for (uint32_t x = 0; x < picture.width; ++x) {
                        const uint8_t* want = picture.at(x, source);
                        const uint8_t* got = decoded->pixels.data() + (y * picture.width + x) * decoded->bytesPerPixel;
                        for (uint32_t c = 0; c < decoded->bytesPerPixel; ++c)
                            ASSERT_EQ(got[c], want[c]) << x << "," << y << " depth " << depth << " rle " << runLength;
                    }
                }
            }
        }
    }
    EXPECT_FALSE(DecodeTgaFile(dir / "missing.tga"));
    EXPECT_FALSE(DecodeTgaFile(dir.path()));  // a folder
}

// The origin bits do not reorder the rows; they say how an editor shows the
// picture, so that its pixels can be named as the editor names them.
TEST(TgaDecoder, OriginBitsSayHowAnEditorShowsThePictureAndItsPixelsAreNamedSo) {
    for (const uint8_t descriptor : {0x00, 0x20, 0x10, 0x30}) {
        Bytes file = header(2, 4, 2, 24, descriptor);
        for (int pixel = 0; pixel < 8; ++pixel) file.insert(file.end(), {static_cast<uint8_t>(pixel), 0, 0});
        const auto picture = DecodeTga(file);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->pixels[2], 0);  // the file's first pixel stays first
        const PictureLayout layout = layoutOf(*picture);
        EXPECT_EQ(layout.TopRowFirst, (descriptor & 0x20) != 0);
        EXPECT_EQ(layout.RightColumnFirst, (descriptor & 0x10) != 0);
        // Texture point (0.1, 0.1) is the file's first pixel: where the editor shows it.
        const EditorPixel first = editorPixel(layout, 0.1, 0.1);
        EXPECT_EQ(first.x, layout.RightColumnFirst ? 3u : 0u);
        EXPECT_EQ(first.y, layout.TopRowFirst ? 0u : 1u);
    }
    // The texture repeats; the far edges name the last pixel; a broken coordinate names the first.
    const PictureLayout standard{100, 50, false, false};
    const EditorPixel wrapped = editorPixel(standard, 2.435, -0.69);  // as (0.435, 0.31)
    EXPECT_EQ(wrapped.x, 43u);
    EXPECT_EQ(wrapped.y, 34u);
    const EditorPixel edge = editorPixel(standard, 0.99999, 0.0);
    EXPECT_EQ(edge.x, 99u);
    EXPECT_EQ(edge.y, 49u);
    const EditorPixel broken = editorPixel(standard, std::nan(""), INFINITY);
    EXPECT_EQ(broken.x, 0u);
    EXPECT_EQ(broken.y, 0u);
}

}  // namespace
}  // namespace korvex
