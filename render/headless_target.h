#pragma once
// An OpenGL context with no window and no X server: EGL on Mesa's
// surfaceless platform, drawing into a framebuffer object with 8-bit RGBA
// colour and a 24-bit depth buffer. The inspector renders pictures with it,
// and the tests read pixels back from it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvex {

class HeadlessTarget {
public:
    // A target of `width` x `height` pixels whose context is current on
    // this thread, or nothing with `whyNot` saying what is missing.
    static std::unique_ptr<HeadlessTarget> create(int width, int height, std::string& whyNot);
    ~HeadlessTarget();
    HeadlessTarget(const HeadlessTarget&) = delete;
    HeadlessTarget& operator=(const HeadlessTarget&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Makes this target's context current again (after another was used).
    void makeCurrent();
    // New buffers of another size; what was drawn is lost.
    bool resize(int width, int height);
    // The picture as R,G,B bytes, top row first.
    std::vector<uint8_t> readRgb() const;

    struct Gl;

private:
    HeadlessTarget() = default;
    bool makeBuffers(int width, int height);
    void dropBuffers();

    void* display_ = nullptr;
    void* context_ = nullptr;
    uint32_t framebuffer_ = 0, colour_ = 0, depth_ = 0;
    int width_ = 0, height_ = 0;
    std::unique_ptr<Gl> gl_;
};

}  // namespace korvex
