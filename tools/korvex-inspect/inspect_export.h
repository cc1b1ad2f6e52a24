#pragma once
// korvex-inspect export: opens a model as `model` does, or a look with its
// model and set-up, then writes it for other 3-D programs as binary glTF, as
// Wavefront OBJ, or both.

#include "inspect.h"
#include "inspect_options.h"

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
    std::vector<PartPicture> textures;
};

// Nothing for a command line that is not a well-formed export command.
std::optional<ExportCommand> parseExportCommand(const std::vector<std::string>& args);

// Prints what `model` prints (for a look, that of its model with the look's
// set-up and a box naming the pictures it could not load), the pictures'
// boxes, then a `left out` line for each part that is not written. A look's
// parts are written as the window exports them once it is open: those it
// left checked, within its level of detail, and `--texture` goes over the
// look's texture of a part. Answers 0 once every file is written, 1 when
// the model or the look did not open or a file could not be written.
int inspectExport(const ExportCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
