#include "inspect_export.h"

#include "inspect_look.h"
#include "inspect_options.h"

#include "export/model_export.h"
#include "setup/look_file.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"


namespace korvex {

namespace {

}  // namespace

std::optional<ExportCommand> parseExportCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "export") return std::nullopt;
    ExportCommand command;
    command.model.path = args[1];
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        if (option == "--glb" && !value.empty()) {
            command.glb = value;
        } else if (option == "--obj" && !value.empty()) {
            command.obj = value;
        } else if (option == "--texture" && parsePartPicture(value)) {
            command.textures.push_back(*parsePartPicture(value));
        } else if (option == "--answer" && (value == "yes" || value == "no")) {
            command.model.answerYes = value == "yes";
        } else {
            return std::nullopt;
        }
    }
    if (args.size() % 2 != 0 || (command.glb.empty() && command.obj.empty())) return std::nullopt;
    return command;
}

int inspectExport(const ExportCommand& command, ProgramState& state, std::ostream& out, std::ostream& err) {
    ExportChoices choices;
    std::vector<std::optional<PixelBuffer>> pictures;
    if (isLookFileName(command.model.path)) {
        std::optional<InspectedLook> look = inspectLook(command.model, state, out, err);
        if (!look) return 1;
        pictures = std::move(look->pictures);
        // What the window exports once the look is open: the parts it left
        // checked, within its level of detail.
        choices.leaveOutHidden = true;
        if (look->controls.UseLevelOfDetail) choices.detailLevel = look->controls.DetailLevel;
    } else {
        inspectModel(command.model, state, out);
        if (!state.ModelLoaded) {
            err << "korvex-inspect: nothing to export: " << command.model.path << " did not load\n";
            return 1;
        }
    }
    applyPartPictures(command.textures, state, pictures, out);
    choices.pictures = [&pictures](std::size_t entry) -> std::optional<PixelBuffer> {
        if (entry >= pictures.size()) return std::nullopt;
        return pictures[entry];
    };
    std::vector<ExportTarget> targets;
    if (!command.glb.empty()) targets.push_back({ExportFormat::Glb, command.glb});
    if (!command.obj.empty()) targets.push_back({ExportFormat::Obj, command.obj});
    const std::vector<ExportInput> inputs = filesRead(command.model, state, command.textures, "exported", "the export");
    return writeOrSay(err, "to export " + command.model.path, [&] {
        const ExportScene scene = collectExport(state, choices);
        for (const LeftOutPart& left : scene.leftOut)
            out << "left out\t" << left.partIndex << '\t' << left.reason << '\n';
        writeExports(scene, targets, inputs);
    });
}

}  // namespace korvex
