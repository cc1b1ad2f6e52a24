#pragma once
// korvex-inspect export: opens a model as `model` does, then writes it for
// other 3-D programs as binary glTF, as Wavefront OBJ, or both.

#include "inspect.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace korvex {

struct ExportCommand {
    ModelCommand model;
    std::string glb, obj;  // empty: that format is not written
    // Each part given a picture, in the order the options name them.
    std::vector<std::pair<int32_t, std::string>> textures;
};

// Nothing for a command line that is not a well-formed export command.
std::optional<ExportCommand> parseExportCommand(const std::vector<std::string>& args);

// Prints what `model` prints, the pictures' boxes, then a `left out` line
// for each part that is not written; answers 0 once every file is written,
// 1 when the model did not load or a file could not be written.
int inspectExport(const ExportCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
