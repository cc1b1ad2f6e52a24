// Feeds arbitrary bytes to the bitmap decoder. A refused file gives nothing
// and one message; anything else but a picture of the right size is a
// fault, as is a crash, a sanitizer report or a hang.
#include "fuzz/outcome_features.h"
#include "model/recording_io.h"
#include "textures/bmp_decoder.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace {

// The normal budget of 1 GiB lets a header of a few bytes demand a picture
// so large that one run takes seconds and nears the RSS limit; a smaller one
// keeps runs fast and still meets every refusal on the way.
constexpr uint64_t FuzzBudget = uint64_t{64} << 20;

// Qt's reader warns about damaged files on standard error; the warnings
// are kept from the output and count as paths through the reader instead.
void noteQtMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    korvex::fuzz::noteMessage(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(noteQtMessage);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvex::ScriptedPrompts prompts;
    const auto picture = korvex::DecodeBmp(std::span<const uint8_t>(data, size), "fuzz.bmp", prompts, FuzzBudget);
    if (!picture) {
        if (prompts.shown.size() != 1) __builtin_trap();
        return 0;
    }
    if (!prompts.shown.empty() || picture->bytesPerPixel != 4) __builtin_trap();
    if (picture->pixels.size() != std::size_t{picture->width} * picture->height * 4) __builtin_trap();
    if (picture->pixels.size() > FuzzBudget) __builtin_trap();
    // Every pixel is opaque; a row the decoder skipped would show here.
    for (std::size_t i = 3; i < picture->pixels.size(); i += 4)
        if (picture->pixels[i] != 255) __builtin_trap();
    return 0;
}
