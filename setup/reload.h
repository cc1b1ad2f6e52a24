#pragma once
// Reading the open model's files again after another program changed them:
// the model with its settings file, or the settings file alone. Nothing is
// asked and no box is shown; a file that cannot be read now leaves
// everything as it was.

#include "model/program_state.h"
#include "model/user_io.h"

#include <string>

namespace korvex {

struct ReloadOutcome {
    bool Done = false;
    std::string Failure;  // why not, when not done
};

// Opens the loaded model's file again as opening it does, with the settings
// file it used (or, when that is gone, the one beside it; else the default
// rows), then puts the user's set-up back: names, check boxes, colours,
// flags and textures of the parts that are still there, the selection and
// the view. New parts come with their file settings; parts that are gone
// are dropped. The log shows the new load. When the file does not load,
// the model, its log and its set-up stay as they were.
ReloadOutcome reopenModel(ProgramState& state, const FrameControls& controls, LogSink& log);

// Reads the settings file in use again and applies it as "Restore File
// Settings" does: names, ranges and flags from the file; colours and
// textures stay. When it cannot be read, the rows loaded before stay.
ReloadOutcome rereadSettings(ProgramState& state, LogSink& log);

}  // namespace korvex
