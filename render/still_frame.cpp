#include "still_frame.h"

#include "frame_renderer.h"
#include "scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstddef>

namespace korvex {

void drawStill(ProgramState& state, FrameControls controls, const StillFrame& still) {
    std::array<GLfloat, 4> background{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, background.data());
    if (still.transparent) glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    resizeView(still.width, still.height);
    controls.Rotating = false;
    RenderFrame(state, controls);
    glClearColor(background[0], background[1], background[2], background[3]);
}

void unpremultiply(std::vector<uint8_t>& rgba) {
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned alpha = rgba[i + 3];
        if (alpha == 0 || alpha == 255) continue;
        for (std::size_t c = 0; c < 3; ++c)
            rgba[i + c] = static_cast<uint8_t>(std::min(255u, (rgba[i + c] * 255u + alpha / 2) / alpha));
    }
}

int affordableSamples(int width, int height, int samples) {
    constexpr uint64_t MostBytes = uint64_t{1} << 30;
    constexpr uint64_t BytesASample = 8;  // 8-bit RGBA and a 24-bit depth padded to 32
    const uint64_t pixels = static_cast<uint64_t>(std::max(width, 0)) * static_cast<uint64_t>(std::max(height, 0));
    int affordable = std::max(samples, 0);
    while (affordable > 0 && pixels * static_cast<uint64_t>(affordable) * BytesASample > MostBytes) affordable /= 2;
    return affordable;
}

void flipRows(std::vector<uint8_t>& pixels, int width, int height, int channels) {
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    if (row == 0 || pixels.size() < row * static_cast<std::size_t>(height)) return;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(top)),
                         pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(top + 1)),
                         pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(bottom)));
}

float turntableAngle(float startDegrees, int index, int count) {
    if (count <= 0) return startDegrees;
    return startDegrees + static_cast<float>(360.0 * static_cast<double>(index) / static_cast<double>(count));
}

}  // namespace korvex
