#include "inspect.h"

#include "inspect_export.h"
#include "inspect_presenting.h"
#include "inspect_render.h"
#include "inspect_texture.h"
#include "inspect_thumbnail.h"
#include "inspect_uv.h"

namespace korvex {

int runInspect(const std::vector<std::string>& args, ProgramState& state, std::ostream& out, std::ostream& err) {
    if (const auto command = parseModelCommand(args)) {
        inspectModel(*command, state, out);
        return 0;
    }
    if (const auto command = parseTextureCommand(args)) return inspectTexture(*command, out, err);
    if (const auto command = parseRenderCommand(args)) return inspectRender(*command, state, out, err);
    if (const auto command = parseExportCommand(args)) return inspectExport(*command, state, out, err);
    if (const auto command = parseUvCommand(args)) return inspectUv(*command, state, out, err);
    if (const auto command = parseTurntableCommand(args)) return inspectTurntable(*command, state, out, err);
    if (const auto command = parseSheetCommand(args)) return inspectSheet(*command, state, out, err);
    if (const auto command = parseThumbnailCommand(args)) return inspectThumbnail(*command, state, err);
    err << InspectUsage;
    return 2;
}

}  // namespace korvex
