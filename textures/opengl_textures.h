#pragma once
// TextureGl over the OpenGL context that is current on this thread.

#include "pixel_buffer.h"
#include "texture_gl.h"
#include "texture_reload.h"

#include <optional>

namespace korvex {

class OpenGlTextures : public TextureGl {
public:
    int32_t maxTextureSize() override;
    uint32_t genTexture() override;
    void bindTexture(uint32_t target, uint32_t name) override;
    void texEnvi(uint32_t target, uint32_t parameter, int32_t value) override;
    void texParameteri(uint32_t target, uint32_t parameter, int32_t value) override;
    void build2DMipmaps(uint32_t target, int32_t components, int32_t width, int32_t height, uint32_t format,
                        uint32_t type, const void* pixels) override;
    void deleteTexture(uint32_t name) override;
};

// The picture of texture `name` as OpenGL holds it (its largest level, as
// R, G, B, A), or nothing for a texture that has none. Needs the context
// the texture was made in to be current.
std::optional<PixelBuffer> readTexturePixels(uint32_t name);

// Puts a picture read again into texture `name` in place, when the texture
// holds a picture of its size (a TGA one, with every mipmap level): copying
// bytes into storage that exists costs a fraction of making new storage.
// Answers false, having changed nothing, when it does not fit.
bool replaceTexturePixels(uint32_t name, const ReloadedPicture& reloaded);

}  // namespace korvex
