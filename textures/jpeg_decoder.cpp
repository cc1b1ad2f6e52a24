#include "jpeg_decoder.h"

#include "file_bytes.h"
#include "model/load_error.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <string>

#include <jpeglib.h>

#if !defined(JCS_EXTENSIONS)
#error "libjpeg-turbo's extended colour spaces are needed"
#endif

namespace korvex {

namespace {

// libjpeg's fatal errors must not return to it and must not be C++
// exceptions thrown through its C frames: they jump back to the setjmp in
// the step that was running, which reports failure; the message number is
// kept for the error the caller raises.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int messageCode;
    bool tooManyScans;
};

// Each scan of a progressive picture costs a pass of its own, and a file
// may hold any number of them, empty ones included. Encoders write about
// ten; a file with more than this is refused.
constexpr int MostScans = 500;

void onFatalError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->messageCode = errors->manager.msg_code;
    std::longjmp(errors->jump, 1);
}

// Warnings about damaged data are decoded around, and nothing is printed.
void ignoreMessage(j_common_ptr, int) {}
void printNothing(j_common_ptr) {}

// One decoding: plain data only, so a jump skips no destructor.
struct JpegSession {
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    bool created;
};

// Called by the library as it goes, between scans among other times.
void watchScans(j_common_ptr common) {
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number <= MostScans) return;
    auto* errors = reinterpret_cast<JpegErrors*>(common->err);
    errors->tooManyScans = true;
    std::longjmp(errors->jump, 1);
}

bool readHeader(JpegSession& session, const uint8_t* data, std::size_t size, uint64_t budget) {
    session.info.err = jpeg_std_error(&session.errors.manager);
    session.errors.manager.error_exit = onFatalError;
    session.errors.manager.emit_message = ignoreMessage;
    session.errors.manager.output_message = printNothing;
    session.errors.messageCode = 0;
    session.errors.tooManyScans = false;
    if (setjmp(session.errors.jump)) return false;
    jpeg_create_decompress(&session.info);
    session.created = true;
    session.progress = jpeg_progress_mgr{};
    session.progress.progress_monitor = watchScans;
    session.info.progress = &session.progress;
    session.info.mem->max_memory_to_use = static_cast<long>(budget);
    jpeg_mem_src(&session.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&session.info, TRUE);
    return true;
}

// A row of C, M, Y, K becomes R, G, B, 255 where it lies. Files with an
// Adobe marker (all that print software writes) store the inks inverted.
void cmykToRgba(uint8_t* row, std::size_t pixels, bool inverted) {
    for (std::size_t i = 0; i < pixels; ++i, row += 4) {
        const unsigned k = inverted ? row[3] : 255u - row[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? row[c] : 255u - row[c];
            row[c] = static_cast<uint8_t>((ink * k + 127) / 255);
        }
        row[3] = 255;
    }
}

// Decodes every row into `pixels`, the bottom picture row first.
bool decodeRows(JpegSession& session, uint8_t* pixels, std::size_t rowBytes) {
    if (setjmp(session.errors.jump)) return false;
    jpeg_decompress_struct& info = session.info;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + (info.output_height - 1 - info.output_scanline) * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
        if (info.out_color_space == JCS_CMYK) cmykToRgba(row, info.output_width, info.saw_Adobe_marker != 0);
    }
    jpeg_finish_decompress(&info);
    return true;
}

class SessionGuard {
public:
    explicit SessionGuard(JpegSession& session) : session_(session) { session_.created = false; }
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;
    ~SessionGuard() {
        if (session_.created) jpeg_destroy_decompress(&session_.info);
    }

private:
    JpegSession& session_;
};

std::optional<PixelBuffer> refuse(std::string_view pathShown, Prompts& prompts) {
    prompts.message("BMP Unit", "Couldn't load JPG - \"" + std::string(pathShown) + "\"", BoxIcon::None);
    return std::nullopt;
}

// Sets what the rows come out as: R, G, B, 255, or C, M, Y, K for four-ink
// pictures; at 1 / `denominator` of the picture's size.
void chooseOutput(jpeg_decompress_struct& info, unsigned denominator) {
    const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = inks ? JCS_CMYK : JCS_EXT_RGBA;  // alpha comes out as 255
    info.scale_num = 1;
    info.scale_denom = denominator;
    jpeg_calc_output_dimensions(&info);
}

// The picture at 1 / `denominator` of its size; nothing when it is refused.
std::optional<PixelBuffer> decodeAtScale(std::span<const uint8_t> file, unsigned denominator, uint64_t budget) {
    JpegSession session;
    const SessionGuard guard(session);
    if (!readHeader(session, file.data(), file.size(), budget)) return std::nullopt;
    if (session.info.image_width == 0 || session.info.image_height == 0) return std::nullopt;
    if (setjmp(session.errors.jump)) return std::nullopt;
    chooseOutput(session.info, denominator);

    // libjpeg's own working memory (the coefficient planes of a progressive
    // picture) gets what the picture leaves of the budget. A limit of 0
    // would be none at all to libjpeg: a picture that leaves nothing is refused.
    const uint64_t pictureBytes = uint64_t{session.info.output_width} * session.info.output_height * 4;
    if (pictureBytes >= budget) return std::nullopt;
    session.info.mem->max_memory_to_use = static_cast<long>(budget - pictureBytes);

    PixelBuffer buffer;
    buffer.width = session.info.output_width;
    buffer.height = session.info.output_height;
    buffer.bytesPerPixel = 4;
    buffer.pixels.resize(pictureBytes);
    if (!decodeRows(session, buffer.pixels.data(), buffer.rowBytes())) {
        if (session.errors.tooManyScans) return std::nullopt;
        throw LoadError("JPEG error #" + std::to_string(session.errors.messageCode));
    }
    return buffer;
}

}  // namespace

std::optional<PixelBuffer> DecodeJpeg(std::span<const uint8_t> file, std::string_view pathShown, Prompts& prompts,
                                      uint64_t budget) {
    auto decoded = decodeAtScale(file, 1, budget);
    if (!decoded) return refuse(pathShown, prompts);
    return decoded;
}

std::optional<PixelBuffer> DecodeJpegReduced(std::span<const uint8_t> file, uint32_t side, uint32_t& fullWidth,
                                             uint32_t& fullHeight, uint64_t budget) {
    JpegSession session;
    {
        const SessionGuard guard(session);
        if (!readHeader(session, file.data(), file.size(), budget)) return std::nullopt;
        fullWidth = session.info.image_width;
        fullHeight = session.info.image_height;
    }
    // A picture the texture loader would refuse is not shown as if it could be used.
    if (uint64_t{fullWidth} * fullHeight * 4 >= budget) return std::nullopt;
    // The smallest of libjpeg's scales whose longer side still reaches `side`.
    const uint32_t longer = std::max(fullWidth, fullHeight);
    unsigned denominator = 8;
    while (denominator > 1 && longer / denominator < side) denominator /= 2;
    return decodeAtScale(file, denominator, budget);
}

std::optional<PixelBuffer> DecodeJpegFile(const std::filesystem::path& path, Prompts& prompts, uint64_t budget) {
    // An honest JPEG is far smaller than the picture it makes; one as big as
    // the whole budget is none.
    const auto bytes = readWholeFile(path, budget);
    if (!bytes) return refuse(path.string(), prompts);
    return DecodeJpeg(*bytes, path.string(), prompts, budget);
}

}  // namespace korvex
