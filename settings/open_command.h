#pragma once
// Opening a model: the file, then its settings file or default settings.

#include "model/program_state.h"
#include "model/user_io.h"

#include <filesystem>
#include <string_view>

namespace korvex {

inline constexpr std::string_view ModelFileFilter = "O files (*.o)|*.o|All Files (*.*)|*.*";

// Opens the model at `path` over whatever is loaded: loads it, switches the
// close controls, then applies its settings file, or default settings when
// there is none. The settings step runs even when the load failed. A failure
// that escapes the load stops everything else and escapes as LoadError, as
// does a settings file with a bad number.
void OpenModel(ProgramState& state, const std::filesystem::path& path, UserIo io, CommandControls& controls);

// The tool button "Open": asks for a model file and opens it without closing
// the loaded model first, so the new load reuses its part records. Answers
// false when the user cancels.
bool chooseAndOpenModel(ProgramState& state, UserIo io, CommandControls& controls);

// The menu "Open": closes a loaded model first, then does as the tool button.
bool closeThenChooseAndOpenModel(ProgramState& state, UserIo io, CommandControls& controls);

}  // namespace korvex
