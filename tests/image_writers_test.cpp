#include "tests/support/image_writers.h"

#include <unistd.h>
#include <QImage>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace korvex::images {
namespace {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

Picture makePicture(uint32_t width, uint32_t height, const std::function<Rgba(uint32_t, uint32_t)>& colour) {
    Picture picture(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const Rgba c = colour(x, y);
            std::copy(c.begin(), c.end(), picture.at(x, y));
        }
    return picture;
}

uint32_t read32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

QImage decode(const Bytes& bytes, const char* format) {
    return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), format)
        .convertToFormat(QImage::Format_ARGB32);
}

// Three pixels per row, two rows; the file stores the bottom row first, so the
// stream is P Q R R R S and the run of R crosses from the bottom row into the top.
constexpr Rgba P{1, 2, 3, 40}, Q{4, 5, 6, 50}, R{7, 8, 9, 60}, S{10, 11, 12, 70};
const Picture tinyPicture = makePicture(3, 2, [](uint32_t x, uint32_t y) {
    const Rgba top[3] = {R, R, S}, bottom[3] = {P, Q, R};
    return y == 0 ? top[x] : bottom[x];
});

Bytes bgr(const Rgba& c) {
    return {c[2], c[1], c[0]};
}
Bytes bgra(const Rgba& c) {
    return {c[2], c[1], c[0], c[3]};
}
Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(TgaWriter, WritesHeaderAndPixelsByteForByte) {
    struct Case {
        const char* name;
        TgaOptions options;
        uint8_t imageType, descriptor;
        Bytes pixels;
    };
    const Case cases[] = {
        {"bottom-up 24", {24, false, false}, 2, 0x00, concat({bgr(P), bgr(Q), bgr(R), bgr(R), bgr(R), bgr(S)})},
        {"top-down 32", {32, false, true}, 2, 0x28, concat({bgra(R), bgra(R), bgra(S), bgra(P), bgra(Q), bgra(R)})},
        {"run-length 24",
         {24, true, false},
         10,
         0x00,
         concat({{0x01}, bgr(P), bgr(Q), {0x82}, bgr(R), {0x00}, bgr(S)})},
        {"run-length top-down 32",
         {32, true, true},
         10,
         0x28,
         concat({{0x81}, bgra(R), {0x03}, bgra(S), bgra(P), bgra(Q), bgra(R)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes header = {
            0,           0, c.imageType, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, static_cast<uint8_t>(c.options.depth),
            c.descriptor};
        EXPECT_EQ(writeTga(tinyPicture, c.options), concat({header, c.pixels}));
    }
}

TEST(TgaWriter, SplitsPacketsAt128Pixels) {
    // 300 equal pixels, then 130 that each differ from the next.
    const Picture picture = makePicture(430, 1, [](uint32_t x, uint32_t) {
        return x < 300 ? Rgba{9, 9, 9, 255} : Rgba{static_cast<uint8_t>(x), 0, 0, 255};
    });
    const Bytes tga = writeTga(picture, {24, true, false});
    std::vector<uint8_t> headers;
    for (std::size_t at = 18; at < tga.size(); at += 1 + 3 * (tga[at] & 0x80 ? 1 : (tga[at] & 0x7F) + 1))
        headers.push_back(tga[at]);
    EXPECT_EQ(headers, (std::vector<uint8_t>{0xFF, 0xFF, 0xAB, 0x7F, 0x01}));
    EXPECT_EQ(tga.size(), 18u + 3 * (1 + 3) + (1 + 128 * 3) + (1 + 2 * 3));
}

struct BmpCase {
    BmpOptions options;
    uint32_t width, height;
    int colours;  // distinct colours in the picture, 0 for a full-colour one
};

// A picture whose rows, but the first, mix a long run at the left with a
// stretch where each pixel differs from the next, so run-length files use
// both kinds of packet; R alone tells the palette colours apart.
Picture bmpPicture(const BmpCase& c) {
    return makePicture(c.width, c.height, [&](uint32_t x, uint32_t y) {
        if (c.colours == 0)
            return Rgba{static_cast<uint8_t>(x * 37 + y), static_cast<uint8_t>(y * 53 + x * 3),
                        static_cast<uint8_t>(x * y * 11), static_cast<uint8_t>(x * 5 + y * 17)};
        const uint32_t index = (y > 0 && x < c.width / 3 ? y : y * c.width + x) % c.colours;
        return Rgba{static_cast<uint8_t>(index), static_cast<uint8_t>(255 - index * 3),
                    static_cast<uint8_t>(index * 97), 255};
    });
}

std::size_t distinctColours(const Picture& picture) {
    std::set<uint32_t> colours;
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4)
        colours.insert(picture.rgba[i] | picture.rgba[i + 1] << 8 | picture.rgba[i + 2] << 16);
    return colours.size();
}

std::string describe(const BmpCase& c) {
    return std::to_string(c.options.depth) + (c.options.runLength ? " rle" : "") +
           (c.options.topDown ? " top-down" : "") + " " + std::to_string(c.width) + "x" + std::to_string(c.height);
}

TEST(BmpWriter, DecodesToThePictureInEveryLayout) {
    const BmpCase cases[] = {
        {{1, false, false}, 13, 5, 2},    {{1, false, true}, 33, 3, 2},   {{4, false, false}, 13, 5, 16},
        {{4, false, true}, 7, 4, 11},     {{4, true, false}, 13, 5, 16},  {{4, true, false}, 900, 3, 5},
        {{8, false, false}, 256, 3, 256}, {{8, false, true}, 6, 6, 30},   {{8, true, false}, 256, 3, 256},
        {{8, true, false}, 900, 3, 40},   {{16, false, false}, 13, 5, 0}, {{16, false, true}, 13, 5, 0},
        {{24, false, false}, 13, 5, 0},   {{24, false, true}, 14, 5, 0},  {{32, false, false}, 13, 5, 0},
        {{32, false, true}, 13, 5, 0},
    };
    for (const BmpCase& c : cases) {
        SCOPED_TRACE(describe(c));
        const Picture picture = bmpPicture(c);
        const Bytes bmp = writeBmp(picture, c.options);

        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(read32(bmp, 2), bmp.size());
        const uint32_t offset = read32(bmp, 10);
        const std::size_t paletteEntries = c.options.depth <= 8 ? distinctColours(picture) : 0;
        EXPECT_EQ(offset, 54 + 4 * paletteEntries);
        EXPECT_EQ(read32(bmp, 46), paletteEntries);
        EXPECT_EQ(static_cast<int32_t>(read32(bmp, 22)),
                  c.options.topDown ? -static_cast<int32_t>(c.height) : static_cast<int32_t>(c.height));
        EXPECT_EQ(read32(bmp, 30), c.options.runLength ? (c.options.depth == 8 ? 1u : 2u) : 0u);
        EXPECT_EQ(read32(bmp, 34), bmp.size() - offset);
        if (!c.options.runLength) {
            EXPECT_EQ(bmp.size() - offset, (c.width * c.options.depth + 31) / 32 * 4 * c.height);
        }

        const QImage image = decode(bmp, "BMP");
        ASSERT_EQ(image.width(), static_cast<int>(c.width));
        ASSERT_EQ(image.height(), static_cast<int>(c.height));
        // 5-5-5 keeps the top five bits of each channel; a decoder may fill the low bits either way.
        const int mask = c.options.depth == 16 ? 0xF8 : 0xFF;
        int wrong = 0;
        for (uint32_t y = 0; y < c.height; ++y)
            for (uint32_t x = 0; x < c.width; ++x) {
                const QRgb got = image.pixel(static_cast<int>(x), static_cast<int>(y));
                const uint8_t* want = picture.at(x, y);
                if ((qRed(got) & mask) != (want[0] & mask) || (qGreen(got) & mask) != (want[1] & mask) ||
                    (qBlue(got) & mask) != (want[2] & mask))
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(BmpWriter, KeepsAlphaAsTheFourthByteAt32Bits) {
    const Picture picture = makePicture(2, 2, [](uint32_t x, uint32_t y) {
        const Rgba colours[4] = {P, Q, R, S};
        return colours[y * 2 + x];
    });
    const Bytes bottomUp = writeBmp(picture, {32, false, false});
    EXPECT_EQ(Bytes(bottomUp.begin() + 54, bottomUp.end()), concat({bgra(R), bgra(S), bgra(P), bgra(Q)}));
    const Bytes topDown = writeBmp(picture, {32, false, true});
    EXPECT_EQ(Bytes(topDown.begin() + 54, topDown.end()), concat({bgra(P), bgra(Q), bgra(R), bgra(S)}));
}

TEST(BmpWriter, RefusesWhatTheFormatCannotHold) {
    struct Case {
        const char* name;
        BmpCase bmp;
    };
    const Case cases[] = {
        {"three colours at 1 bit", {{1, false, false}, 5, 1, 3}},
        {"17 colours at 4 bits", {{4, false, false}, 40, 1, 17}},
        {"17 colours in RLE4", {{4, true, false}, 40, 1, 17}},
        {"full colour at 8 bits", {{8, false, false}, 40, 40, 0}},
        {"top-down run-length", {{8, true, true}, 4, 4, 2}},
        {"run-length at 24 bits", {{24, true, false}, 4, 4, 0}},
        {"depth 7", {{7, false, false}, 4, 4, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(writeBmp(bmpPicture(c.bmp), c.bmp.options), std::invalid_argument);
    }
}

bool hasMarker(const Bytes& bytes, uint8_t marker) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) return true;
    return false;
}

TEST(JpegWriter, DecodesCloseToThePicture) {
    struct Case {
        const char* name;
        JpegOptions options;
    };
    const Case cases[] = {
        {"colour", {90, false, false}},
        {"greyscale", {90, true, false}},
        {"progressive colour", {90, false, true}},
        {"progressive greyscale", {85, true, true}},
    };
    const Picture picture = testPattern(67, 45);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes jpeg = writeJpeg(picture, c.options);
        EXPECT_EQ(hasMarker(jpeg, 0xC2), c.options.progressive);
        EXPECT_EQ(hasMarker(jpeg, 0xC0), !c.options.progressive);

        const QImage image = decode(jpeg, "JPG");
        ASSERT_EQ(image.width(), 67);
        ASSERT_EQ(image.height(), 45);
        long error = 0;
        int colouredGrey = 0;
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 67; ++x) {
                const QRgb got = image.pixel(x, y);
                const uint8_t* p = picture.at(x, y);
                if (c.options.greyscale) {
                    if (qRed(got) != qGreen(got) || qGreen(got) != qBlue(got)) ++colouredGrey;
                    error += std::abs(qGreen(got) - ((77 * p[0] + 150 * p[1] + 29 * p[2]) >> 8));
                } else {
                    error += std::abs(qRed(got) - p[0]) + std::abs(qGreen(got) - p[1]) + std::abs(qBlue(got) - p[2]);
                }
            }
        EXPECT_EQ(colouredGrey, 0);
        const double perChannel = static_cast<double>(error) / (67 * 45 * (c.options.greyscale ? 1 : 3));
        EXPECT_LT(perChannel, 4.0);
    }
}

TEST(JpegWriter, QualityTradesSizeAndEmptyPicturesFail) {
    const Picture picture = testPattern(64, 64);
    EXPECT_LT(writeJpeg(picture, {30}).size() * 3 / 2, writeJpeg(picture, {95}).size());
    // libjpeg's own error, turned into an exception.
    EXPECT_THROW(writeJpeg(Picture(0, 4)), std::runtime_error);
}

TEST(TestPattern, IsRepeatableSmoothAndDetailed) {
    for (const bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "alpha" : "opaque");
        const Picture picture = testPattern(96, 64, alpha);
        EXPECT_EQ(picture.rgba, testPattern(96, 64, alpha).rgba);
        std::set<uint32_t> colours;
        std::set<uint8_t> alphas;
        long step = 0;
        for (uint32_t y = 0; y < 64; ++y)
            for (uint32_t x = 0; x < 96; ++x) {
                const uint8_t* p = picture.at(x, y);
                colours.insert(p[0] | p[1] << 8 | p[2] << 16);
                alphas.insert(p[3]);
                if (x > 0)
                    for (int k = 0; k < 3; ++k) step += std::abs(p[k] - picture.at(x - 1, y)[k]);
            }
        EXPECT_GT(colours.size(), 2000u);
        // Neighbours differ by a few levels on average: gradients, not noise.
        EXPECT_LT(static_cast<double>(step) / (95 * 64 * 3), 6.0);
        if (alpha)
            EXPECT_GT(alphas.size(), 100u);
        else
            EXPECT_EQ(alphas, std::set<uint8_t>{255});
    }
}

TEST(ImageFiles, WriteAndReadBackBinaryBytes) {
    const auto folder = std::filesystem::temp_directory_path() / ("korvex_image_writers_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const Bytes bytes = {0x00, 0x0A, 0x0D, 0x1A, 0xFF, 0x0D, 0x0A};
    writeFile(folder / "a.bin", bytes);
    EXPECT_EQ(readFile(folder / "a.bin"), bytes);
    EXPECT_THROW(readFile(folder / "missing.bin"), std::runtime_error);
    EXPECT_THROW(writeFile(folder / "no-such-folder" / "a.bin", bytes), std::runtime_error);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvex::images
