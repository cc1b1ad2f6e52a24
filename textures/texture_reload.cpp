#include "texture_reload.h"

#include "fit_texture.h"
#include "texture_upload.h"

#include <bit>

namespace korvex {

bool powerOfTwoSides(const PixelBuffer& picture) {
    return std::has_single_bit(picture.width) && std::has_single_bit(picture.height);
}

PixelBuffer halveLevel(const PixelBuffer& level) {
    const std::size_t bpp = level.bytesPerPixel;
    PixelBuffer half;
    half.bytesPerPixel = level.bytesPerPixel;
    half.width = std::max(1u, level.width / 2);
    half.height = std::max(1u, level.height / 2);
    half.pixels.resize(half.rowBytes() * half.height);
    const uint8_t* in = level.pixels.data();
    uint8_t* out = half.pixels.data();
    if (level.width == 1 || level.height == 1) {
        // A single row or column: pairs of neighbours along it.
        const std::size_t count = std::size_t{half.width} * half.height * bpp;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t pixel = i / bpp, component = i % bpp;
            const uint8_t* first = in + 2 * pixel * bpp + component;
            out[i] = static_cast<uint8_t>((first[0] + first[bpp]) / 2);
        }
        return half;
    }
    const std::size_t rowBytes = level.rowBytes();
    for (uint32_t y = 0; y < half.height; ++y) {
        const uint8_t* top = in + 2 * y * rowBytes;
        const uint8_t* bottom = top + rowBytes;
        uint8_t* row = out + y * half.rowBytes();
        for (std::size_t x = 0; x < half.width; ++x)
            for (std::size_t c = 0; c < bpp; ++c) {
                const std::size_t at = 2 * x * bpp + c;
                row[x * bpp + c] = static_cast<uint8_t>((top[at] + top[at + bpp] + bottom[at] + bottom[at + bpp] + 2) / 4);
            }
    }
    return half;
}

std::optional<ReloadedPicture> prepareReloadedPicture(const std::filesystem::path& path, uint32_t sizeLimit) {
    auto decoded = DecodeTextureFileQuietly(path);
    if (!decoded) return std::nullopt;
    ReloadedPicture reloaded;
    reloaded.kind = textureFileKind(path);
    reloaded.layout = layoutOf(*decoded);
    reloaded.picture = FitToMaxTextureSize(std::move(*decoded), sizeLimit);
    if (reloaded.kind == TextureFileKind::Tga && powerOfTwoSides(reloaded.picture)) {
        const PixelBuffer* level = &reloaded.picture;
        while (level->width > 1 || level->height > 1) {
            reloaded.levels.push_back(halveLevel(*level));
            level = &reloaded.levels.back();
        }
    }
    return reloaded;
}

}  // namespace korvex
