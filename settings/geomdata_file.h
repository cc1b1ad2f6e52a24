#pragma once
// The optional per-model settings file "geomdata.ini": readable part names,
// level-of-detail ranges and the transparent and reflection flags, one row
// per settings row of the model's parts.

#include "model/program_state.h"
#include "model/user_io.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace korvex {

inline constexpr std::string_view GeomDataFileFilter = "Geomdata.ini|geomdata.ini";
// The caption of the file dialog that asks for a model's settings file.
inline constexpr std::string_view GeomDataDialogCaption = "Choose the geomdata.ini of this model";

// Finds the settings file of the model at `modelPath` (the folder above
// first, then the model's own folder, else asks the user), reads it into
// state.geomData and applies it to the parts. Answers false when no file was
// used. A number that is not an integer, or a file that cannot be read,
// escapes as LoadError; rows already read stay.
// The file used is kept in state.SettingsPath, which is empty when none was.
bool LoadGeomData(ProgramState& state, const std::filesystem::path& modelPath, UserIo io);
// The settings file of the model at `modelPath` in the folder above it, else
// in its own folder; nothing when neither has one.
std::optional<std::filesystem::path> findGeomDataBesideModel(const std::filesystem::path& modelPath);
// The settings file for opening the loaded model again, without asking: the
// one in use while it is still there, else the one beside the model.
std::optional<std::filesystem::path> findGeomDataAgain(const ProgramState& state);
// Reads the settings file `file` as LoadGeomData reads the one it finds.
bool loadGeomDataFile(ProgramState& state, const std::filesystem::path& file, UserIo io);

class TextLineReader;

// The same from an opened settings file, from its first line on.
bool readGeomData(ProgramState& state, TextLineReader& reader, UserIo io);

// Decodes a block's header text (the line without its brackets) into row `row`.
void ApplyGeomDataHeader(GeomDataTable& table, std::string_view header, int32_t row);

// One row per part: "Part i", drawn from 100 down to a level spread from 90
// for the first part to 10 for the last. The rows' flags stay as they were.
void FillDefaultGeomData(ProgramState& state);
// The default row `row` of a model of `partCount` parts, as above.
void fillDefaultRow(GeomDataEntry& entry, std::size_t row, std::size_t partCount);

// Gives every part of a loaded model, and its tree node, the name and flags
// of its settings row. Parts without a row keep theirs.
void restoreFileSettings(ProgramState& state);

// The settings row of part `partIndex`, or nullptr when it has none.
const GeomDataEntry* settingsRowOf(const ProgramState& state, int32_t partIndex);

// Whether part `partIndex` is drawn at level-of-detail `level` (0 to 100)
// while the level of detail is in use. A part without a row always is.
bool passesLevelOfDetail(const ProgramState& state, int32_t partIndex, int32_t level);

}  // namespace korvex
