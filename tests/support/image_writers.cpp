#include "tests/support/image_writers.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace korvex::images {

namespace {

using Bytes = std::vector<uint8_t>;

void checkSize(const Picture& picture) {
    if (picture.rgba.size() != std::size_t{picture.width} * picture.height * 4)
        throw std::invalid_argument("picture pixels do not match its size");
}

void put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void set32(Bytes& out, std::size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) out[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

// The file's row for stored row `row`: bottom-up files store the picture's last row first.
uint32_t pictureRow(const Picture& picture, uint32_t row, bool topDown) {
    return topDown ? row : picture.height - 1 - row;
}

uint8_t clampByte(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// TGA

Bytes tgaPixels(const Picture& picture, int bytesPerPixel, bool topDown) {
    Bytes pixels;
    pixels.reserve(std::size_t{picture.width} * picture.height * bytesPerPixel);
    for (uint32_t row = 0; row < picture.height; ++row) {
        const uint32_t y = pictureRow(picture, row, topDown);
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.at(x, y);
            pixels.insert(pixels.end(), {p[2], p[1], p[0]});
            if (bytesPerPixel == 4) pixels.push_back(p[3]);
        }
    }
    return pixels;
}

// Packets hold at most 128 pixels; a run starts wherever two neighbours are equal.
void appendTgaRunLength(Bytes& out, const Bytes& pixels, std::size_t bytesPerPixel) {
    const std::size_t count = pixels.size() / bytesPerPixel;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::equal(pixels.begin() + a * bytesPerPixel, pixels.begin() + (a + 1) * bytesPerPixel,
                          pixels.begin() + b * bytesPerPixel);
    };
    auto pixel = [&](std::size_t i) { return pixels.begin() + i * bytesPerPixel; };
    std::size_t i = 0;
    while (i < count) {
        std::size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run)) ++run;
        if (run > 1) {
            out.push_back(static_cast<uint8_t>(0x80 + run - 1));
            out.insert(out.end(), pixel(i), pixel(i + 1));
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        out.insert(out.end(), pixel(i), pixel(i + raw));
        i += raw;
    }
}

// JPEG

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// libjpeg reports errors by jumping out of its own frames, so this function
// keeps only plain locals and the caller turns a failure into an exception.
bool compressJpeg(const uint8_t* samples, uint32_t width, uint32_t height, int components, int quality,
                  bool progressive, unsigned char** output, unsigned long* outputSize, char* message) {
    jpeg_compress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegError;
    errors.message[0] = '\0';
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, outputSize);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = std::size_t{width} * components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// BMP

uint32_t packedColour(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
}

struct Palette {
    std::vector<uint32_t> colours;  // 0xBBGGRR, first seen first
    std::vector<uint8_t> indices;   // one per pixel, top row first
};

Palette buildPalette(const Picture& picture, int depth) {
    const std::size_t limit = std::size_t{1} << depth;
    Palette palette;
    palette.indices.reserve(std::size_t{picture.width} * picture.height);
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        const uint32_t colour = packedColour(&picture.rgba[i]);
        auto found = std::find(palette.colours.begin(), palette.colours.end(), colour);
        if (found == palette.colours.end()) {
            if (palette.colours.size() == limit)
                throw std::invalid_argument("picture has more than " + std::to_string(limit) + " colours");
            found = palette.colours.insert(palette.colours.end(), colour);
        }
        palette.indices.push_back(static_cast<uint8_t>(found - palette.colours.begin()));
    }
    return palette;
}

// Plain rows padded to 4 bytes.
Bytes bmpRows(const Picture& picture, const Palette& palette, int depth, bool topDown) {
    const std::size_t stride = (std::size_t{picture.width} * depth + 31) / 32 * 4;
    Bytes data(stride * picture.height, 0);
    for (uint32_t row = 0; row < picture.height; ++row) {
        const uint32_t y = pictureRow(picture, row, topDown);
        uint8_t* out = data.data() + row * stride;
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.at(x, y);
            switch (depth) {
                case 1:
                case 4:
                case 8: {
                    const uint32_t index = palette.indices[std::size_t{y} * picture.width + x];
                    const std::size_t bit = std::size_t{x} * depth;
                    // The leftmost pixel takes the byte's high bits.
                    out[bit / 8] |= static_cast<uint8_t>(index << (8 - depth - bit % 8));
                    break;
                }
                case 16: {
                    const uint32_t value = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3);
                    out[x * 2] = static_cast<uint8_t>(value);
                    out[x * 2 + 1] = static_cast<uint8_t>(value >> 8);
                    break;
                }
                case 24:
                    out[x * 3] = p[2], out[x * 3 + 1] = p[1], out[x * 3 + 2] = p[0];
                    break;
                case 32:
                    out[x * 4] = p[2], out[x * 4 + 1] = p[1], out[x * 4 + 2] = p[0], out[x * 4 + 3] = p[3];
                    break;
            }
        }
    }
    return data;
}

// Absolute packets need at least three pixels; shorter stretches go out as
// one-pixel runs. Runs and absolute packets both stop within the row.
void appendRleRow(Bytes& out, const uint8_t* indices, uint32_t width, int depth) {
    auto runAt = [&](uint32_t x) {
        uint32_t run = 1;
        while (x + run < width && run < 255 && indices[x + run] == indices[x]) ++run;
        return run;
    };
    uint32_t x = 0;
    while (x < width) {
        const uint32_t run = runAt(x);
        uint32_t stretch = 0;
        if (run == 1)
            while (x + stretch < width && stretch < 255 && runAt(x + stretch) == 1) ++stretch;
        if (stretch < 3) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(static_cast<uint8_t>(depth == 4 ? indices[x] << 4 | indices[x] : indices[x]));
            x += run;
            continue;
        }
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(stretch));
        std::size_t written = 0;
        if (depth == 8) {
            out.insert(out.end(), indices + x, indices + x + stretch);
            written = stretch;
        } else {
            for (uint32_t k = 0; k < stretch; k += 2) {
                const uint8_t low = k + 1 < stretch ? indices[x + k + 1] : 0;
                out.push_back(static_cast<uint8_t>(indices[x + k] << 4 | low));
                ++written;
            }
        }
        // Absolute data ends on a 16-bit boundary.
        if (written % 2) out.push_back(0);
        x += stretch;
    }
    out.insert(out.end(), {0, 0});
}

Bytes bmpRunLength(const Picture& picture, const Palette& palette, int depth) {
    Bytes data;
    for (uint32_t row = 0; row < picture.height; ++row) {
        const uint32_t y = pictureRow(picture, row, false);
        appendRleRow(data, palette.indices.data() + std::size_t{y} * picture.width, picture.width, depth);
    }
    data.insert(data.end(), {0, 1});
    return data;
}

}  // namespace

Picture solid(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
    Picture picture(width, height);
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        picture.rgba[i] = r;
        picture.rgba[i + 1] = g;
        picture.rgba[i + 2] = b;
        picture.rgba[i + 3] = 255;
    }
    return picture;
}

Picture testPattern(uint32_t width, uint32_t height, bool alpha) {
    Picture picture(width, height);
    const double cx = width / 2.0, cy = height / 2.0;
    const double radius = std::max(1.0, std::sqrt(cx * cx + cy * cy));
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = picture.at(x, y);
            p[0] = static_cast<uint8_t>(width > 1 ? x * 255 / (width - 1) : 0);
            p[1] = static_cast<uint8_t>(height > 1 ? y * 255 / (height - 1) : 0);
            // Soft rings round the centre, with a faint checker for some edges.
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const int phase = static_cast<int>(std::sqrt(dx * dx + dy * dy) / radius * 768.0) % 512;
            const int ring = phase < 256 ? phase : 511 - phase;
            const int checker = ((x / 8 + y / 8) % 2) ? 16 : -16;
            p[2] = clampByte(32 + ring * 3 / 4 + checker);
            p[3] = alpha ? static_cast<uint8_t>(width + height > 2 ? 255 - (x + y) * 255 / (width + height - 2) : 255)
                         : 255;
        }
    }
    return picture;
}

std::vector<uint8_t> writeTga(const Picture& picture, const TgaOptions& options) {
    checkSize(picture);
    if (options.depth != 24 && options.depth != 32) throw std::invalid_argument("TGA depth must be 24 or 32");
    if (picture.width > 0xFFFF || picture.height > 0xFFFF) throw std::invalid_argument("picture too large for TGA");
    Bytes out = {0, 0, static_cast<uint8_t>(options.runLength ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(out, picture.width);
    put16(out, picture.height);
    out.push_back(static_cast<uint8_t>(options.depth));
    out.push_back(static_cast<uint8_t>((options.depth == 32 ? 8 : 0) | (options.topDown ? 0x20 : 0)));
    const int bytesPerPixel = options.depth / 8;
    const Bytes pixels = tgaPixels(picture, bytesPerPixel, options.topDown);
    if (options.runLength)
        appendTgaRunLength(out, pixels, bytesPerPixel);
    else
        out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::vector<uint8_t> writeJpeg(const Picture& picture, const JpegOptions& options) {
    checkSize(picture);
    const int components = options.greyscale ? 1 : options.cmyk ? 4 : 3;
    Bytes samples;
    samples.reserve(std::size_t{picture.width} * picture.height * components);
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        const uint8_t* p = &picture.rgba[i];
        if (options.greyscale) {
            samples.push_back(static_cast<uint8_t>((77 * p[0] + 150 * p[1] + 29 * p[2]) >> 8));
        } else if (options.cmyk) {
            // Inverted inks: colour = stored ink x stored black / 255.
            const unsigned k = std::max({p[0], p[1], p[2]});
            for (int c = 0; c < 3; ++c) samples.push_back(static_cast<uint8_t>(k == 0 ? 0 : (p[c] * 255u + k / 2) / k));
            samples.push_back(static_cast<uint8_t>(k));
        } else
            samples.insert(samples.end(), p, p + 3);
    }
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX];
    const bool done = compressJpeg(samples.data(), picture.width, picture.height, components, options.quality,
                                   options.progressive, &buffer, &size, message);
    Bytes out;
    if (done) out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!done) throw std::runtime_error(std::string("JPEG encoding failed: ") + message);
    return out;
}

std::vector<uint8_t> writeBmp(const Picture& picture, const BmpOptions& options) {
    checkSize(picture);
    const int depth = options.depth;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        throw std::invalid_argument("BMP depth must be 1, 4, 8, 16, 24 or 32");
    if (options.runLength && depth != 4 && depth != 8) throw std::invalid_argument("BMP run-length needs depth 4 or 8");
    if (options.runLength && options.topDown) throw std::invalid_argument("run-length BMP files are bottom-up");
    if (picture.width > 0x7FFFFFFF || picture.height > 0x7FFFFFFF)
        throw std::invalid_argument("picture too large for BMP");

    const Palette palette = depth <= 8 ? buildPalette(picture, depth) : Palette{};
    const Bytes data =
        options.runLength ? bmpRunLength(picture, palette, depth) : bmpRows(picture, palette, depth, options.topDown);
    // An empty picture still gets one palette entry, as a count of 0 means "all 2^depth".
    const std::size_t paletteSize = depth <= 8 ? std::max<std::size_t>(palette.colours.size(), 1) : 0;
    const uint32_t offset = static_cast<uint32_t>(14 + 40 + paletteSize * 4);

    Bytes out = {'B', 'M'};
    put32(out, 0);  // file size, set below
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, picture.width);
    put32(out, options.topDown ? static_cast<uint32_t>(-static_cast<int32_t>(picture.height)) : picture.height);
    put16(out, 1);
    put16(out, static_cast<uint32_t>(depth));
    put32(out, options.runLength ? (depth == 8 ? 1 : 2) : 0);
    put32(out, static_cast<uint32_t>(data.size()));
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, static_cast<uint32_t>(paletteSize));
    put32(out, 0);
    for (std::size_t i = 0; i < paletteSize; ++i) {
        const uint32_t colour = i < palette.colours.size() ? palette.colours[i] : 0;
        out.insert(out.end(), {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                               static_cast<uint8_t>(colour), 0});
    }
    out.insert(out.end(), data.begin(), data.end());
    set32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read " + path.string());
    return bytes;
}

}  // namespace korvex::images
