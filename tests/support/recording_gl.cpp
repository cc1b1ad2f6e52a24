#include "recording_gl.h"

#include <GL/gl.h>

#include <map>

namespace korvex::fixtures {

namespace {

// GL enumerants by name, so that a recorded call reads like the call itself.
std::string nameOf(uint32_t value) {
    static const std::map<uint32_t, std::string> names = {
        {GL_TEXTURE_2D, "GL_TEXTURE_2D"},
        {GL_TEXTURE_ENV, "GL_TEXTURE_ENV"},
        {GL_TEXTURE_ENV_MODE, "GL_TEXTURE_ENV_MODE"},
        {GL_MODULATE, "GL_MODULATE"},
        {GL_TEXTURE_MIN_FILTER, "GL_TEXTURE_MIN_FILTER"},
        {GL_TEXTURE_MAG_FILTER, "GL_TEXTURE_MAG_FILTER"},
        {GL_LINEAR, "GL_LINEAR"},
        {GL_LINEAR_MIPMAP_NEAREST, "GL_LINEAR_MIPMAP_NEAREST"},
        {GL_RGB, "GL_RGB"},
        {GL_RGBA, "GL_RGBA"},
        {GL_UNSIGNED_BYTE, "GL_UNSIGNED_BYTE"},
    };
    const auto found = names.find(value);
    return found == names.end() ? std::to_string(value) : found->second;
}

}  // namespace

int32_t RecordingGl::maxTextureSize() {
    calls.push_back("glGetIntegerv(GL_MAX_TEXTURE_SIZE)");
    return limit;
}

uint32_t RecordingGl::genTexture() {
    calls.push_back("glGenTextures(1) = " + std::to_string(nextName));
    return nextName++;
}

void RecordingGl::bindTexture(uint32_t target, uint32_t name) {
    calls.push_back("glBindTexture(" + nameOf(target) + ", " + std::to_string(name) + ")");
}

void RecordingGl::texEnvi(uint32_t target, uint32_t parameter, int32_t value) {
    calls.push_back("glTexEnvi(" + nameOf(target) + ", " + nameOf(parameter) + ", " +
                    nameOf(static_cast<uint32_t>(value)) + ")");
}

void RecordingGl::texParameteri(uint32_t target, uint32_t parameter, int32_t value) {
    calls.push_back("glTexParameteri(" + nameOf(target) + ", " + nameOf(parameter) + ", " +
                    nameOf(static_cast<uint32_t>(value)) + ")");
}

void RecordingGl::build2DMipmaps(uint32_t target, int32_t components, int32_t width, int32_t height, uint32_t format,
                                 uint32_t type, const void* pixels) {
    // 3 and 4 are component counts; anything else is a format enumerant.
    const std::string componentText =
        components == 3 || components == 4 ? std::to_string(components) : nameOf(static_cast<uint32_t>(components));
    calls.push_back("gluBuild2DMipmaps(" + nameOf(target) + ", " + componentText + ", " + std::to_string(width) + ", " +
                    std::to_string(height) + ", " + nameOf(format) + ", " + nameOf(type) + ")");
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * (format == GL_RGBA ? 4 : 3);
    const auto* first = static_cast<const uint8_t*>(pixels);
    lastPixels.assign(first, first + bytes);
}

void RecordingGl::deleteTexture(uint32_t name) {
    calls.push_back("glDeleteTextures(1, " + std::to_string(name) + ")");
}

}  // namespace korvex::fixtures
