// An animated WebP made by libwebp's animation encoder: lossy frames at
// quality 80 and method 4, shown one after another for ever. The encoder
// keeps the compressed frames until the end, when the whole file is
// assembled in memory and written out at once.

#include "media/film_makers.h"

#include <cerrno>
#include <climits>
#include <system_error>

#include <unistd.h>

#include <webp/encode.h>
#include <webp/mux.h>

namespace korvex::media_detail {

namespace {

struct FreeAnimEncoder {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};

// A picture that frees what it was given on every way out.
struct Picture {
    WebPPicture picture;
    Picture() { WebPPictureInit(&picture); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() { WebPPictureFree(&picture); }
};

// The assembled file, freed on every way out.
struct Assembled {
    WebPData data;
    Assembled() { WebPDataInit(&data); }
    Assembled(const Assembled&) = delete;
    Assembled& operator=(const Assembled&) = delete;
    ~Assembled() { WebPDataClear(&data); }
};

class WebPFilm final : public FilmWriter {
public:
    WebPFilm(const std::filesystem::path& path, const FilmSettings& settings) : FilmWriter(path, settings) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_))
            throw MediaError("the WebP encoder is not available");
        options.anim_params.loop_count = 0;  // for ever
        config_.lossless = 0;
        config_.quality = 80;
        config_.method = 4;
        if (!WebPValidateConfig(&config_)) throw MediaError("the WebP encoder is not available");
        encoder_.reset(WebPAnimEncoderNew(settings.width, settings.height, &options));
        if (!encoder_) fail("the WebP encoder cannot start");
    }

    void encodeFrame(const uint8_t* rgba, std::size_t stride) override {
        Picture frame;
        frame.picture.use_argb = 1;
        frame.picture.width = settings_.width;
        frame.picture.height = settings_.height;
        // Without alpha the fourth byte is passed over and every pixel is
        // taken as opaque.
        const int stored = settings_.alpha ? WebPPictureImportRGBA(&frame.picture, rgba, static_cast<int>(stride))
                                           : WebPPictureImportRGBX(&frame.picture, rgba, static_cast<int>(stride));
        if (!stored) fail(errnoText(ENOMEM));
        // The frame's end must fit too, for finish() to give it.
        timestampAt(framesWritten() + 1LL);
        if (!WebPAnimEncoderAdd(encoder_.get(), &frame.picture, timestampAt(framesWritten()), &config_))
            fail(encoderError());
    }

    void finishFilm() override {
        // No picture: only the time the last frame ends.
        if (!WebPAnimEncoderAdd(encoder_.get(), nullptr, timestampAt(framesWritten()), nullptr))
            fail(encoderError());
        Assembled film;
        if (!WebPAnimEncoderAssemble(encoder_.get(), &film.data)) fail(encoderError());
        writeAll(film.data.bytes, film.data.size);
        placeFilm();
    }

private:
    static std::string errnoText(int code) { return std::generic_category().message(code); }

    // When frame `index` starts, in whole milliseconds: each frame is shown
    // 1000/fps ms, rounded so that the times do not drift from the film's.
    long long timestampOf(long long index) const {
        const long long fps = settings_.framesPerSecond;
        return (index * 2000 + fps) / (2 * fps);
    }
    // The encoder counts time in an int of milliseconds.
    int timestampAt(long long index) const {
        const long long milliseconds = timestampOf(index);
        if (milliseconds > INT_MAX) fail("a WebP film can last at most " + std::to_string(INT_MAX / 1000) + " seconds");
        return static_cast<int>(milliseconds);
    }

    std::string encoderError() const {
        const char* text = WebPAnimEncoderGetError(encoder_.get());
        return std::string("the WebP encoder failed") + (text != nullptr && *text != '\0' ? ": " + std::string(text) : "");
    }

    void writeAll(const uint8_t* bytes, std::size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(temporaryFd_, bytes, size);
            if (written < 0) {
                if (errno == EINTR) continue;
                fail(errnoText(errno));
            }
            bytes += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    WebPConfig config_;
    std::unique_ptr<WebPAnimEncoder, FreeAnimEncoder> encoder_;
};

}  // namespace

std::unique_ptr<FilmWriter> openWebPFilm(const std::filesystem::path& path, const FilmSettings& settings) {
    return std::make_unique<WebPFilm>(path, settings);
}

}  // namespace korvex::media_detail
