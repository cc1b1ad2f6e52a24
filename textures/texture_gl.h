#pragma once
// The OpenGL calls that make and delete textures, behind an interface: the
// viewer sends them to its context, the tests record them, and code that
// only decodes pictures needs no OpenGL at all.

#include <cstdint>

namespace korvex {

class TextureGl {
public:
    virtual ~TextureGl() = default;
    // glGetIntegerv(GL_MAX_TEXTURE_SIZE)
    virtual int32_t maxTextureSize() = 0;
    // glGenTextures for one name
    virtual uint32_t genTexture() = 0;
    virtual void bindTexture(uint32_t target, uint32_t name) = 0;
    virtual void texEnvi(uint32_t target, uint32_t parameter, int32_t value) = 0;
    virtual void texParameteri(uint32_t target, uint32_t parameter, int32_t value) = 0;
    // gluBuild2DMipmaps
    virtual void build2DMipmaps(uint32_t target, int32_t components, int32_t width, int32_t height, uint32_t format,
                                uint32_t type, const void* pixels) = 0;
    // glDeleteTextures for one name
    virtual void deleteTexture(uint32_t name) = 0;
};

}  // namespace korvex
