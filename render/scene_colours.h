#pragma once
// The background and backlight colours, kept only in the OpenGL state.

#include <array>
#include <cstdint>

namespace korvex {

using GlColour = std::array<float, 4>;

// From a chosen 0x00BBGGRR colour: the background's channels are divided by
// 256, so white clears to 255/256; the backlight's diffuse by 255, and its
// specular is a copy lightened to at least 0.5 (channel / 320 + 0.5).
GlColour backgroundColourOf(uint32_t chosen);
GlColour backlightDiffuseOf(uint32_t chosen);
GlColour backlightSpecularOf(uint32_t chosen);

// Set the clear colour, or the diffuse and specular colours of the
// backlight, on the context that is current.
void ApplyBackgroundColour(uint32_t chosen);
void ApplyBacklightColour(uint32_t chosen);

}  // namespace korvex
