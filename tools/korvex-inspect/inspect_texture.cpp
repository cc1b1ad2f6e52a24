#include "inspect_texture.h"

#include "export/export_scene.h"
#include "export/image_file.h"

#include "model/recording_io.h"
#include "textures/fit_texture.h"
#include "textures/texture_upload.h"

#include <QImage>
#include <QString>

#include <charconv>

namespace korvex {

namespace {

std::optional<uint32_t> parseSize(const std::string& text) {
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0) return std::nullopt;
    return value;
}

// Buffer row 0 becomes the PNG's first row.
void writePng(const PixelBuffer& buffer, const std::string& path) {
    const QImage image(buffer.pixels.data(), static_cast<int>(buffer.width), static_cast<int>(buffer.height),
                       static_cast<qsizetype>(buffer.rowBytes()),
                       buffer.bytesPerPixel == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    writeImageFile(image, path, "png");
}

}  // namespace

std::optional<TextureCommand> parseTextureCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "texture") return std::nullopt;
    TextureCommand command;
    command.path = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (i + 1 >= args.size()) return std::nullopt;
        if (args[i] == "--png") {
            command.png = args[++i];
        } else if (args[i] == "--max-texture-size") {
            const auto size = parseSize(args[++i]);
            if (!size) return std::nullopt;
            command.maxTextureSize = *size;
        } else {
            return std::nullopt;
        }
    }
    return command;
}

int inspectTexture(const TextureCommand& command, std::ostream& out, std::ostream& err) {
    ScriptedPrompts prompts;
    std::optional<PixelBuffer> decoded;
    std::optional<std::string> escaped;
    try {
        decoded = DecodeTextureFile(command.path, prompts);
    } catch (const std::exception& failure) {
        escaped = failure.what();
    }
    if (decoded) {
        const PixelBuffer fitted = FitToMaxTextureSize(std::move(*decoded), command.maxTextureSize);
        if (command.png) {
            try {
                writePng(fitted, *command.png);
            } catch (const ExportError& failure) {
                err << "korvex-inspect: " << failure.what() << '\n';
                return 1;
            }
        }
        out << "ok " << fitted.width << ' ' << fitted.height << ' ' << fitted.bytesPerPixel << '\n';
        return 0;
    }
    for (const ShownBox& box : prompts.shown) out << "box\t" << box.caption << '\t' << box.text << '\n';
    if (escaped) out << "error\t" << *escaped << '\n';
    out << "fail\n";
    return 0;
}

}  // namespace korvex
