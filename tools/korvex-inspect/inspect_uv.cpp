#include "inspect_uv.h"

#include "inspect_look.h"

#include "export/uv_layout.h"
#include "setup/look_file.h"

namespace korvex {

std::optional<UvCommand> parseUvCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "uv") return std::nullopt;
    UvCommand command;
    command.model.path = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--over") {
            command.over = true;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        const std::string& option = args[i];
        const std::string& value = args[++i];
        if (option == "--png" && !value.empty()) {
            command.png = value;
        } else if (option == "--part" && parseInRange(value, 0, INT32_MAX)) {
            command.parts.push_back(*parseInRange(value, 0, INT32_MAX));
        } else if (option == "--texture" && parsePartPicture(value)) {
            command.textures.push_back(*parsePartPicture(value));
        } else if (option == "--size" && parseList(value, 'x', 2, 1, MostLayoutSide)) {
            const auto sides = *parseList(value, 'x', 2, 1, MostLayoutSide);
            command.size = std::pair(sides[0], sides[1]);
        } else if (option == "--answer" && (value == "yes" || value == "no")) {
            command.model.answerYes = value == "yes";
        } else {
            return std::nullopt;
        }
    }
    if (command.png.empty()) return std::nullopt;
    return command;
}

int inspectUv(const UvCommand& command, ProgramState& state, std::ostream& out, std::ostream& err) {
    std::vector<std::optional<PixelBuffer>> pictures;
    if (isLookFileName(command.model.path)) {
        std::optional<InspectedLook> look = inspectLook(command.model, state, out, err);
        if (!look) return 1;
        pictures = std::move(look->pictures);
    } else {
        inspectModel(command.model, state, out);
    }
    if (!state.ModelLoaded) {
        err << "korvex-inspect: no layout: " << command.model.path << " did not load\n";
        return 1;
    }
    applyPartPictures(command.textures, state, pictures, out);
    const std::size_t count = drawablePartCount(state.partList);
    for (const int32_t part : command.parts)
        if (static_cast<std::size_t>(part) >= count) {
            err << "korvex-inspect: the model has no part " << part << '\n';
            return 1;
        }
    const UvLayout layout = collectUvLayout(state, command.parts);
    QImage under;
    if (command.over) {
        const std::size_t entry = static_cast<std::size_t>(layout.texture);
        if (layout.texture < 0 || entry >= pictures.size() || !pictures[entry]) {
            err << "korvex-inspect: --over needs a part whose texture has a picture\n";
            return 1;
        }
        under = editorImage(*pictures[entry]);
    }
    const QSize size = command.size ? QSize(command.size->first, command.size->second) : uvLayoutSize(layout);
    const std::vector<ExportInput> inputs = filesRead(command.model, state, command.textures, "laid out", "the layout");
    return writeOrSay(err, "for the layout", [&] { writeUvLayout(layout, size, under, command.png, inputs); });
}

}  // namespace korvex
