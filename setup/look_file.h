#pragma once
// A look: the user's set-up of a model kept in a file of its own (*.kvlook,
// JSON), with the model and the pictures of the textures it uses, so that
// the work of naming, colouring and texturing a car outlasts the window.
//
// Paths are written relative to the look's folder, with the absolute path
// beside them: a folder of a car and its look can move as a whole, and a
// look moved alone still finds its files where they were.

#include "setup.h"

#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

inline constexpr std::string_view LookFileFilter = "Looks (*.kvlook)|*.kvlook";
inline constexpr std::string_view LookFormat = "korvex-look";
inline constexpr int LookVersion = 1;
// A look of thousands of parts takes a few megabytes; anything much larger
// is not a look and is not read.
inline constexpr std::uintmax_t MostLookBytes = 16u << 20;
// Each texture of a look is a picture loaded: a look naming more is not read.
inline constexpr std::size_t MostLookTextures = 1024;

// Whether `path` names a look file: ".kvlook", in any case.
bool isLookFileName(const std::filesystem::path& path);

struct LookTexture {
    std::string DisplayName;
    std::filesystem::path Picture;  // the picture file; empty when the texture's file is not known
};

struct Look {
    std::filesystem::path Model;
    std::vector<LookTexture> Textures;  // in library order
    // The parts' TextureIndex counts in Textures: 0 = none, k = Textures[k - 1].
    // No part is selected.
    Setup setup;
};

// The look of what `state` shows: its model, every texture of the library,
// the set-up of its parts and the scene with `controls`.
Look lookOf(const ProgramState& state, const FrameControls& controls);

// The look as the JSON text of a file at `file`.
QByteArray lookJson(const Look& look, const std::filesystem::path& file);

// Writes the look to `file` under a temporary name and renames it into
// place; answers why not when it could not, leaving what was there.
std::optional<std::string> writeLookFile(const Look& look, const std::filesystem::path& file);

// A look read and checked, or the one fault that stops it, as the box shows
// it: "car.kvlook: part 3: colour must be three numbers from 0 to 255".
struct LookReading {
    std::optional<Look> look;
    std::string fault;
};

// A fault of the look file `file` as a box says it: its name, then `what`.
std::string lookFault(const std::filesystem::path& file, const std::string& what);

// Reads the look file `file`. Each path is taken relative to the look's
// folder where that file is there, else as its absolute path.
LookReading readLookFile(const std::filesystem::path& file);
// The same from the file's text (`file` names it in faults and anchors its paths).
LookReading parseLook(const QByteArray& text, const std::filesystem::path& file);

}  // namespace korvex
