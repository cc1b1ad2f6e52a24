#pragma once
// Opening a look: its model, its textures, then its set-up, all or nothing.

#include "look_file.h"
#include "model/user_io.h"
#include "textures/texture_upload.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

// Makes a texture of a picture file without a word to the user: its
// texture object and the picture's layout, or nothing when the picture
// cannot be read.
using PictureLoader = std::function<std::optional<LoadedTexture>(const std::filesystem::path&)>;

struct LookOpening {
    bool Done = false;
    std::string Fault;  // why nothing was opened, as the box says it
    // The look's textures whose pictures could not be loaded, as "name (path)";
    // the parts that used them have none.
    std::vector<std::string> MissingPictures;
    // The look's "Rotating", "Use Level of Detail" and slider, for the window's controls.
    FrameControls Controls;
};

// Opens `look`, read from `file`, over what `state` holds. Its model opens
// as opening a model does (its settings file found, or asked for, through
// `io`), into a state of its own; the look's parts must all be in it,
// matched by symbol name, else by index. Only then do its textures join the
// library (a texture the library has from the same picture under the same
// name is used again), the model takes the place of the one loaded, the log
// shows its load, and its parts and the scene take the look's set-up.
// When the model does not load or a part of the look is not in it, nothing
// changes and Fault says why.
LookOpening openLook(ProgramState& state, const Look& look, const std::filesystem::path& file, UserIo io,
                     CommandControls& controls, const PictureLoader& load);

// The one box that names the pictures a look could not load: one to a
// line, or all on one line for a printed box.
std::string missingPicturesText(const std::vector<std::string>& missing, bool oneLine = false);

// Moves the model loaded into `fresh` into `state` in place of its own:
// records, tree, settings rows and files. The texture library and the view stay.
void adoptModel(ProgramState& state, ProgramState&& fresh);

}  // namespace korvex
