#include "open_command.h"

#include "geomdata_file.h"
#include "model/elf_reader.h"
#include "model/model_commands.h"

namespace korvex {

void OpenModel(ProgramState& state, const std::filesystem::path& path, UserIo io, CommandControls& controls) {
    LoadModel(state, path, io);
    controls.setCloseEnabled(state.ModelLoaded);
    if (!LoadGeomData(state, path, io)) {
        FillDefaultGeomData(state);
        restoreFileSettings(state);
    }
}

bool chooseAndOpenModel(ProgramState& state, UserIo io, CommandControls& controls) {
    const auto path = io.prompts.chooseFile(ModelFileFilter, OpenCaption);
    if (!path) return false;
    OpenModel(state, *path, io, controls);
    return true;
}

bool closeThenChooseAndOpenModel(ProgramState& state, UserIo io, CommandControls& controls) {
    CloseModel(state, io.log, controls);
    return chooseAndOpenModel(state, io, controls);
}

}  // namespace korvex
