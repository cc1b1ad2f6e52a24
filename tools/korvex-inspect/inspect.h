#pragma once
// The command-line inspector: opens a model file as the viewer would,
// without a window, and prints what the viewer would show.

#include "model/program_state.h"

#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// Runs the inspector on `args` (without the program name), loading into
// `state`, which should be fresh; answers the exit status.
int runInspect(const std::vector<std::string>& args, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
