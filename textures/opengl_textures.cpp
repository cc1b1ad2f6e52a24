#include "opengl_textures.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace korvex {

int32_t OpenGlTextures::maxTextureSize() {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    return limit;
}

uint32_t OpenGlTextures::genTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}

void OpenGlTextures::bindTexture(uint32_t target, uint32_t name) {
    glBindTexture(target, name);
}

void OpenGlTextures::texEnvi(uint32_t target, uint32_t parameter, int32_t value) {
    glTexEnvi(target, parameter, value);
}

void OpenGlTextures::texParameteri(uint32_t target, uint32_t parameter, int32_t value) {
    glTexParameteri(target, parameter, value);
}

void OpenGlTextures::build2DMipmaps(uint32_t target, int32_t components, int32_t width, int32_t height, uint32_t format,
                                    uint32_t type, const void* pixels) {
    // Rows are packed without padding, whatever their width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(target, components, width, height, format, type, pixels);
}

void OpenGlTextures::deleteTexture(uint32_t name) {
    const GLuint names[] = {name};
    glDeleteTextures(1, names);
}

std::optional<PixelBuffer> readTexturePixels(uint32_t name) {
    if (name == 0 || glIsTexture(name) != GL_TRUE) return std::nullopt;
    glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0) return std::nullopt;
    PixelBuffer picture;
    picture.width = static_cast<uint32_t>(width);
    picture.height = static_cast<uint32_t>(height);
    picture.bytesPerPixel = 4;
    picture.pixels.resize(picture.rowBytes() * picture.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return picture;
}

bool replaceTexturePixels(uint32_t name, const ReloadedPicture& reloaded) {
    const PixelBuffer& picture = reloaded.picture;
    const bool mipmapped = reloaded.kind == TextureFileKind::Tga;
    if (name == 0 || glIsTexture(name) != GL_TRUE || !powerOfTwoSides(picture)) return false;
    if (mipmapped && reloaded.levels.empty() && (picture.width > 1 || picture.height > 1)) return false;
    glBindTexture(GL_TEXTURE_2D, name);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    const bool fits = width == static_cast<GLint>(picture.width) && height == static_cast<GLint>(picture.height);
    if (fits) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        const auto upload = [](GLint level, const PixelBuffer& pixels) {
            glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, static_cast<GLsizei>(pixels.width),
                            static_cast<GLsizei>(pixels.height), pixels.bytesPerPixel == 4 ? GL_RGBA : GL_RGB,
                            GL_UNSIGNED_BYTE, pixels.pixels.data());
        };
        upload(0, picture);
        for (std::size_t level = 0; level < reloaded.levels.size(); ++level)
            upload(static_cast<GLint>(level + 1), reloaded.levels[level]);
        // The others draw from the largest level alone; the smaller ones the
        // builder made of the old picture are never used again.
        if (!mipmapped) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return fits;
}

}  // namespace korvex
