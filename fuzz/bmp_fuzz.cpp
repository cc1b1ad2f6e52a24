// Feeds arbitrary bytes to the bitmap decoder. A refused file gives nothing
// and one message; anything else but a picture of the right size is a
// fault, as is a crash, a sanitizer report or a hang.
#include "fuzz/opaque_picture_check.h"
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
    const auto picture =
        korvex::DecodeBmp(std::span<const uint8_t>(data, size), "fuzz.bmp", prompts, korvex::fuzz::FuzzBudget);
    korvex::fuzz::checkOpaquePicture(picture, prompts);
    return 0;
}
