#pragma once
// korvex-inspect render: opens a model as `model` does, or a look with its
// model and set-up, then draws one frame of the 3-D view with the viewer's
// own renderer and writes it as a PNG.

#include "inspect.h"
#include "inspect_options.h"

#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/navigation.h"

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <memory>
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
    int samples = 0;                                // multisampling: 0, 2, 4 or 8 samples a pixel
    bool transparent = false;                       // a clear background (alpha 0) instead of the scene's
};

// A frame ready to be drawn: the target current, the scene set up and the
// window state of the command applied to the program state.
struct RenderSession {
    std::unique_ptr<HeadlessTarget> target;
    RenderCommand command;  // as given, over what the look set
    FrameControls controls;
};

// Nothing for a command line that is not a well-formed render command.
std::optional<RenderCommand> parseRenderCommand(const std::vector<std::string>& args);

// Reads one render option (`option` with its `value`) into `command`:
// false for an option render does not have or a value it does not take.
bool setRenderOption(RenderCommand& command, const std::string& option, const std::string& value);

// A model or look opened for drawing: the command over what the look set,
// and the decoded picture of each texture library entry.
struct OpenedInput {
    RenderCommand command;
    std::vector<std::optional<PixelBuffer>> pictures;
};

// Opens the model or look as `render` does (printing what it prints) and
// gives the parts the command's pictures; nothing, once `err` says why,
// when the look cannot be opened.
std::optional<OpenedInput> openInput(const RenderCommand& command, ProgramState& state, std::ostream& out,
                                     std::ostream& err);

// Makes the target for what is opened and sets up the scene; nothing, once
// `err` says why, when nothing can be drawn.
std::optional<RenderSession> startRender(const OpenedInput& opened, ProgramState& state, std::ostream& out,
                                         std::ostream& err);

// Opens the model or look as `render` does (printing what it prints), makes
// the target and sets up the scene; nothing, once `err` says why, when the
// look cannot be opened or nothing can be drawn.
std::optional<RenderSession> startRender(const RenderCommand& command, ProgramState& state, std::ostream& out,
                                         std::ostream& err);

// The picture drawn by the session's target as a straight-alpha picture
// (opaque unless `transparent`).
QImage sessionPicture(const HeadlessTarget& target, bool transparent);

// Throws ExportError when `path`, a file about to be written, is one the
// command draws from: the model, the look or a picture.
void refuseInputs(const std::filesystem::path& path, const RenderCommand& command, const ProgramState& state);

// Prints what `model` prints (for a look, that of its model with the look's
// set-up and a box naming the pictures it could not load), then the scene
// set-up's boxes and failure; answers 0 once the PNG is written, 1 when the
// look could not be opened or no frame could be drawn or written.
int inspectRender(const RenderCommand& command, ProgramState& state, std::ostream& out, std::ostream& err);

}  // namespace korvex
