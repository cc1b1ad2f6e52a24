#include "tests/support/film_readback.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <webp/decode.h>
#include <webp/demux.h>

namespace korvex::fixtures {

namespace {

[[noreturn]] void cannotRead(const std::filesystem::path& path, const std::string& why) {
    throw std::runtime_error("cannot read the film " + path.string() + ": " + why);
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) cannotRead(path, "cannot open it");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool isWebP(const std::filesystem::path& path) {
    char head[12] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in) cannotRead(path, "cannot open it");
    in.read(head, sizeof head);
    return in.gcount() == sizeof head && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

// ---- MP4 and anything else FFmpeg reads

struct FreeInput {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct FreeCodecContext {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
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

class VideoReader {
public:
    explicit VideoReader(const std::filesystem::path& path) : path_(path) {
        av_log_set_level(AV_LOG_ERROR);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        AVFormatContext* input = nullptr;
        const int opened = avformat_open_input(&input, ("file:" + path.string()).c_str(), nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) cannotRead(path, errorText(opened));
        input_.reset(input);
        if (const int error = avformat_find_stream_info(input_.get(), nullptr); error < 0)
            cannotRead(path, errorText(error));
        const AVCodec* codec = nullptr;
        streamIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (streamIndex_ < 0 || codec == nullptr) cannotRead(path, "no video stream that can be decoded");
        decoder_.reset(avcodec_alloc_context3(codec));
        if (!decoder_) cannotRead(path, "out of memory");
        if (const int error = avcodec_parameters_to_context(decoder_.get(), stream()->codecpar); error < 0)
            cannotRead(path, errorText(error));
        if (const int error = avcodec_open2(decoder_.get(), codec, nullptr); error < 0)
            cannotRead(path, errorText(error));
    }

    const AVFormatContext& input() const { return *input_; }
    const AVStream* stream() const { return input_->streams[streamIndex_]; }

    // Calls take(frame) for each frame in order until it returns false.
    void decode(const std::function<bool(const AVFrame&)>& take) {
        std::unique_ptr<AVPacket, FreePacket> packet(av_packet_alloc());
        std::unique_ptr<AVFrame, FreeFrame> frame(av_frame_alloc());
        if (!packet || !frame) cannotRead(path_, "out of memory");
        // False once take() has had enough.
        const auto drain = [&]() {
            for (;;) {
                const int received = avcodec_receive_frame(decoder_.get(), frame.get());
                if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return true;
                if (received < 0) cannotRead(path_, errorText(received));
                const bool more = take(*frame);
                av_frame_unref(frame.get());
                if (!more) return false;
            }
        };
        for (;;) {
            const int read = av_read_frame(input_.get(), packet.get());
            if (read == AVERROR_EOF) break;
            if (read < 0) cannotRead(path_, errorText(read));
            int sent = 0;
            if (packet->stream_index == streamIndex_) sent = avcodec_send_packet(decoder_.get(), packet.get());
            av_packet_unref(packet.get());
            if (sent < 0) cannotRead(path_, errorText(sent));
            if (!drain()) return;
        }
        if (const int error = avcodec_send_packet(decoder_.get(), nullptr); error < 0)
            cannotRead(path_, errorText(error));
        drain();
    }

private:
    std::filesystem::path path_;
    std::unique_ptr<AVFormatContext, FreeInput> input_;
    std::unique_ptr<AVCodecContext, FreeCodecContext> decoder_;
    int streamIndex_ = -1;
};

FilmInfo readVideo(const std::filesystem::path& path) {
    VideoReader reader(path);
    const AVStream& stream = *reader.stream();
    FilmInfo info;
    info.codec = avcodec_get_name(stream.codecpar->codec_id);
    const auto format = static_cast<AVPixelFormat>(stream.codecpar->format);
    if (const char* name = av_get_pix_fmt_name(format)) info.pixelFormat = name;
    if (const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(format))
        info.alpha = (described->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
    info.width = stream.codecpar->width;
    info.height = stream.codecpar->height;
    // As a player states it: the stream's own length, else the container's.
    if (stream.duration != AV_NOPTS_VALUE)
        info.seconds = static_cast<double>(stream.duration) * av_q2d(stream.time_base);
    else if (reader.input().duration != AV_NOPTS_VALUE)
        info.seconds = static_cast<double>(reader.input().duration) / AV_TIME_BASE;
    reader.decode([&](const AVFrame&) {
        ++info.frames;
        return true;
    });
    return info;
}

std::vector<uint8_t> videoFrameRgba(const std::filesystem::path& path, int index) {
    VideoReader reader(path);
    std::vector<uint8_t> rgba;
    int at = 0;
    reader.decode([&](const AVFrame& frame) {
        if (at++ < index) return true;
        // swscale's defaults, as a player converts an untagged film:
        // BT.601, limited-range YUV in, full-range RGB out.
        std::unique_ptr<SwsContext, FreeScaler> scaler(
            sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
                           frame.height, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!scaler) cannotRead(path, "no conversion of its frames to RGBA");
        rgba.resize(static_cast<std::size_t>(frame.width) * frame.height * 4);
        uint8_t* const rows[1] = {rgba.data()};
        const int stride[1] = {frame.width * 4};
        sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, rows, stride);
        return false;
    });
    if (rgba.empty()) cannotRead(path, "it has no frame " + std::to_string(index));
    return rgba;
}

// ---- WebP

struct FreeAnimDecoder {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct FreeDemuxer {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};

// Decodes every frame onto the whole canvas, as a browser shows it, and calls
// take(rgba, end in milliseconds) for each until it returns false.
void decodeWebP(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, WebPAnimInfo& info,
                const std::function<bool(const uint8_t*, int)>& take) {
    const WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) cannotRead(path, "libwebp's decoder is not the one built against");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, FreeAnimDecoder> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) cannotRead(path, "not a WebP that libwebp can decode");
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) cannotRead(path, "no animation header");
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        uint8_t* canvas = nullptr;
        int end = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &end)) cannotRead(path, "a frame cannot be decoded");
        if (!take(canvas, end)) return;
    }
}

FilmInfo readWebP(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = fileBytes(path);
    FilmInfo film;
    film.codec = "webp";
    WebPAnimInfo info{};
    decodeWebP(path, bytes, info, [&](const uint8_t* canvas, int end) {
        ++film.frames;
        film.seconds = end / 1000.0;
        const std::size_t size = static_cast<std::size_t>(info.canvas_width) * info.canvas_height * 4;
        for (std::size_t i = 3; i < size && !film.alpha; i += 4) film.alpha = canvas[i] != 255;
        return true;
    });
    film.width = static_cast<int>(info.canvas_width);
    film.height = static_cast<int>(info.canvas_height);

    // How the frames are stored, from the frames' own headers.
    const WebPData data{bytes.data(), bytes.size()};
    std::unique_ptr<WebPDemuxer, FreeDemuxer> demuxer(WebPDemux(&data));
    if (!demuxer) cannotRead(path, "not a WebP that libwebp can demux");
    bool lossless = false, storedAlpha = false;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &frame)) {
        do {
            WebPBitstreamFeatures features;
            if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &features) != VP8_STATUS_OK)
                cannotRead(path, "a frame's header cannot be read");
            lossless = lossless || features.format == 2;
            storedAlpha = storedAlpha || frame.has_alpha;
        } while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    film.pixelFormat = lossless ? "argb" : storedAlpha ? "yuva420p" : "yuv420p";
    return film;
}

std::vector<uint8_t> webPFrameRgba(const std::filesystem::path& path, int index) {
    const std::vector<uint8_t> bytes = fileBytes(path);
    WebPAnimInfo info{};
    std::vector<uint8_t> rgba;
    int at = 0;
    decodeWebP(path, bytes, info, [&](const uint8_t* canvas, int) {
        if (at++ < index) return true;
        rgba.assign(canvas, canvas + static_cast<std::size_t>(info.canvas_width) * info.canvas_height * 4);
        return false;
    });
    if (rgba.empty()) cannotRead(path, "it has no frame " + std::to_string(index));
    return rgba;
}

}  // namespace

FilmInfo readFilm(const std::filesystem::path& path) { return isWebP(path) ? readWebP(path) : readVideo(path); }

std::vector<uint8_t> filmFrameRgba(const std::filesystem::path& path, int index) {
    if (index < 0) cannotRead(path, "it has no frame " + std::to_string(index));
    return isWebP(path) ? webPFrameRgba(path, index) : videoFrameRgba(path, index);
}

}  // namespace korvex::fixtures
