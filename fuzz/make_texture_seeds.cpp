// Writes small TGA, JPEG and bitmap files, in every layout the decoders
// read, for the texture fuzzers to start from.
#include "tests/support/image_writers.h"

#include <iostream>
#include <string>

using namespace korvex::images;

namespace {

// A picture of at most `colours` colours in blocks, so palette depths can
// hold it and run-length files get runs as well as literal stretches.
Picture fewColours(uint32_t width, uint32_t height, uint32_t colours) {
    Picture picture(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            // An odd multiplier keeps the colours distinct by their red alone.
            const uint32_t k = (x / 3 + y / 2 + (x * y) % 5) % colours;
            uint8_t* p = picture.at(x, y);
            p[0] = static_cast<uint8_t>(k * 37);
            p[1] = static_cast<uint8_t>(k * 91 + 17);
            p[2] = static_cast<uint8_t>(k * 151 + 5);
            p[3] = 255;
        }
    return picture;
}

// Flat on the left, a gradient on the right: run-length TGA data then has
// both kinds of packet.
Picture halfFlat(uint32_t width, uint32_t height, bool alpha) {
    Picture picture = testPattern(width, height, alpha);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width / 2; ++x) {
            uint8_t* p = picture.at(x, y);
            p[0] = 200;
            p[1] = static_cast<uint8_t>(y < height / 2 ? 40 : 120);
            p[2] = 10;
            p[3] = 180;
        }
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-texture-seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    for (const char* kind : {"tga", "jpeg", "bmp"}) std::filesystem::create_directories(folder / kind);

    const std::filesystem::path tga = folder / "tga";
    writeFile(tga / "raw24.tga", writeTga(testPattern(16, 12), {.depth = 24}));
    writeFile(tga / "raw32-top-down.tga", writeTga(testPattern(12, 10, true), {.depth = 32, .topDown = true}));
    writeFile(tga / "rle24.tga", writeTga(halfFlat(20, 14, false), {.depth = 24, .runLength = true}));
    writeFile(tga / "rle32.tga", writeTga(halfFlat(16, 12, true), {.depth = 32, .runLength = true}));
    // Long runs make packets cross row ends.
    writeFile(tga / "rle24-top-down.tga",
              writeTga(fewColours(150, 4, 1), {.depth = 24, .runLength = true, .topDown = true}));

    const std::filesystem::path jpeg = folder / "jpeg";
    writeFile(jpeg / "colour-8x8.jpg", writeJpeg(testPattern(8, 8)));
    writeFile(jpeg / "colour-40x24.jpg", writeJpeg(testPattern(40, 24), {.quality = 75}));
    writeFile(jpeg / "colour-odd-17x9.jpg", writeJpeg(testPattern(17, 9), {.quality = 60}));
    writeFile(jpeg / "grey-16x16.jpg", writeJpeg(testPattern(16, 16), {.quality = 75, .greyscale = true}));
    writeFile(jpeg / "progressive-24x16.jpg", writeJpeg(testPattern(24, 16), {.quality = 75, .progressive = true}));
    writeFile(jpeg / "progressive-grey-16x8.jpg",
              writeJpeg(testPattern(16, 8), {.quality = 75, .greyscale = true, .progressive = true}));

    const std::filesystem::path bmp = folder / "bmp";
    writeFile(bmp / "depth1.bmp", writeBmp(fewColours(19, 7, 2), {.depth = 1}));
    writeFile(bmp / "depth4.bmp", writeBmp(fewColours(13, 9, 16), {.depth = 4}));
    writeFile(bmp / "depth8.bmp", writeBmp(fewColours(12, 10, 40), {.depth = 8}));
    writeFile(bmp / "depth16.bmp", writeBmp(testPattern(11, 8), {.depth = 16}));
    writeFile(bmp / "depth24.bmp", writeBmp(testPattern(10, 9), {.depth = 24}));
    writeFile(bmp / "depth32.bmp", writeBmp(testPattern(9, 8, true), {.depth = 32}));
    writeFile(bmp / "rle4.bmp", writeBmp(fewColours(21, 8, 6), {.depth = 4, .runLength = true}));
    writeFile(bmp / "rle8.bmp", writeBmp(fewColours(20, 9, 30), {.depth = 8, .runLength = true}));
    writeFile(bmp / "depth8-top-down.bmp", writeBmp(fewColours(14, 6, 20), {.depth = 8, .topDown = true}));
    writeFile(bmp / "depth24-top-down.bmp", writeBmp(testPattern(8, 6), {.depth = 24, .topDown = true}));
    return 0;
}
