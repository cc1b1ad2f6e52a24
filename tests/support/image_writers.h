#pragma once
// Encoders for the image files the tests, the fuzz seeds, the benchmarks and
// our data tools need, so every picture the project uses is made by us.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace korvex::images {

// A picture to encode: 4 bytes R, G, B, A per pixel, top row first.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    Picture() = default;
    Picture(uint32_t w, uint32_t h) : width(w), height(h), rgba(std::size_t{w} * h * 4, 0) {}
    uint8_t* at(uint32_t x, uint32_t y) { return rgba.data() + (std::size_t{y} * width + x) * 4; }
    const uint8_t* at(uint32_t x, uint32_t y) const { return rgba.data() + (std::size_t{y} * width + x) * 4; }
};

// A deterministic picture with smooth gradients and some detail, for
// benchmarks and seeds; `alpha` varies A too, otherwise it is 255.
Picture testPattern(uint32_t width, uint32_t height, bool alpha = false);
// A picture of one opaque colour.
Picture solid(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b);

struct TgaOptions {
    int depth = 24;          // 24 or 32
    bool runLength = false;  // image type 10 instead of 2
    bool topDown = false;    // rows top first, descriptor bit 5 set
};
// An 18-byte header, then the rows (bottom first unless topDown) as
// B,G,R(,A). Run-length data uses runs where pixels repeat, raw packets
// elsewhere, and lets packets cross row ends.
std::vector<uint8_t> writeTga(const Picture& picture, const TgaOptions& options = {});

struct JpegOptions {
    int quality = 90;
    bool greyscale = false;  // one component, from the picture's luminance
    bool progressive = false;
    // Four inks (C, M, Y, K stored inverted, with an Adobe marker, as print
    // software writes them), chosen so that they print the picture's colours.
    bool cmyk = false;
};
// Encoded with libjpeg; A is dropped.
std::vector<uint8_t> writeJpeg(const Picture& picture, const JpegOptions& options = {});

struct BmpOptions {
    int depth = 24;          // 1, 4, 8 (palette), 16 (5-5-5), 24 or 32
    bool runLength = false;  // RLE8 for depth 8, RLE4 for depth 4
    bool topDown = false;    // negative height, rows top first
};
// A BITMAPFILEHEADER and BITMAPINFOHEADER file. Palette depths need a
// picture with at most 2^depth distinct colours (throws otherwise); A is
// dropped except at 32 bits, where it is written as the fourth byte.
std::vector<uint8_t> writeBmp(const Picture& picture, const BmpOptions& options = {});

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::filesystem::path& path);

}  // namespace korvex::images
