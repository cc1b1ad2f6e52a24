// make-env-map OUT.jpg: draws the studio sky that car paint reflects as a
// sphere map (bright sky, soft lamps, a bright horizon, a dark floor) and
// writes it as a 512 x 512 JPEG.

#include "tests/support/image_writers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <iostream>

namespace {

using korvex::images::Picture;

constexpr uint32_t Size = 512;

struct Colour {
    double r, g, b;
};

Colour mix(const Colour& a, const Colour& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A studio lamp: a rounded rectangle (a disc or a strip with round ends when
// the corner radius is a half size) with a soft edge and a faint glow.
struct Softbox {
    double cx, cy;        // centre, in pixels
    double halfW, halfH;  // half sizes of the bright core
    double corner;        // radius of the rounded corners
    double softness;      // half width of the fall-off at the edge
    double strength;
};

constexpr Softbox Softboxes[] = {
    {256, 72, 170, 14, 14, 4, 1.0},  // a long strip lamp overhead
    {98, 166, 36, 36, 36, 5, 0.97},
    {410, 150, 38, 50, 12, 5, 0.93},
};

double softboxLight(const Softbox& box, double x, double y) {
    // The distance in pixels outside the core's outline, negative inside.
    const double qx = std::abs(x - box.cx) - (box.halfW - box.corner);
    const double qy = std::abs(y - box.cy) - (box.halfH - box.corner);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    const double d = outside + std::min(std::max(qx, qy), 0.0) - box.corner;
    const double core = 1 - smoothstep(-box.softness, box.softness, d);
    const double glow = 0.22 * std::exp(-std::max(d, 0.0) / 22.0);
    return box.strength * std::min(1.0, core + glow * (1 - core));
}

// The sky gets whiter towards the horizon; the floor darkens away from it,
// least so under the lamps in the middle.
Colour background(double x, double y) {
    const double horizon = Size / 2.0;
    const Colour zenith{138, 160, 188}, nearHorizon{236, 240, 244};
    const Colour floorNear{118, 110, 102}, floorFar{22, 20, 19};
    if (y < horizon) {
        const double t = y / horizon;  // 0 at the top, 1 at the horizon
        return mix(zenith, nearHorizon, std::pow(t, 1.6));
    }
    const double t = (y - horizon) / (Size - horizon);
    const Colour floor = mix(floorNear, floorFar, std::pow(t, 0.55));
    const double across = (x - Size / 2.0) / (Size * 0.4);
    const double pool = 1 + 0.18 * std::exp(-across * across) * (1 - t);
    return {floor.r * pool, floor.g * pool, floor.b * pool};
}

// A thin bright line with a wider haze over it, brighter on the sky side.
double horizonLight(double y) {
    const double d = y - Size / 2.0;
    const double line = std::exp(-(d * d) / (2 * 2.2 * 2.2));
    const double haze = std::exp(-(d * d) / (2 * (d < 0 ? 14.0 : 6.0) * (d < 0 ? 14.0 : 6.0)));
    return std::min(1.0, line + 0.45 * haze);
}

// Up to one level of triangular noise from a pixel hash, so the smooth
// gradients do not show steps.
double dither(uint32_t x, uint32_t y, uint32_t channel) {
    auto hash = [](uint32_t v) {
        v ^= v >> 16;
        v *= 0x7FEB352Du;
        v ^= v >> 15;
        v *= 0x846CA68Bu;
        v ^= v >> 16;
        return v;
    };
    const uint32_t h = hash(x * 73856093u ^ y * 19349663u ^ channel * 83492791u);
    return ((h & 0xFFFF) + (h >> 16)) / 65535.0 - 1.0;
}

Picture drawStudio() {
    Picture picture(Size, Size);
    const Colour white{255, 255, 255};
    for (uint32_t y = 0; y < Size; ++y) {
        for (uint32_t x = 0; x < Size; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            Colour c = background(px, py);
            c = mix(c, white, horizonLight(py));
            if (py < Size / 2.0)
                for (const Softbox& box : Softboxes) c = mix(c, white, softboxLight(box, px, py));
            const double channels[3] = {c.r, c.g, c.b};
            uint8_t* out = picture.at(x, y);
            for (uint32_t k = 0; k < 3; ++k)
                out[k] = static_cast<uint8_t>(std::clamp(std::lround(channels[k] + dither(x, y, k)), 0L, 255L));
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-env-map OUT.jpg\n";
        return 2;
    }
    try {
        korvex::images::writeFile(argv[1], korvex::images::writeJpeg(drawStudio(), {.quality = 95}));
    } catch (const std::exception& failure) {
        std::cerr << "make-env-map: " << failure.what() << '\n';
        return 1;
    }
    return 0;
}
