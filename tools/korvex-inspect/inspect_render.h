#pragma once
// korvex-inspect render: opens a model as `model` does, or a look with its
// model and set-up, then draws one frame of the 3-D view with the viewer's
// own renderer and writes it as a PNG.

#include "inspect.h"
#include "inspect_options.h"

#include "render/navigation.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// The window state the frame is drawn in; each field stands for one option.
// What an option leaves unset is as the viewer starts, or as the look has it.
struct RenderCommand {
    ModelCommand model;
    std::string png;
    int width = 640, height = 480;
    std::optional<float> rotationY, rotationX, zoomZ;
    std::optional<StandardView> standardView;  // replaces rotationY and rotationX
    bool fit = false;                          // frames the model, replacing zoomZ
    std::optional<std::string> envPath;        // the working, executable and installed Data/Env.jpg otherwise
    bool wireframe = false;                    // drawn in wireframe whatever the look says
    bool useLevelOfDetail = true;              // false: not used whatever the look says
    std::optional<int32_t> detailLevel;
    int32_t selectedPart = -1;
    uint32_t frameTime = 0;
    std::optional<uint32_t> background, backlight;  // 0x00BBGGRR
    std::vector<PartPicture> textures;              // pictures given to parts, over the look's
};

// Nothing for a command line that is not a well-formed render command.
std::optional<RenderCommand> parseRenderCommand(const std::vector<std::string>& args);

// Prints what `model` prints (for a look, that of its model with the look's
// set-up and a box naming the pictures it could not load), then the scene
// set-up's boxes and failure; answers 0 once the PNG is written, 1 when the
// look could not be opened or no frame could be drawn or written.
int inspectRender(const RenderCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
