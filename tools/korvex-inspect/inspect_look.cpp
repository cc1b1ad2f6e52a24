#include "inspect_look.h"

#include "model/program_name.h"
#include "model/recording_io.h"
#include "setup/look_open.h"
#include "textures/texture_upload.h"

#include <map>
#include <string>
#include <utility>

namespace korvex {

std::optional<InspectedLook> inspectLook(const ModelCommand& command, ProgramState& state, std::ostream& out,
                                         std::ostream& err) {
    const LookReading reading = readLookFile(command.path);
    if (!reading.look) {
        err << "korvex-inspect: " << reading.fault << '\n';
        return std::nullopt;
    }
    // There may be no OpenGL context yet, and an export needs none: the
    // pictures are kept decoded, and their textures are made by who needs them.
    std::map<std::filesystem::path, PixelBuffer> decoded;
    const PictureLoader load = [&decoded](const std::filesystem::path& picture) -> std::optional<LoadedTexture> {
        std::optional<PixelBuffer> pixels = DecodeTextureFileQuietly(picture);
        if (!pixels) return std::nullopt;
        const PictureLayout layout = layoutOf(*pixels);
        decoded.insert_or_assign(picture, std::move(*pixels));
        return LoadedTexture{0, layout};
    };
    RecordingLog log;
    ScriptedPrompts prompts;
    prompts.defaultYesNo = command.answerYes;
    RecordingControls controls;
    const LookOpening opening = openLook(state, *reading.look, command.path, UserIo{log, prompts}, controls, load);
    if (!opening.Done) {
        err << "korvex-inspect: " << opening.Fault << '\n';
        return std::nullopt;
    }
    if (!opening.MissingPictures.empty())
        prompts.message(ApplicationTitle, missingPicturesText(opening.MissingPictures, true), BoxIcon::Information);
    printOpened(log.lines, state, command.dump, prompts, std::nullopt, out);

    InspectedLook inspected;
    inspected.controls = opening.Controls;
    for (const TextureEntry& entry : state.textureLibrary) {
        const auto picture = decoded.find(entry.SourcePath);
        inspected.pictures.push_back(picture != decoded.end() ? std::optional(picture->second) : std::nullopt);
    }
    return inspected;
}

}  // namespace korvex
