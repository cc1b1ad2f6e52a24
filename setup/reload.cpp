#include "reload.h"

#include "model/elf_reader.h"
#include "model/recording_io.h"
#include "settings/geomdata_file.h"
#include "look_open.h"
#include "setup.h"

#include <exception>

namespace korvex {

ReloadOutcome reopenModel(ProgramState& state, const FrameControls& controls, LogSink& log) {
    if (!state.ModelLoaded) return {false, "no model is open"};
    const Setup before = captureSetup(state, controls);
    ProgramState fresh;
    RecordingLog lines;
    // What would be asked was answered when the model was first opened: a
    // settings file with fewer rows is used again, as it was then.
    ScriptedPrompts quiet;
    const UserIo io{lines, quiet};
    try {
        LoadModel(fresh, state.ModelPath, io);
        if (fresh.ModelLoaded) {
            const auto settings = findGeomDataAgain(state);
            if (!settings || !loadGeomDataFile(fresh, *settings, io)) {
                FillDefaultGeomData(fresh);
                restoreFileSettings(fresh);
            }
        }
    } catch (const std::exception& failure) {
        return {false, failure.what()};
    }
    if (!fresh.ModelLoaded) return {false, lines.lines.empty() ? std::string() : lines.lines.back()};

    log.clear();
    for (const std::string& line : lines.lines) log.LogLine(line);
    const bool expanded = state.tree.RootExpanded;
    adoptModel(state, std::move(fresh));
    state.tree.RootExpanded = expanded;
    applyParts(state, before);
    applyScene(state.view, before.Scene);
    return {true, {}};
}

ReloadOutcome rereadSettings(ProgramState& state, LogSink& log) {
    if (!state.ModelLoaded || state.SettingsPath.empty()) return {false, "no settings file is in use"};
    const GeomDataTable kept = state.geomData;
    const std::filesystem::path file = state.SettingsPath;
    ScriptedPrompts quiet;
    ReloadOutcome outcome;
    try {
        outcome.Done = loadGeomDataFile(state, file, {log, quiet});
        if (!outcome.Done) outcome.Failure = quiet.shown.empty() ? std::string() : quiet.shown.back().text;
    } catch (const std::exception& failure) {
        outcome.Failure = failure.what();
    }
    if (!outcome.Done) state.geomData = kept;
    state.SettingsPath = file;
    return outcome;
}

}  // namespace korvex
