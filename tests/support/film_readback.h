#pragma once
// Films read back by the libraries that play them, not by the code that
// wrote them: MP4 through libavformat and libavcodec, WebP through libwebp's
// demuxer and animation decoder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvex::fixtures {

struct FilmInfo {
    std::string codec;        // "h264", "webp"
    // FFmpeg's name. A WebP's is "argb" when a frame is lossless, else
    // "yuva420p" when a frame stores alpha, else "yuv420p"; the parts of the
    // canvas that no frame covers are clear whatever it says.
    std::string pixelFormat;
    int width = 0, height = 0;
    int frames = 0;       // frames decoded
    double seconds = 0;   // from the first frame's start to the last one's end
    bool alpha = false;   // MP4: the pixel format has alpha; WebP: some decoded pixel is not opaque
};

// Reads the whole film, decoding every frame. Throws std::runtime_error when
// it cannot be read.
FilmInfo readFilm(const std::filesystem::path& path);

// Frame `index` decoded as R,G,B,A bytes (straight alpha), top row first,
// width*4 bytes a row. Throws std::runtime_error when there is no such frame.
std::vector<uint8_t> filmFrameRgba(const std::filesystem::path& path, int index);

}  // namespace korvex::fixtures
