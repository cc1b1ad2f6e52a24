#include "texture_upload.h"

#include "model/recording_io.h"

#include "bmp_decoder.h"
#include "file_bytes.h"
#include "fit_texture.h"
#include "jpeg_decoder.h"
#include "texture_files.h"
#include "tga_decoder.h"

#include <GL/gl.h>

#include <algorithm>
#include <exception>

namespace korvex {

namespace {

std::optional<uint32_t> fitAndUpload(TextureFileKind kind, std::optional<PixelBuffer> decoded, TextureGl& gl) {
    if (!decoded) return std::nullopt;
    return uploadDecodedPicture(kind, FitToMaxTextureSize(std::move(*decoded), textureSizeLimit(gl)), gl);
}

}  // namespace

uint32_t UploadRgbaPixels(TextureGl& gl, uint16_t width, uint16_t height, uint32_t format, const uint8_t* pixels) {
    const uint32_t name = gl.genTexture();
    gl.bindTexture(GL_TEXTURE_2D, name);
    gl.texEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (format == GL_RGBA)
        gl.build2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    else
        gl.build2DMipmaps(GL_TEXTURE_2D, 3, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    return name;
}

uint32_t UploadTgaPixels(TextureGl& gl, const PixelBuffer& buffer) {
    const uint32_t name = gl.genTexture();
    gl.bindTexture(GL_TEXTURE_2D, name);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.build2DMipmaps(GL_TEXTURE_2D, 3, static_cast<int32_t>(buffer.width), static_cast<int32_t>(buffer.height),
                      buffer.bytesPerPixel == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, buffer.pixels.data());
    return name;
}

uint32_t textureSizeLimit(TextureGl& gl) {
    return static_cast<uint32_t>(std::max(1, gl.maxTextureSize()));
}

uint32_t uploadDecodedPicture(TextureFileKind kind, const PixelBuffer& fitted, TextureGl& gl) {
    if (kind == TextureFileKind::Tga) return UploadTgaPixels(gl, fitted);
    return UploadRgbaPixels(gl, static_cast<uint16_t>(fitted.width), static_cast<uint16_t>(fitted.height), GL_RGBA,
                            fitted.pixels.data());
}

std::optional<PixelBuffer> DecodeTextureFile(const std::filesystem::path& path, Prompts& prompts) {
    switch (textureFileKind(path)) {
        case TextureFileKind::Tga:
            return DecodeTgaFile(path);
        case TextureFileKind::Jpeg:
            return DecodeJpegFile(path, prompts);
        case TextureFileKind::Bmp:
            return DecodeBmpFile(path, prompts);
        case TextureFileKind::Unknown:
            break;
    }
    return std::nullopt;
}

std::optional<PixelBuffer> DecodeTextureFileQuietly(const std::filesystem::path& path) {
    ScriptedPrompts quiet;
    try {
        return DecodeTextureFile(path, quiet);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<PreviewPicture> DecodeTexturePreview(const std::filesystem::path& path, uint32_t side) {
    PreviewPicture preview;
    try {
        if (textureFileKind(path) == TextureFileKind::Jpeg) {
            const auto bytes = readWholeFile(path, DecodeBudget);
            if (!bytes) return std::nullopt;
            auto reduced = DecodeJpegReduced(*bytes, side, preview.width, preview.height);
            if (!reduced) return std::nullopt;
            preview.picture = std::move(*reduced);
            return preview;
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    auto whole = DecodeTextureFileQuietly(path);
    if (!whole) return std::nullopt;
    preview.width = whole->width;
    preview.height = whole->height;
    preview.picture = std::move(*whole);
    return preview;
}

std::optional<uint32_t> LoadTgaFile(const std::filesystem::path& path, TextureGl& gl) {
    return fitAndUpload(TextureFileKind::Tga, DecodeTgaFile(path), gl);
}

std::optional<uint32_t> LoadJpegFile(const std::filesystem::path& path, Prompts& prompts, TextureGl& gl) {
    return fitAndUpload(TextureFileKind::Jpeg, DecodeJpegFile(path, prompts), gl);
}

std::optional<uint32_t> LoadBmpFile(const std::filesystem::path& path, Prompts& prompts, TextureGl& gl) {
    return fitAndUpload(TextureFileKind::Bmp, DecodeBmpFile(path, prompts), gl);
}

std::optional<LoadedTexture> LoadTextureFile(const std::filesystem::path& path, Prompts& prompts, TextureGl& gl) {
    const TextureFileKind kind = textureFileKind(path);
    std::optional<PixelBuffer> decoded = DecodeTextureFile(path, prompts);
    if (!decoded) return std::nullopt;
    const PictureLayout layout = layoutOf(*decoded);
    return LoadedTexture{*fitAndUpload(kind, std::move(decoded), gl), layout};
}

}  // namespace korvex
