#include "fit_texture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace korvex {

namespace {

// New side length along one axis; the larger side lands exactly on the limit.
uint32_t scaledSide(uint32_t side, bool larger, uint32_t limit, float factor) {
    if (larger) return limit;
    // The default rounding mode sends halves to the even neighbour.
    const double scaled = std::nearbyint(static_cast<double>(side) * static_cast<double>(factor));
    return static_cast<uint32_t>(std::max(1.0, scaled));
}

// For each new position the old one: about i / factor, always inside.
std::vector<uint32_t> sourcePositions(uint32_t newSide, uint32_t oldSide, float factor) {
    std::vector<uint32_t> positions(newSide);
    for (uint32_t i = 0; i < newSide; ++i) {
        const double at = std::floor(static_cast<double>(i) / static_cast<double>(factor));
        positions[i] = static_cast<uint32_t>(std::min(at, static_cast<double>(oldSide - 1)));
    }
    return positions;
}

}  // namespace

PixelBuffer FitToMaxTextureSize(PixelBuffer buffer, uint32_t limit) {
    const bool heightLarger = buffer.height >= buffer.width;
    const uint32_t largerSide = heightLarger ? buffer.height : buffer.width;
    if (largerSide <= limit || limit == 0) return buffer;

    const float factor = static_cast<float>(limit) / static_cast<float>(largerSide);
    PixelBuffer fitted;
    fitted.width = scaledSide(buffer.width, !heightLarger, limit, factor);
    fitted.height = scaledSide(buffer.height, heightLarger, limit, factor);
    fitted.bytesPerPixel = buffer.bytesPerPixel;
    fitted.topRowFirst = buffer.topRowFirst;
    fitted.rightColumnFirst = buffer.rightColumnFirst;
    fitted.pixels.resize(fitted.rowBytes() * fitted.height);

    const std::vector<uint32_t> columns = sourcePositions(fitted.width, buffer.width, factor);
    const std::vector<uint32_t> rows = sourcePositions(fitted.height, buffer.height, factor);
    const std::size_t pixelBytes = buffer.bytesPerPixel;
    for (uint32_t j = 0; j < fitted.height; ++j) {
        const uint8_t* from = buffer.pixels.data() + rows[j] * buffer.rowBytes();
        uint8_t* to = fitted.pixels.data() + j * fitted.rowBytes();
        for (uint32_t i = 0; i < fitted.width; ++i, to += pixelBytes)
            std::memcpy(to, from + columns[i] * pixelBytes, pixelBytes);
    }
    return fitted;
}

}  // namespace korvex
