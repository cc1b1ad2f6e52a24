#include "tga_decoder.h"

#include "file_bytes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace korvex {

namespace {

constexpr std::size_t HeaderSize = 18;
constexpr std::array<uint8_t, 12> UncompressedPattern = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, 12> RunLengthPattern = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint64_t MaxPacketPixels = 128;

// Stores one file pixel (B, G, R[, A]) as R, G, B[, A].
template <std::size_t Bytes>
inline void storePixel(uint8_t* to, const uint8_t* from) {
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    if constexpr (Bytes == 4) to[3] = from[3];
}

template <std::size_t Bytes>
void swapUncompressed(const uint8_t* from, uint8_t* to, uint64_t pixels) {
    for (uint64_t i = 0; i < pixels; ++i, from += Bytes, to += Bytes) storePixel<Bytes>(to, from);
}

// Decodes run-length packets into `to` (room for `pixels` pixels); false for
// data that ends early or a packet that would overflow the picture.
template <std::size_t Bytes>
bool decodeRunLength(const uint8_t* from, const uint8_t* end, uint8_t* to, uint64_t pixels) {
    uint64_t stored = 0;
    while (stored < pixels) {
        if (from == end) return false;
        const uint8_t header = *from++;
        const uint64_t count = (header & 0x7F) + 1u;
        if (count > pixels - stored) return false;
        if (header < 128) {
            if (static_cast<uint64_t>(end - from) < count * Bytes) return false;
            swapUncompressed<Bytes>(from, to, count);
            from += count * Bytes;
            to += count * Bytes;
        } else {
            if (static_cast<std::size_t>(end - from) < Bytes) return false;
            uint8_t pixel[Bytes];
            storePixel<Bytes>(pixel, from);
            from += Bytes;
            for (uint64_t i = 0; i < count; ++i, to += Bytes) std::memcpy(to, pixel, Bytes);
        }
        stored += count;
    }
    return true;
}

}  // namespace

std::optional<PixelBuffer> DecodeTga(std::span<const uint8_t> file, uint64_t budget) {
    if (file.size() < UncompressedPattern.size()) return std::nullopt;
    const bool runLength = std::equal(RunLengthPattern.begin(), RunLengthPattern.end(), file.begin());
    if (!runLength && !std::equal(UncompressedPattern.begin(), UncompressedPattern.end(), file.begin()))
        return std::nullopt;
    if (file.size() < HeaderSize) return std::nullopt;

    const uint32_t width = file[12] + 256u * file[13];
    const uint32_t height = file[14] + 256u * file[15];
    const uint8_t depth = file[16];
    if (width == 0 || height == 0 || (depth != 24 && depth != 32)) return std::nullopt;

    const uint32_t bytesPerPixel = depth / 8u;
    const uint64_t pixels = uint64_t{width} * height;
    const uint64_t dataBytes = file.size() - HeaderSize;
    // Nothing is reserved for a picture the file cannot fill: uncompressed
    // data needs every pixel, run-length data at least one packet for each
    // 128 pixels.
    const uint64_t mostPixels =
        runLength ? dataBytes / (1 + bytesPerPixel) * MaxPacketPixels : dataBytes / bytesPerPixel;
    if (pixels > mostPixels || pixels * bytesPerPixel > budget) return std::nullopt;

    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.bytesPerPixel = bytesPerPixel;
    // The descriptor's origin bits: the rows are kept in file order, and an
    // editor shows them the other way up when the origin is at the top.
    buffer.topRowFirst = (file[17] & 0x20) != 0;
    buffer.rightColumnFirst = (file[17] & 0x10) != 0;
    buffer.pixels.resize(pixels * bytesPerPixel);
    const uint8_t* data = file.data() + HeaderSize;
    const uint8_t* end = file.data() + file.size();
    uint8_t* to = buffer.pixels.data();
    if (!runLength) {
        if (bytesPerPixel == 3)
            swapUncompressed<3>(data, to, pixels);
        else
            swapUncompressed<4>(data, to, pixels);
        return buffer;
    }
    const bool complete =
        bytesPerPixel == 3 ? decodeRunLength<3>(data, end, to, pixels) : decodeRunLength<4>(data, end, to, pixels);
    if (!complete) return std::nullopt;
    return buffer;
}

std::optional<PixelBuffer> DecodeTgaFile(const std::filesystem::path& path, uint64_t budget) {
    // Raw packets of one pixel take the most room: a third more than the picture.
    const auto bytes = readWholeFile(path, HeaderSize + 255 + budget + budget / 3);
    if (!bytes) return std::nullopt;
    return DecodeTga(*bytes, budget);
}

}  // namespace korvex
