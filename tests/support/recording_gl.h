#pragma once
// TextureGl that records every call as text and hands out names 1, 2, ...

#include "textures/texture_gl.h"

#include <string>
#include <vector>

namespace korvex::fixtures {

class RecordingGl : public TextureGl {
public:
    int32_t maxTextureSize() override;
    uint32_t genTexture() override;
    void bindTexture(uint32_t target, uint32_t name) override;
    void texEnvi(uint32_t target, uint32_t parameter, int32_t value) override;
    void texParameteri(uint32_t target, uint32_t parameter, int32_t value) override;
    void build2DMipmaps(uint32_t target, int32_t components, int32_t width, int32_t height, uint32_t format,
                        uint32_t type, const void* pixels) override;
    void deleteTexture(uint32_t name) override;

    int32_t limit = 16384;
    std::vector<std::string> calls;
    // The pixels of the last mipmap build, as many bytes as its size and format need.
    std::vector<uint8_t> lastPixels;
    uint32_t nextName = 1;
};

}  // namespace korvex::fixtures
