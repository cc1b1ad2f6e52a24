// Feeds arbitrary text to the settings-file reader, over a loaded model of
// a few parts. As for the model loader, only a LoadError may come out.
#include "model/elf_reader.h"
#include "model/recording_io.h"
#include "settings/geomdata_file.h"
#include "settings/text_line_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvex::ProgramState state;
    // The first byte chooses the model's parts and their rows, so the reset
    // also meets rows the table does not have.
    const std::size_t parts = size > 0 ? data[0] % 8 : 0;
    state.partList.resize(parts);
    for (std::size_t i = 0; i < parts; ++i) {
        state.partList.Parts[i].SettingsRow = static_cast<int32_t>(i * 3) - 2;
        state.tree.PartNodes.push_back({u"", korvex::PartNodeImage, 0, static_cast<int32_t>(i)});
    }
    state.ModelLoaded = true;

    korvex::RecordingLog log;
    korvex::ScriptedPrompts prompts;
    prompts.defaultYesNo = size > 1 && data[1] % 2 == 0;
    korvex::TextLineReader reader(korvex::ModelStream::fromBytes(std::vector<uint8_t>(data, data + size)));
    try {
        korvex::readGeomData(state, reader, korvex::UserIo{log, prompts});
    } catch (const korvex::LoadError&) {
    }
    return 0;
}
