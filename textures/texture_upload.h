#pragma once
// Image files to OpenGL textures: decode, fit to the size limit, upload.

#include "model/user_io.h"
#include "pixel_buffer.h"
#include "texture_files.h"
#include "texture_gl.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace korvex {

// A new texture from R,G,B,A (format GL_RGBA) or R,G,B pixels, modulated by
// the part colour, linear filtering.
uint32_t UploadRgbaPixels(TextureGl& gl, uint16_t width, uint16_t height, uint32_t format, const uint8_t* pixels);

// A decoded TGA picture as a new texture: three components whatever the
// depth, mipmapped minification; the texture environment is left alone.
uint32_t UploadTgaPixels(TextureGl& gl, const PixelBuffer& buffer);

// The largest side a texture may have: OpenGL's limit, at least 1.
uint32_t textureSizeLimit(TextureGl& gl);
// A picture already decoded and fitted, uploaded as the loader of `kind`
// uploads it: TGA as UploadTgaPixels does, the others as R,G,B,A.
uint32_t uploadDecodedPicture(TextureFileKind kind, const PixelBuffer& fitted, TextureGl& gl);
// The picture in a texture file, decoded by the loader its extension
// chooses (textureFileKind); nothing for an unknown kind or a file that
// cannot be read, after the decoder's own box where it shows one. Throws
// LoadError for a fatal error in JPEG image data.
std::optional<PixelBuffer> DecodeTextureFile(const std::filesystem::path& path, Prompts& prompts);

// The same without a word to the user: no decoder's box, and nothing for a
// fatal error in the image data. For looking at a picture again (a
// preview, an export) where a box would only interrupt.
std::optional<PixelBuffer> DecodeTextureFileQuietly(const std::filesystem::path& path);

// A picture to look at `side` pixels wide, quietly as above: a JPEG is
// decoded at a reduced scale where that still fills the side; the others
// whole. Also answers the picture's own size.
struct PreviewPicture {
    PixelBuffer picture;
    uint32_t width = 0, height = 0;
};
std::optional<PreviewPicture> DecodeTexturePreview(const std::filesystem::path& path, uint32_t side);

// Each answers the new texture's name, or nothing (and creates none) when
// the file could not be loaded. LoadJpegFile throws LoadError for a fatal
// error in the image data.
std::optional<uint32_t> LoadTgaFile(const std::filesystem::path& path, TextureGl& gl);
std::optional<uint32_t> LoadJpegFile(const std::filesystem::path& path, Prompts& prompts, TextureGl& gl);
std::optional<uint32_t> LoadBmpFile(const std::filesystem::path& path, Prompts& prompts, TextureGl& gl);

// A texture made from a picture file, and how the picture reached it.
struct LoadedTexture {
    uint32_t object = 0;
    PictureLayout layout;
};

// The loader that the file's extension chooses (textureFileKind); nothing,
// without a box, for an extension no loader takes.
std::optional<LoadedTexture> LoadTextureFile(const std::filesystem::path& path, Prompts& prompts, TextureGl& gl);

}  // namespace korvex
