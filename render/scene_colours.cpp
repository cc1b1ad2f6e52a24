#include "scene_colours.h"

#include <GL/gl.h>

namespace korvex {

namespace {

GlColour scaled(uint32_t chosen, double divisor, double offset) {
    const auto channel = [&](int shift) {
        return static_cast<float>(static_cast<double>((chosen >> shift) & 0xFFu) / divisor + offset);
    };
    return {channel(0), channel(8), channel(16), 1.0f};
}

}  // namespace

GlColour backgroundColourOf(uint32_t chosen) {
    return scaled(chosen, 256.0, 0.0);
}

GlColour backlightDiffuseOf(uint32_t chosen) {
    return scaled(chosen, 255.0, 0.0);
}

GlColour backlightSpecularOf(uint32_t chosen) {
    return scaled(chosen, 320.0, 0.5);
}

void ApplyBackgroundColour(uint32_t chosen) {
    const GlColour colour = backgroundColourOf(chosen);
    glClearColor(colour[0], colour[1], colour[2], colour[3]);
}

void ApplyBacklightColour(uint32_t chosen) {
    glLightfv(GL_LIGHT1, GL_DIFFUSE, backlightDiffuseOf(chosen).data());
    glLightfv(GL_LIGHT1, GL_SPECULAR, backlightSpecularOf(chosen).data());
}

}  // namespace korvex
