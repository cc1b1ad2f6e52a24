#pragma once
// Runs the inspector's texture and render commands, which live in a module
// loaded on demand (see picture_commands.cpp).

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// The module's file: beside the executable in the build tree, else where
// the installation put it, reached from the executable's folder first.
std::filesystem::path pictureModulePath(const std::filesystem::path& executableFolder);

// Loads the module and runs `args` through it; a module that cannot be
// loaded is said on `err` and answers 1.
int runPictureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvex
