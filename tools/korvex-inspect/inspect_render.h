#pragma once
// korvex-inspect render: opens a model as `model` does, then draws one frame
// of the 3-D view with the viewer's own renderer and writes it as a PNG.

#include "inspect.h"

#include "render/navigation.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvex {

// The window state the frame is drawn in; each field stands for one option.
struct RenderCommand {
    ModelCommand model;
    std::string png;
    int width = 640, height = 480;
    float rotationY = 0.0f, rotationX = 20.0f, zoomZ = -4.0f;
    std::optional<StandardView> standardView;  // replaces rotationY and rotationX
    bool fit = false;                          // frames the model, replacing zoomZ
    std::optional<std::string> envPath;        // the working, executable and installed Data/Env.jpg otherwise
    bool wireframe = false;
    bool useLevelOfDetail = true;
    int32_t detailLevel = 100;
    int32_t selectedPart = -1;
    uint32_t frameTime = 0;
    std::optional<uint32_t> background, backlight;  // 0x00BBGGRR
};

// Nothing for a command line that is not a well-formed render command.
std::optional<RenderCommand> parseRenderCommand(const std::vector<std::string>& args);

// Prints what `model` prints, then the scene set-up's boxes and failure;
// answers 0 once the PNG is written, 1 when no frame could be drawn or written.
int inspectRender(const RenderCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
