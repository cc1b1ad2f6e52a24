// Feeds arbitrary bytes to the model loader. Every outcome but a LoadError
// (the loader's way of reporting a bad file) is a fault: a crash, a
// sanitizer report, a hang or an allocation past the RSS limit.
#include "model/elf_reader.h"
#include "model/recording_io.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    korvex::ProgramState state;
    korvex::RecordingLog log;
    korvex::ScriptedPrompts prompts;
    korvex::ModelStream stream = korvex::ModelStream::fromBytes(std::vector<uint8_t>(data, data + size));
    try {
        korvex::loadModelFromStream(state, stream, u"fuzz.o", korvex::UserIo{log, prompts});
    } catch (const korvex::LoadError&) {
    }
    return 0;
}
