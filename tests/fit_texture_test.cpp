#include "textures/fit_texture.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

// Each pixel holds its own column and row (low bytes), so a sample shows
// where it was taken from.
PixelBuffer positions(uint32_t width, uint32_t height, uint32_t bytesPerPixel) {
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.bytesPerPixel = bytesPerPixel;
    buffer.pixels.resize(std::size_t{width} * height * bytesPerPixel);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = buffer.pixels.data() + (std::size_t{y} * width + x) * bytesPerPixel;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(x >> 8);
            p[2] = static_cast<uint8_t>(y);
            if (bytesPerPixel == 4) p[3] = static_cast<uint8_t>(y >> 8);
        }
    }
    return buffer;
}

TEST(FitToMaxTextureSize, SizesFollowTheLargerSide) {
    struct Case {
        uint32_t width, height, limit, fittedWidth, fittedHeight;
    };
    const Case cases[] = {
        {4000, 1000, 2048, 2048, 512},
        {1000, 4000, 2048, 512, 2048},
        {2048, 2048, 2048, 2048, 2048},  // at the limit: not resampled
        {2049, 2049, 2048, 2048, 2048},
        {4, 3, 2, 2, 2},           // 3 x 0.5 = 1.5 goes to 2
        {4, 5, 2, 2, 2},           // 4 x 0.4 = 1.6 goes to 2
        {8, 5, 4, 4, 2},           // 5 x 0.5 = 2.5 goes to 2
        {8, 7, 4, 4, 4},           // 7 x 0.5 = 3.5 goes to 4
        {5000, 1, 2048, 2048, 1},  // 0.41 would be no row at all; one is kept
    };
    for (const Case& c : cases) {
        const PixelBuffer fitted = FitToMaxTextureSize(positions(c.width, c.height, 3), c.limit);
        EXPECT_EQ(fitted.width, c.fittedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(fitted.height, c.fittedHeight) << c.width << "x" << c.height;
        EXPECT_EQ(fitted.pixels.size(), std::size_t{fitted.width} * fitted.height * 3);
    }
}

TEST(FitToMaxTextureSize, SamplesWholePixelsInsideThePicture) {
    // Unchanged below the limit, byte for byte.
    const PixelBuffer small = positions(30, 20, 4);
    EXPECT_EQ(FitToMaxTextureSize(small, 30).pixels, small.pixels);

    for (uint32_t bytes : {3u, 4u}) {
        const PixelBuffer fitted = FitToMaxTextureSize(positions(4000, 1000, bytes), 2048);
        ASSERT_EQ(fitted.width, 2048u);
        for (uint32_t j = 0; j < fitted.height; ++j) {
            for (uint32_t i = 0; i < fitted.width; ++i) {
                const uint8_t* p = fitted.pixels.data() + (std::size_t{j} * fitted.width + i) * bytes;
                const uint32_t column = p[0] | uint32_t{p[1]} << 8;
                const uint32_t row = p[2] | (bytes == 4 ? uint32_t{p[3]} << 8 : 0u);
                // About i / f and j / f with f = 0.512, never outside.
                ASSERT_LT(column, 4000u);
                ASSERT_NEAR(static_cast<double>(column), i / 0.512, 1.0) << i;
                if (bytes == 4) {
                    ASSERT_LT(row, 1000u);
                    ASSERT_NEAR(static_cast<double>(row), j / 0.512, 1.0) << j;
                }
            }
        }
    }
    // The last new pixel of a side never reaches past the old one.
    const PixelBuffer tall = FitToMaxTextureSize(positions(3, 7, 4), 4);
    ASSERT_EQ(tall.height, 4u);
    const uint8_t* last = tall.pixels.data() + tall.pixels.size() - 4;
    EXPECT_LT(last[0], 3);
    EXPECT_LT(last[2], 7);
}

}  // namespace
}  // namespace korvex
