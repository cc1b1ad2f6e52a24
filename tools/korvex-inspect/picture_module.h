#pragma once
// Runs the inspector's texture, render and export commands, which live in a module
// loaded on demand (see picture_commands.cpp).

#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// Loads the module and runs `args` through it; a module that cannot be
// loaded is said on `err` and answers 1.
int runPictureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvex
