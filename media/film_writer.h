#pragma once
// Films made of pictures the program draws: an H.264 MP4 through FFmpeg's
// libraries or an animated WebP through libwebp. A film is written under a
// temporary name beside its destination and takes that name only once it is
// whole, so a cancelled or failed film leaves the folder as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace korvex {

enum class FilmKind { Mp4, WebP };

// By the file name's extension, either case: ".mp4" or ".webp"; nothing otherwise.
std::optional<FilmKind> filmKindOf(const std::filesystem::path& path);

struct FilmSettings {
    int width = 800, height = 600;
    int framesPerSecond = 30;
    bool alpha = false;  // WebP only: keep the frames' alpha; an MP4 never has alpha
};

// Why a film could not be made, in words for the user.
class MediaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether these settings can be written as `kind`; when not, `whyNot` says
// why. Sizes 2..8192 a side; an MP4's width and height even; 1..120 frames a
// second.
bool filmSettingsValid(FilmKind kind, const FilmSettings& settings, std::string& whyNot);

// Writes a film frame by frame into a temporary file beside `path`; finish()
// renames it to `path`. Destroying a writer that was not finished (cancel,
// failure) removes the temporary file and leaves `path` as it was.
class FilmWriter {
public:
    // Throws MediaError.
    static std::unique_ptr<FilmWriter> open(const std::filesystem::path& path, FilmKind kind,
                                            const FilmSettings& settings);
    virtual ~FilmWriter();
    FilmWriter(const FilmWriter&) = delete;
    FilmWriter& operator=(const FilmWriter&) = delete;

    // One frame of width x height pixels: R,G,B,A bytes, straight (not
    // premultiplied) alpha, top row first, rows `stride` bytes apart.
    // Throws MediaError.
    void addFrame(const uint8_t* rgba, std::size_t stride);
    // Flushes the encoder, writes the trailer, renames into place. Throws
    // MediaError (then nothing is at `path` that was not there before).
    void finish();
    int framesWritten() const { return frames_; }

protected:
    FilmWriter(const std::filesystem::path& path, const FilmSettings& settings);

    // What each kind of film does with a frame that passed the checks, and
    // to finish; whatever escapes them stops the film.
    virtual void encodeFrame(const uint8_t* rgba, std::size_t stride) = 0;
    virtual void finishFilm() = 0;

    // Throws unless another frame like this one may be added.
    void checkFrame(const uint8_t* rgba, std::size_t stride) const;
    // Throws unless finish() may go on: not done before, at least one frame.
    void checkFinish() const;
    // Makes the temporary file's contents durable and gives it the
    // destination's name. Throws MediaError.
    void placeFilm();
    // "cannot write PATH: REASON".
    [[noreturn]] void fail(const std::string& reason) const;

    const FilmSettings settings_;
    const std::filesystem::path destination_;
    std::filesystem::path temporary_;  // empty once renamed into place or removed
    int temporaryFd_ = -1;             // held open until the film is placed

private:
    int frames_ = 0;
    bool failed_ = false;
    bool finished_ = false;
};

}  // namespace korvex
