#include "inspect_render.h"

#include "inspect_look.h"
#include "inspect_options.h"

#include "export/export_scene.h"
#include "export/file_set.h"
#include "export/image_file.h"

#include "render/frame_renderer.h"
#include "render/headless_target.h"
#include "render/navigation.h"
#include "render/scene.h"
#include "render/scene_colours.h"
#include "render/still_frame.h"
#include "setup/look_file.h"
#include "textures/fit_texture.h"
#include "textures/opengl_textures.h"
#include "textures/texture_files.h"
#include "textures/texture_upload.h"

#include <QImage>
#include <QString>

#include <array>
#include <cmath>
#include <exception>
#include <string_view>
#include <utility>

namespace korvex {

namespace {

// Well inside what the driver's framebuffers allow, and 192 MiB of pixels at most.
constexpr int MaxSide = 8192;

// "R,G,B" as the colour dialog hands it over: 0x00BBGGRR.
std::optional<uint32_t> parseColour(std::string_view text) {
    const auto channels = parseList(text, ',', 3, 0, 255);
    if (!channels) return std::nullopt;
    return static_cast<uint32_t>((*channels)[0]) | static_cast<uint32_t>((*channels)[1]) << 8 |
           static_cast<uint32_t>((*channels)[2]) << 16;
}

std::optional<StandardView> parseStandardView(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, StandardView>, 4> Names = {{
        {"front", StandardView::Front},
        {"side", StandardView::Side},
        {"top", StandardView::Top},
        {"three-quarter", StandardView::ThreeQuarter},
    }};
    for (const auto& [name, view] : Names)
        if (text == name) return view;
    return std::nullopt;
}

template <typename Value, typename Field>
bool assign(const std::optional<Value>& parsed, Field& field) {
    if (parsed) field = *parsed;
    return parsed.has_value();
}

}  // namespace

bool setRenderOption(RenderCommand& command, const std::string& option, const std::string& value) {
    if (option == "--png") return assign(value.empty() ? std::nullopt : std::optional(value), command.png);
    if (option == "--env") return assign(std::optional(value), command.envPath);
    if (option == "--answer") {
        if (value != "yes" && value != "no") return false;
        command.model.answerYes = value == "yes";
        return true;
    }
    if (option == "--size") {
        const auto sides = parseList(value, 'x', 2, 1, MaxSide);
        if (sides) {
            command.width = (*sides)[0];
            command.height = (*sides)[1];
        }
        return sides.has_value();
    }
    if (option == "--yaw") return assign(parseNumber<float>(value), command.rotationY);
    if (option == "--tilt") return assign(parseNumber<float>(value), command.rotationX);
    if (option == "--zoom") return assign(parseNumber<float>(value), command.zoomZ);
    if (option == "--view") return assign(parseStandardView(value), command.standardView);
    if (option == "--slider") return assign(parseInRange(value, 0, 100), command.detailLevel);
    if (option == "--select") return assign(parseNumber<int32_t>(value), command.selectedPart);
    if (option == "--frame-time") return assign(parseNumber<uint32_t>(value), command.frameTime);
    if (option == "--background") return assign(parseColour(value), command.background);
    if (option == "--backlight") return assign(parseColour(value), command.backlight);
    if (option == "--texture") {
        const auto given = parsePartPicture(value);
        if (given) command.textures.push_back(*given);
        return given.has_value();
    }
    if (option == "--samples") {
        const auto samples = parseNumber<int>(value);
        if (!samples || (*samples != 0 && *samples != 2 && *samples != 4 && *samples != 8)) return false;
        command.samples = *samples;
        return true;
    }
    return false;
}

namespace {

// The reflection picture's box and a failure in its data are printed; the
// frame is drawn either way, as the viewer's is.
void setUpScene(const RenderCommand& command, ProgramState& state, std::ostream& out) {
    ScriptedPrompts prompts;
    OpenGlTextures textures;
    std::optional<std::string> escaped;
    try {
        SetupScene(state, command.envPath ? std::filesystem::path(*command.envPath) : locateProgramDataFile("Env.jpg"),
                   prompts, textures);
    } catch (const std::exception& failure) {
        escaped = failure.what();
    }
    printShown(prompts, escaped, out);
}

// The options over the look's scene and controls: what an option leaves
// unset is as the look has it.
RenderCommand overLook(RenderCommand command, const ViewState& view, const FrameControls& controls) {
    command.rotationY = command.rotationY.value_or(view.RotationY);
    command.rotationX = command.rotationX.value_or(view.RotationX);
    command.zoomZ = command.zoomZ.value_or(view.ZoomZ);
    command.wireframe = command.wireframe || view.Wireframe;
    command.useLevelOfDetail = command.useLevelOfDetail && controls.UseLevelOfDetail;
    command.detailLevel = command.detailLevel.value_or(controls.DetailLevel);
    command.background = command.background.value_or(view.BackgroundColour);
    command.backlight = command.backlight.value_or(view.BacklightColour);
    return command;
}

// The look's textures, made in the frame's context as the viewer makes a
// texture of a picture file.
void makeTextures(TextureLibrary& library, const std::vector<std::optional<PixelBuffer>>& pictures) {
    OpenGlTextures gl;
    const uint32_t limit = textureSizeLimit(gl);
    for (std::size_t e = 0; e < library.size() && e < pictures.size(); ++e) {
        if (!pictures[e]) continue;
        library[e].TextureObject =
            uploadDecodedPicture(textureFileKind(library[e].SourcePath), FitToMaxTextureSize(*pictures[e], limit), gl);
    }
}

// What the user would have set in the window before this frame, but for
// the camera.
void applyWindowState(const RenderCommand& command, ProgramState& state) {
    ViewState& view = state.view;
    view.FrameTime = command.frameTime;
    view.PreviousFrameTime = command.frameTime;
    state.SelectedPart = command.selectedPart;
    view.Wireframe = command.wireframe;
    ApplyPolygonMode(view);
    if (command.background) ApplyBackgroundColour(*command.background);
    if (command.backlight) ApplyBacklightColour(*command.backlight);
}

}  // namespace

std::optional<RenderCommand> parseRenderCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "render") return std::nullopt;
    RenderCommand command;
    command.model.path = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--wireframe") {
            command.wireframe = true;
        } else if (args[i] == "--lod-off") {
            command.useLevelOfDetail = false;
        } else if (args[i] == "--fit") {
            command.fit = true;
        } else if (args[i] == "--transparent") {
            command.transparent = true;
        } else if (i + 1 >= args.size() || !setRenderOption(command, args[i], args[i + 1])) {
            return std::nullopt;
        } else {
            ++i;
        }
    }
    if (command.png.empty()) return std::nullopt;
    return command;
}

namespace {

// Sets the view to the command's camera at the picture's size. The view is
// framed last, once it is turned and sized as it will be drawn. The pan and
// the centre are left as they are: the viewer's start, or the look's.
void applyCamera(const RenderCommand& command, const FrameControls& controls, ProgramState& state) {
    ViewState& view = state.view;
    view.RotationY = command.rotationY.value_or(0.0f);
    view.RotationX = command.rotationX.value_or(StartRotationX);
    if (command.standardView) setStandardView(view, *command.standardView);
    view.ZoomZ = command.zoomZ.value_or(StartZoomZ);
    view.ViewportWidth = command.width;
    view.ViewportHeight = command.height;
    if (command.fit) fitView(state, controls);
}

}  // namespace

std::optional<OpenedInput> openInput(const RenderCommand& given, ProgramState& state, std::ostream& out,
                                     std::ostream& err) {
    OpenedInput opened{given, {}};
    if (isLookFileName(given.model.path)) {
        std::optional<InspectedLook> look = inspectLook(given.model, state, out, err);
        if (!look) return std::nullopt;
        opened.command = overLook(given, state.view, look->controls);
        opened.pictures = std::move(look->pictures);
    } else {
        inspectModel(given.model, state, out);
    }
    applyPartPictures(opened.command.textures, state, opened.pictures, out);
    return opened;
}

std::optional<RenderSession> startRender(const OpenedInput& opened, ProgramState& state, std::ostream& out,
                                         std::ostream& err) {
    const RenderCommand& command = opened.command;
    std::string whyNot;
    RenderSession session;
    session.target = HeadlessTarget::create(command.width, command.height, whyNot, command.samples);
    if (!session.target) {
        err << "korvex-inspect: cannot draw: " << whyNot << '\n';
        return std::nullopt;
    }
    makeTextures(state.textureLibrary, opened.pictures);
    setUpScene(command, state, out);
    session.command = command;
    session.controls.UseLevelOfDetail = command.useLevelOfDetail;
    session.controls.DetailLevel = command.detailLevel.value_or(100);
    applyWindowState(command, state);
    applyCamera(command, session.controls, state);
    return session;
}

std::optional<RenderSession> startRender(const RenderCommand& command, ProgramState& state, std::ostream& out,
                                         std::ostream& err) {
    const std::optional<OpenedInput> opened = openInput(command, state, out, err);
    if (!opened) return std::nullopt;
    return startRender(*opened, state, out, err);
}

QImage sessionPicture(const HeadlessTarget& target, bool transparent) {
    if (!transparent) {
        const std::vector<uint8_t> rgb = target.readRgb();
        return QImage(rgb.data(), target.width(), target.height(), static_cast<qsizetype>(target.width()) * 3,
                      QImage::Format_RGB888)
            .copy();
    }
    std::vector<uint8_t> rgba = target.readRgba();
    unpremultiply(rgba);
    return QImage(rgba.data(), target.width(), target.height(), static_cast<qsizetype>(target.width()) * 4,
                  QImage::Format_RGBA8888)
        .copy();
}

void refuseInputs(const std::filesystem::path& path, const RenderCommand& command, const ProgramState& state) {
    for (const ExportInput& input : filesRead(command.model, state, command.textures, "drawn", "the model"))
        if (sameFile(path, input.path)) throw ExportError(path, "it is " + input.what);
}

int inspectRender(const RenderCommand& command, ProgramState& state, std::ostream& out, std::ostream& err) {
    std::optional<RenderSession> session = startRender(command, state, out, err);
    if (!session) return 1;
    drawStill(state, session->controls, {command.width, command.height, command.transparent});
    return writeOrSay(err, "for the picture", [&] {
        refuseInputs(command.png, session->command, state);
        writeImageFile(sessionPicture(*session->target, command.transparent), command.png, "png");
    });
}

}  // namespace korvex
