// An H.264 film in an MP4 container, made as FFmpeg's command line makes
// one by default: libx264 at preset medium and crf 23, 4:2:0 pictures
// converted from RGBA with BT.601 limited-range colours, and the index in
// front of the pictures so that a player can start before it has the whole
// file.

#include "media/film_makers.h"

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace korvex::media_detail {

namespace {

struct FreeCodecContext {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FreeFormatContext {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr) avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct FreeFrame {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreePacket {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FreeScaler {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

// Options handed to FFmpeg, freed whatever it leaves of them.
class Options {
public:
    Options() = default;
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() { av_dict_free(&dictionary_); }
    void set(const char* key, const char* value) { av_dict_set(&dictionary_, key, value, 0); }
    AVDictionary** address() { return &dictionary_; }

private:
    AVDictionary* dictionary_ = nullptr;
};

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The libraries' own notes (x264's statistics, the muxer's second pass) would
// go to the program's standard error; their errors come back as MediaError.
void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

class Mp4Film final : public FilmWriter {
public:
    Mp4Film(const std::filesystem::path& path, const FilmSettings& settings) : FilmWriter(path, settings) {
        quietLibraries();
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (codec == nullptr) throw MediaError("the H.264 encoder is not available");

        // Named, since the temporary file's name does not end in .mp4.
        AVFormatContext* format = nullptr;
        if (avformat_alloc_output_context2(&format, nullptr, "mp4", nullptr) < 0 || format == nullptr)
            throw MediaError("the MP4 container is not available");
        format_.reset(format);

        encoder_.reset(avcodec_alloc_context3(codec));
        if (!encoder_) fail(errorText(AVERROR(ENOMEM)));
        encoder_->width = settings.width;
        encoder_->height = settings.height;
        encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
        encoder_->time_base = AVRational{1, settings.framesPerSecond};
        encoder_->framerate = AVRational{settings.framesPerSecond, 1};
        // As many threads as the machine has, as the command line asks.
        encoder_->thread_count = 0;
        if (format_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(encoder_->priv_data, "preset", "medium", 0);
        av_opt_set(encoder_->priv_data, "crf", "23", 0);
        if (const int error = avcodec_open2(encoder_.get(), codec, nullptr); error < 0)
            fail("the H.264 encoder cannot start: " + errorText(error));

        stream_ = avformat_new_stream(format_.get(), nullptr);
        if (stream_ == nullptr) fail(errorText(AVERROR(ENOMEM)));
        stream_->time_base = encoder_->time_base;
        stream_->avg_frame_rate = encoder_->framerate;
        if (const int error = avcodec_parameters_from_context(stream_->codecpar, encoder_.get()); error < 0)
            fail(errorText(error));

        // The temporary file is opened again by name; "file:" keeps a colon in
        // the name from being read as some other protocol, and the muxer's
        // second pass reads it back under the same name.
        const std::string url = "file:" + temporary_.string();
        format_->url = av_strdup(url.c_str());
        format_->protocol_whitelist = av_strdup("file");
        if (format_->url == nullptr || format_->protocol_whitelist == nullptr) fail(errorText(AVERROR(ENOMEM)));
        Options openOptions;
        openOptions.set("protocol_whitelist", "file");
        if (const int error = avio_open2(&format_->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, openOptions.address());
            error < 0)
            fail(errorText(error));

        Options muxOptions;
        muxOptions.set("movflags", "+faststart");
        if (const int error = avformat_write_header(format_.get(), muxOptions.address()); error < 0) fail(errorText(error));

        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!frame_ || !packet_) fail(errorText(AVERROR(ENOMEM)));
        frame_->format = AV_PIX_FMT_YUV420P;
        frame_->width = settings.width;
        frame_->height = settings.height;
        if (const int error = av_frame_get_buffer(frame_.get(), 0); error < 0) fail(errorText(error));

        // Same size in and out; swscale's defaults are BT.601, full-range RGB
        // in and limited-range YUV out, as the command line converts.
        scaler_.reset(sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGBA, settings.width,
                                     settings.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!scaler_) fail("the RGBA to YUV conversion is not available");
    }

    void encodeFrame(const uint8_t* rgba, std::size_t stride) override {
        // The encoder may still hold the last frame's pictures.
        if (const int error = av_frame_make_writable(frame_.get()); error < 0) fail(errorText(error));
        const uint8_t* const rows[1] = {rgba};
        const int rowStride[1] = {static_cast<int>(stride)};
        sws_scale(scaler_.get(), rows, rowStride, 0, settings_.height, frame_->data, frame_->linesize);
        frame_->pts = framesWritten();
        encode(frame_.get());
    }

    void finishFilm() override {
        encode(nullptr);
        if (const int error = av_write_trailer(format_.get()); error < 0) fail(errorText(error));
        avio_flush(format_->pb);
        if (format_->pb->error < 0) fail(errorText(format_->pb->error));
        if (const int error = avio_closep(&format_->pb); error < 0) fail(errorText(error));
        placeFilm();
    }

private:
    // Gives the encoder one frame, or none to drain it, and writes every
    // packet it has ready.
    void encode(const AVFrame* frame) {
        if (const int error = avcodec_send_frame(encoder_.get(), frame); error < 0)
            fail("the H.264 encoder failed: " + errorText(error));
        for (;;) {
            const int received = avcodec_receive_packet(encoder_.get(), packet_.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
            if (received < 0) fail("the H.264 encoder failed: " + errorText(received));
            // Each frame lasts one tick of 1/fps. libx264 leaves the packet's
            // duration unset; the muxer would guess it from the stream's
            // frame rate, and without either the last frame would get no
            // time and the film would end a frame early.
            if (packet_->duration <= 0) packet_->duration = 1;
            av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
            packet_->stream_index = stream_->index;
            // Takes the packet's contents and leaves it blank for the next.
            if (const int error = av_interleaved_write_frame(format_.get(), packet_.get()); error < 0)
                fail(errorText(error));
        }
    }

    std::unique_ptr<AVFormatContext, FreeFormatContext> format_;
    std::unique_ptr<AVCodecContext, FreeCodecContext> encoder_;
    AVStream* stream_ = nullptr;  // belongs to format_
    std::unique_ptr<AVFrame, FreeFrame> frame_;
    std::unique_ptr<AVPacket, FreePacket> packet_;
    std::unique_ptr<SwsContext, FreeScaler> scaler_;
};

}  // namespace

std::unique_ptr<FilmWriter> openMp4Film(const std::filesystem::path& path, const FilmSettings& settings) {
    return std::make_unique<Mp4Film>(path, settings);
}

}  // namespace korvex::media_detail
