#pragma once
// TextureGl over the OpenGL context that is current on this thread.

#include "pixel_buffer.h"
#include "texture_gl.h"

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

}  // namespace korvex
