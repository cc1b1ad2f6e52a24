#include "look_open.h"

#include "model/recording_io.h"
#include "settings/open_command.h"
#include "textures/texture_library.h"

#include <algorithm>
#include <exception>

namespace korvex {

namespace {

// The first part of the look that no part of the model takes, or -1.
int32_t partNotInModel(const Look& look, const PartList& parts) {
    std::vector<bool> taken(look.setup.Parts.size(), false);
    for (const int32_t match : matchParts(look.setup.Parts, parts))
        if (match >= 0) taken[static_cast<std::size_t>(match)] = true;
    for (std::size_t p = 0; p < taken.size(); ++p)
        if (!taken[p]) return static_cast<int32_t>(p);
    return -1;
}

bool samePicture(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code failed;
    return !a.empty() && (a == b || std::filesystem::equivalent(a, b, failed));
}

// The library entry (plus 1) each of the look's textures became, 0 for one
// whose picture could not be loaded.
std::vector<int32_t> loadTextures(ProgramState& state, const Look& look, const PictureLoader& load,
                                  std::vector<std::string>& missing) {
    TextureLibrary& library = state.textureLibrary;
    std::vector<int32_t> entries;
    for (const LookTexture& texture : look.Textures) {
        int32_t entry = 0;
        for (std::size_t e = 0; e < library.size() && entry == 0; ++e)
            if (library[e].DisplayName == texture.DisplayName && samePicture(library[e].SourcePath, texture.Picture))
                entry = static_cast<int32_t>(e) + 1;
        if (entry == 0) {
            std::optional<LoadedTexture> loaded;
            if (!texture.Picture.empty()) loaded = load(texture.Picture);
            if (loaded) {
                appendTexture(library, MakeUniqueTextureName(library, texture.DisplayName), loaded->object,
                              texture.Picture, loaded->layout);
                entry = static_cast<int32_t>(library.size());
            } else {
                missing.push_back(texture.DisplayName + " (" +
                                  (texture.Picture.empty() ? std::string("no picture file") : texture.Picture.string()) +
                                  ")");
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

std::string missingPicturesText(const std::vector<std::string>& missing, bool oneLine) {
    // A box can only be so tall.
    constexpr std::size_t Listed = 20;
    std::string text = "These pictures of the look could not be loaded; the parts that used them have no texture:";
    for (std::size_t p = 0; p < std::min(missing.size(), Listed); ++p)
        text += (oneLine ? (p == 0 ? " " : ", ") : "\n") + missing[p];
    if (missing.size() > Listed)
        text += (oneLine ? ", and " : "\nand ") + std::to_string(missing.size() - Listed) + " more.";
    return text;
}

void adoptModel(ProgramState& state, ProgramState&& fresh) {
    state.partList = std::move(fresh.partList);
    state.stringTables = std::move(fresh.stringTables);
    state.tree = std::move(fresh.tree);
    state.geomData = std::move(fresh.geomData);
    state.SettingsPath = std::move(fresh.SettingsPath);
    state.ModelPath = std::move(fresh.ModelPath);
    state.ModelLoaded = fresh.ModelLoaded;
}

LookOpening openLook(ProgramState& state, const Look& look, const std::filesystem::path& file, UserIo io,
                     CommandControls& controls, const PictureLoader& load) {
    LookOpening opening;
    ProgramState fresh;
    RecordingLog lines;
    RecordingControls quiet;
    try {
        OpenModel(fresh, look.Model, UserIo{lines, io.prompts}, quiet);
    } catch (const std::exception& failure) {
        lines.LogLine(failure.what());
    }
    if (!fresh.ModelLoaded) {
        opening.Fault = lookFault(file, "the model " + look.Model.string() + " did not load" +
                                            (lines.lines.empty() ? std::string() : ": " + lines.lines.back()));
        return opening;
    }
    if (const int32_t part = partNotInModel(look, fresh.partList); part >= 0) {
        const PartSetup& missing = look.setup.Parts[static_cast<std::size_t>(part)];
        opening.Fault = lookFault(file, "part " + std::to_string(part) + ": the model has no part " +
                                            (missing.SymbolName.empty() ? "at index " + std::to_string(missing.Index)
                                                                        : "named " + missing.SymbolName));
        return opening;
    }

    Setup setup = look.setup;
    const std::vector<int32_t> entries = loadTextures(state, look, load, opening.MissingPictures);
    for (PartSetup& part : setup.Parts)
        part.TextureIndex = part.TextureIndex > 0 ? entries[static_cast<std::size_t>(part.TextureIndex - 1)] : 0;
    setup.SelectedPart = -1;

    io.log.clear();
    for (const std::string& line : lines.lines) io.log.LogLine(line);
    adoptModel(state, std::move(fresh));
    controls.setCloseEnabled(true);
    applyParts(state, setup);
    applyScene(state.view, setup.Scene);
    opening.Controls = setup.Scene.Controls;
    opening.Done = true;
    return opening;
}

}  // namespace korvex
