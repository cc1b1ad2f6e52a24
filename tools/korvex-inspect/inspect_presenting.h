#pragma once
// korvex-inspect turntable and sheet: the pictures made for presenting a
// car, drawn by the viewer's own renderer as `render` draws them. A
// turntable film makes one full turn about the upright axis (.mp4 or
// animated .webp); a sheet shows the four standard views, two by two, with
// a caption line.

#include "inspect_render.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

struct TurntableCommand {
    RenderCommand render;  // --size, --samples, --transparent, --view, --fit, --answer
    std::string out;
    double seconds = 6.0;
    int framesPerSecond = 30;
};

struct SheetCommand {
    RenderCommand render;  // --png, --size (of the whole sheet), --samples, --transparent, --answer
};

// The most a film may last: ten minutes.
inline constexpr double MostFilmSeconds = 600.0;

// What every presenting command starts from: the model or look at `path`,
// drawn at that size with smooth edges (4 samples).
RenderCommand presentingCommand(const std::string& path, int width, int height);

std::optional<TurntableCommand> parseTurntableCommand(const std::vector<std::string>& args);
std::optional<SheetCommand> parseSheetCommand(const std::vector<std::string>& args);

// Both print what `render` prints; they answer 0 once the file is written,
// 1 when the look cannot be opened or nothing could be drawn or written,
// 2 for a film they cannot make as asked (its kind, size or background).
int inspectTurntable(const TurntableCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);
int inspectSheet(const SheetCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
