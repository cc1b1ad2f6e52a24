// Feeds arbitrary bytes to the whole open sequence of a model file: the
// load, the settings file beside it or the defaults when there is none, a
// reset to the file's settings, an open over the loaded model (which reuses
// its part records) and the close. The settings file is the input from its
// last "[GEOMDATA]" on; the last byte answers the settings' question.
// Every outcome but a LoadError (the program's way of reporting a bad file)
// is a fault: a crash, a sanitizer report, a hang or an allocation past the
// limits.
#include "model/load_error.h"
#include "model/model_commands.h"
#include "model/recording_io.h"
#include "settings/geomdata_file.h"
#include "settings/open_command.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

// A folder of this process's own, on a memory file system where there is one.
std::filesystem::path carFolder() {
    static const std::filesystem::path folder = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/korvex-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        if (made == nullptr) std::abort();
        const std::filesystem::path cars = std::filesystem::path(made) / "cars" / "a";
        std::filesystem::create_directories(cars);
        return cars;
    }();
    return folder;
}

void write(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path model = carFolder() / "car.o";
    const std::filesystem::path settings = carFolder() / "geomdata.ini";
    write(model, input);
    const std::size_t settingsStart = input.rfind("[GEOMDATA]");
    if (settingsStart != std::string_view::npos)
        write(settings, input.substr(settingsStart));
    else
        std::filesystem::remove(settings);  // the dialog that asks for one is cancelled

    korvex::ProgramState state;
    korvex::RecordingLog log;
    korvex::ScriptedPrompts prompts;
    korvex::RecordingControls controls;
    prompts.defaultYesNo = size > 0 && data[size - 1] % 2 == 0;
    const korvex::UserIo io{log, prompts};
    try {
        korvex::OpenModel(state, model, io, controls);
        korvex::restoreFileSettings(state);
    } catch (const korvex::LoadError&) {
    }
    try {
        korvex::OpenModel(state, model, io, controls);
    } catch (const korvex::LoadError&) {
    }
    korvex::CloseModel(state, log, controls);
    return 0;
}
