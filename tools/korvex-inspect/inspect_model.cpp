#include "inspect.h"

#include "model/recording_io.h"
#include "settings/geomdata_file.h"
#include "settings/open_command.h"

#include <cstdio>
#include <optional>

namespace korvex {

const char* const InspectUsage =
    "usage: korvex-inspect model PATH [--answer yes|no] [--dump]\n"
    "       korvex-inspect texture PATH [--png OUT.png] [--max-texture-size N]\n"
    "       korvex-inspect render MODEL|LOOK --png OUT.png [--size WxH] [--yaw DEG] [--tilt DEG] [--zoom Z]"
    " [--view front|side|top|three-quarter] [--fit] [--env FILE] [--wireframe] [--lod-off] [--slider N]"
    " [--select PART] [--frame-time MS] [--background R,G,B] [--backlight R,G,B] [--texture PART=PICTURE]..."
    " [--samples 0|2|4|8] [--transparent] [--answer yes|no]\n"
    "       korvex-inspect export MODEL|LOOK [--glb OUT.glb] [--obj OUT.obj] [--texture PART=PICTURE]..."
    " [--answer yes|no]\n"
    "       korvex-inspect uv MODEL|LOOK --png OUT.png [--part N]... [--texture PART=PICTURE]... [--size WxH]"
    " [--over] [--answer yes|no]\n"
    "       korvex-inspect turntable MODEL|LOOK --out FILE.mp4|FILE.webp [--size WxH] [--seconds S] [--fps N]"
    " [--samples 0|2|4|8] [--transparent] [--view front|side|top|three-quarter] [--fit] [--answer yes|no]\n"
    "       korvex-inspect sheet MODEL|LOOK --png OUT.png [--size WxH] [--samples 0|2|4|8] [--transparent]"
    " [--answer yes|no]\n"
    "       korvex-inspect thumbnail [-s SIZE] INPUT OUTPUT\n";

std::optional<ModelCommand> parseModelCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "model") return std::nullopt;
    ModelCommand command;
    command.path = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--dump") {
            command.dump = true;
        } else if (args[i] == "--answer" && i + 1 < args.size() && (args[i + 1] == "yes" || args[i + 1] == "no")) {
            command.answerYes = args[++i] == "yes";
        } else {
            return std::nullopt;
        }
    }
    return command;
}

namespace {

// Box texts may hold carriage returns; they are printed as the two characters \r.
std::string oneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

std::string formatFloat(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

// The row's level-of-detail range, or "-" for a part without a row.
void printLevelOfDetail(const GeomDataEntry* row, std::ostream& out) {
    if (row == nullptr)
        out << "-\t-";
    else
        out << row->LodOn << '\t' << row->LodOff;
}

void printParts(const ProgramState& state, bool dump, std::ostream& out) {
    const PartList& list = state.partList;
    for (std::size_t i = 0; i < list.Parts.size(); ++i) {
        const GeometryPart& part = list.Parts[i];
        out << i << '\t' << part.Name << '\t' << part.SettingsRow << '\t' << list.PartVertices[i].size() << '\t'
            << list.PartIndices[i].size() << '\t' << int{part.Transparent != 0} << '\t'
            << int{part.EnvironmentMapped != 0} << '\t';
        printLevelOfDetail(settingsRowOf(state, static_cast<int32_t>(i)), out);
        out << '\n';
    }
    if (!dump) return;
    for (std::size_t i = 0; i < list.Parts.size(); ++i) {
        for (const ModelVertex& v : list.PartVertices[i]) {
            out << "v " << formatFloat(v.Position[0]) << ' ' << formatFloat(v.Position[1]) << ' '
                << formatFloat(v.Position[2]) << ' ' << formatFloat(v.Normal[0]) << ' ' << formatFloat(v.Normal[1])
                << ' ' << formatFloat(v.Normal[2]) << ' ' << formatFloat(v.TexCoord[0]) << ' '
                << formatFloat(v.TexCoord[1]) << '\n';
        }
        out << 'i';
        for (uint16_t index : list.PartIndices[i]) out << ' ' << index;
        out << '\n';
    }
}

}  // namespace

void inspectModel(const ModelCommand& command, ProgramState& state, std::ostream& out) {
    RecordingLog log;
    // A missing settings file is not looked for: the file request is cancelled.
    ScriptedPrompts prompts;
    prompts.defaultYesNo = command.answerYes;
    RecordingControls controls;

    std::optional<std::string> escaped;
    try {
        OpenModel(state, command.path, UserIo{log, prompts}, controls);
    } catch (const std::exception& failure) {
        escaped = failure.what();
    }

    printOpened(log.lines, state, command.dump, prompts, escaped, out);
}

void printOpened(const std::vector<std::string>& log, const ProgramState& state, bool dump,
                 const ScriptedPrompts& prompts, const std::optional<std::string>& escaped, std::ostream& out) {
    for (const std::string& line : log) out << line << '\n';
    out << "---\n";
    printParts(state, dump, out);
    printShown(prompts, escaped, out);
}

void printShown(const ScriptedPrompts& prompts, const std::optional<std::string>& escaped, std::ostream& out) {
    for (const ShownBox& box : prompts.shown) {
        if (box.kind == ShownBox::Kind::FileRequest) continue;
        out << "box\t" << oneLine(box.caption) << '\t' << oneLine(box.text) << '\n';
    }
    if (escaped) out << "error\t" << oneLine(*escaped) << '\n';
}

}  // namespace korvex
