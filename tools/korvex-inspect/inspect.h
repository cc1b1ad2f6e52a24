#pragma once
// The command-line inspector: opens a model file as the viewer would,
// without a window, and prints what the viewer would show.

#include "model/program_state.h"
#include "model/recording_io.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

struct ModelCommand {
    std::string path;
    bool answerYes = true;  // the answer to every Yes/No question
    bool dump = false;      // every vertex and strip after the part rows
};

// The usage lines printed for arguments that make no command.
extern const char* const InspectUsage;

// The model command in `args` (without the program name), if they are one.
std::optional<ModelCommand> parseModelCommand(const std::vector<std::string>& args);

// Opens the model into `state` as the viewer's open command does and prints
// the log, `---`, the part rows, the boxes shown and an escaped failure.
void inspectModel(const ModelCommand& command, ProgramState& state, std::ostream& out);

// What `model` prints once a model is opened into `state`: the log, `---`,
// the part rows (every vertex and strip too with `dump`), the boxes shown
// and an escaped failure.
void printOpened(const std::vector<std::string>& log, const ProgramState& state, bool dump,
                 const ScriptedPrompts& prompts, const std::optional<std::string>& escaped, std::ostream& out);

// The boxes shown (file requests left out) as `box` lines, then the
// escaped failure, if any, as an `error` line.
void printShown(const ScriptedPrompts& prompts, const std::optional<std::string>& escaped, std::ostream& out);

// Runs any of the inspector's commands on `args` (without the program name), loading into
// `state`, which should be fresh; answers the exit status.
int runInspect(const std::vector<std::string>& args, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
