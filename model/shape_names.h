#pragma once
// The game's coded part names (TRNShape, BRAKE_RFShape, ...) and the
// readable names shown for them.

#include <array>
#include <string>
#include <string_view>

namespace korvex {

// Each entry is a code, "=", and its readable name. Order matters: when a
// name holds several codes, the entry that stands lowest wins.
extern const std::array<std::string_view, 56> ShapeNameTable;

// The readable name of the last entry whose code occurs in `partName`
// (letters a to z compared without case), or `partName` itself.
std::string readableShapeName(std::string_view partName);

}  // namespace korvex
