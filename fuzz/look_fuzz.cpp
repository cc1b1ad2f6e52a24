// Feeds arbitrary bytes to the look reader as the text of a look file. What
// it reads must be a look it can write and read back unchanged, and opening
// it over a loaded model either opens all of it or changes nothing. Looks
// are opened only when they name the fixture model beside them, so that the
// fuzzer does not wander the file system; their pictures are "loaded" by a
// stand-in that knows the one picture that is there.
// Anything else is a fault: a crash, a sanitizer report, a hang, an
// exception, or a broken promise, which traps.
#include "fuzz/look_fixture.h"
#include "fuzz/outcome_features.h"
#include "model/recording_io.h"
#include "settings/open_command.h"
#include "setup/look_file.h"
#include "setup/look_open.h"
#include "textures/texture_library.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace korvex;

// A folder of this process's own, on a memory file system where there is
// one, holding the fixture model and the picture.
std::filesystem::path lookFolder() {
    static const std::filesystem::path folder = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/korvex-look-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        if (made == nullptr) std::abort();
        const std::filesystem::path cars = std::filesystem::path(made) / "cars" / "a";
        std::filesystem::create_directories(cars);
        fixtures::writeFile(cars / fuzz::LookModelName, fuzz::lookModel().build());
        std::ofstream(cars / fuzz::LookPictureName) << "a picture";
        return cars;
    }();
    return folder;
}

// The model opened, with the picture's texture already in the library and
// another texture under the same name, as a window that has been used holds them.
const ProgramState& usedState() {
    static const ProgramState state = [] {
        ProgramState opened;
        RecordingLog log;
        ScriptedPrompts prompts;
        RecordingControls controls;
        OpenModel(opened, lookFolder() / fuzz::LookModelName, UserIo{log, prompts}, controls);
        if (!opened.ModelLoaded) std::abort();
        appendTexture(opened.textureLibrary, std::string(fuzz::LookPictureName), 7,
                      lookFolder() / fuzz::LookPictureName);
        appendTexture(opened.textureLibrary, std::string(fuzz::LookPictureName), 8, lookFolder() / "elsewhere.tga");
        return opened;
    }();
    return state;
}

// Names as the file carries them: UTF-8, which cannot hold a lone surrogate.
std::string asWritten(const std::u16string& caption) {
    return QString::fromStdU16String(caption).toStdString();
}

bool sameParts(const std::vector<PartSetup>& a, const std::vector<PartSetup>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t p = 0; p < a.size(); ++p) {
        PartSetup x = a[p], y = b[p];
        if (asWritten(x.Caption) != asWritten(y.Caption)) return false;
        x.Caption = y.Caption;
        if (!(x == y)) return false;
    }
    return true;
}

bool sameScene(const SceneSetup& a, const SceneSetup& b) {
    return a.RotationX == b.RotationX && a.RotationY == b.RotationY && a.ZoomZ == b.ZoomZ && a.PanX == b.PanX &&
           a.PanY == b.PanY && std::equal(std::begin(a.Centre), std::end(a.Centre), std::begin(b.Centre)) &&
           a.Wireframe == b.Wireframe && a.BackgroundColour == b.BackgroundColour &&
           a.BacklightColour == b.BacklightColour && a.Controls.Rotating == b.Controls.Rotating &&
           a.Controls.UseLevelOfDetail == b.Controls.UseLevelOfDetail &&
           a.Controls.DetailLevel == b.Controls.DetailLevel;
}

// Where a path points depends on what is there when it is read, so only
// the textures' names are compared.
void checkWrittenAgain(const Look& look, const std::filesystem::path& file) {
    const LookReading again = parseLook(lookJson(look, file), file);
    if (!again.look || !again.fault.empty()) __builtin_trap();
    if (again.look->Textures.size() != look.Textures.size()) __builtin_trap();
    for (std::size_t t = 0; t < look.Textures.size(); ++t)
        if (again.look->Textures[t].DisplayName != look.Textures[t].DisplayName) __builtin_trap();
    if (!sameParts(again.look->setup.Parts, look.setup.Parts)) __builtin_trap();
    if (!sameScene(again.look->setup.Scene, look.setup.Scene)) __builtin_trap();
}

void checkOpened(const Look& look, const std::filesystem::path& file) {
    ProgramState state = usedState();
    const std::size_t textures = state.textureLibrary.size();
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingControls controls;
    uint32_t nextObject = 100;
    const PictureLoader load = [&](const std::filesystem::path& picture) -> std::optional<LoadedTexture> {
        if (picture != lookFolder() / fuzz::LookPictureName) return std::nullopt;
        return LoadedTexture{nextObject++, {}};
    };
    const LookOpening opening = openLook(state, look, file, UserIo{log, prompts}, controls, load);
    fuzz::noteOutcome(opening.Done ? 1 + std::min<std::size_t>(opening.MissingPictures.size(), 8) : 0);
    if (!opening.Done) {
        // Nothing changes.
        if (opening.Fault.empty() || state.textureLibrary.size() != textures) __builtin_trap();
        if (state.partList.Parts.size() != usedState().partList.Parts.size() || !state.ModelLoaded) __builtin_trap();
        return;
    }
    if (!opening.Fault.empty() || !state.ModelLoaded || state.SelectedPart != -1) __builtin_trap();
    if (state.textureLibrary.size() + opening.MissingPictures.size() > textures + look.Textures.size())
        __builtin_trap();
    for (const GeometryPart& part : state.partList.Parts)
        if (part.TextureIndex < 0 || static_cast<std::size_t>(part.TextureIndex) > state.textureLibrary.size())
            __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::filesystem::path file = lookFolder() / fuzz::LookName;
    const LookReading reading =
        parseLook(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), file);
    // Qt's JSON reader is built without coverage: the fault it leads to is
    // the only sign that an input took another path through it.
    korvex::fuzz::noteMessage(reading.fault);
    if (reading.look.has_value() == !reading.fault.empty()) __builtin_trap();
    if (!reading.look) return 0;
    checkWrittenAgain(*reading.look, file);
    if (reading.look->Model == lookFolder() / fuzz::LookModelName) checkOpened(*reading.look, file);
    return 0;
}
