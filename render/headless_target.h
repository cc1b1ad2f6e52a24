#pragma once
// An OpenGL context with no window and no X server: EGL on Mesa's
// surfaceless platform, drawing into a framebuffer object with 8-bit RGBA
// colour and a 24-bit depth buffer, multisampled when asked. The inspector
// renders pictures and films with it, and the tests read pixels back from it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvex {

class HeadlessTarget {
public:
    // A target of `width` x `height` pixels whose context is current on
    // this thread, or nothing with `whyNot` saying what is missing. With
    // `samples` above 0 it draws with that many samples a pixel, or the
    // most the driver grants below it.
    static std::unique_ptr<HeadlessTarget> create(int width, int height, std::string& whyNot, int samples = 0);
    ~HeadlessTarget();
    HeadlessTarget(const HeadlessTarget&) = delete;
    HeadlessTarget& operator=(const HeadlessTarget&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Samples a pixel actually granted: 0 when drawing without multisampling.
    int samples() const { return granted_; }
    // Makes this target's context current again (after another was used).
    void makeCurrent();
    // New buffers of another size; what was drawn is lost.
    bool resize(int width, int height);
    // The picture as R,G,B bytes, top row first.
    std::vector<uint8_t> readRgb() const;
    // The picture as R,G,B,A bytes, top row first, as OpenGL blended them
    // (colour multiplied by alpha over a clear background).
    std::vector<uint8_t> readRgba() const;
    // The same into `pixels`, whose memory is used again: a film reads
    // hundreds of frames, and fresh memory for each costs more than
    // reading it.
    void readRgba(std::vector<uint8_t>& pixels) const;

    struct Gl;

private:
    HeadlessTarget() = default;
    bool makeBuffers(int width, int height);
    void dropBuffers();
    // Bound for reading: the drawn picture, resolved to one sample a pixel.
    void resolve() const;
    void read(uint32_t format, int channels, std::vector<uint8_t>& pixels) const;

    void* display_ = nullptr;
    void* context_ = nullptr;
    // What is read back; with multisampling, frames are drawn into the
    // second set and resolved into the first.
    uint32_t framebuffer_ = 0, colour_ = 0, depth_ = 0;
    uint32_t drawFramebuffer_ = 0, drawColour_ = 0, drawDepth_ = 0;
    int width_ = 0, height_ = 0;
    int asked_ = 0, granted_ = 0;
    std::unique_ptr<Gl> gl_;
};

}  // namespace korvex
