#pragma once
// The command-line inspector: opens a model file as the viewer would,
// without a window, and prints what the viewer would show.

#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// Runs the inspector on `args` (without the program name); answers the exit status.
int runInspect(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvex
