#pragma once
// korvex-inspect thumbnail: the small picture of a car model file that a
// file manager shows beside its name. It is drawn as `render` draws, from
// three quarters, fitted, with smooth edges on a clear background, and
// trimmed to the car. It needs no display, no session bus and no home it
// can write to, so that it runs inside a file manager's sandbox, and it
// prints nothing unless it fails.

#include "inspect.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

struct ThumbnailCommand {
    std::string input, output;
    int size = 256;  // the most pixels a side
};

// Larger sides than this are not thumbnails.
inline constexpr int MostThumbnailSide = 4096;
// Larger files are not opened: a file manager asks for a thumbnail of every
// file it lists, and none should cost it seconds.
inline constexpr std::uintmax_t MostThumbnailInput = 100'000'000;

// `thumbnail [-s SIZE] INPUT OUTPUT`.
std::optional<ThumbnailCommand> parseThumbnailCommand(const std::vector<std::string>& args);

// Answers 0 once OUTPUT is written; 1, once `err` says why and with no
// OUTPUT written, for an input too large, unreadable or holding no car, or
// a picture that could not be drawn or written.
int inspectThumbnail(const ThumbnailCommand& command, ProgramState& state, std::ostream& err);

}  // namespace korvex
