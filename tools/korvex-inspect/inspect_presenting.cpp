#include "inspect_presenting.h"

#include "inspect_options.h"

#include "export/export_scene.h"
#include "export/image_file.h"
#include "export/view_sheet.h"
#include "media/film_pipe.h"
#include "render/still_frame.h"

#include <QGuiApplication>

#include <array>
#include <cmath>
#include <set>

namespace korvex {

namespace {

// Reads the options a presenting command shares with render, those named
// in `allowed`, into `command`; `own` takes the command's own first.
template <typename Own>
bool parseOptions(const std::vector<std::string>& args, RenderCommand& command, const std::set<std::string>& allowed,
                  Own&& own) {
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--transparent" && allowed.count(option) != 0) {
            command.transparent = true;
        } else if (option == "--fit" && allowed.count(option) != 0) {
            command.fit = true;
        } else if (i + 1 >= args.size()) {
            return false;
        } else if (!own(option, args[i + 1]) &&
                   (allowed.count(option) == 0 || !setRenderOption(command, option, args[i + 1]))) {
            return false;
        } else {
            ++i;
        }
    }
    return true;
}

// Text is laid out with the toolkit's fonts, which need an application
// object: one without any window system, made once.
void startFonts() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 3;
    static char name[] = "korvex-inspect", platform[] = "-platform", offscreen[] = "offscreen";
    static char* argv[] = {name, platform, offscreen, nullptr};
    // What the toolkit says while starting (a missing runtime folder, say)
    // is no concern of the command's output.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication application(argc, argv);
    qInstallMessageHandler(previous);
}

}  // namespace

RenderCommand presentingCommand(const std::string& path, int width, int height) {
    RenderCommand command;
    command.model.path = path;
    command.width = width;
    command.height = height;
    command.samples = 4;
    return command;
}

std::optional<TurntableCommand> parseTurntableCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "turntable") return std::nullopt;
    TurntableCommand command;
    command.render = presentingCommand(args[1], 800, 600);
    const auto own = [&command](const std::string& option, const std::string& value) {
        if (option == "--out" && !value.empty()) {
            command.out = value;
            return true;
        }
        if (option == "--seconds") {
            const auto seconds = parseNumber<double>(value);
            if (!seconds || *seconds <= 0.0 || *seconds > MostFilmSeconds) return false;
            command.seconds = *seconds;
            return true;
        }
        if (option == "--fps") {
            const auto fps = parseInRange(value, 1, 120);
            if (fps) command.framesPerSecond = *fps;
            return fps.has_value();
        }
        return false;
    };
    static const std::set<std::string> allowed = {"--size", "--samples", "--transparent", "--view", "--fit",
                                                   "--answer"};
    if (!parseOptions(args, command.render, allowed, own) || command.out.empty()) return std::nullopt;
    return command;
}

std::optional<SheetCommand> parseSheetCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "sheet") return std::nullopt;
    SheetCommand command;
    command.render = presentingCommand(args[1], 1600, 1200);
    static const std::set<std::string> allowed = {"--png", "--size", "--samples", "--transparent", "--answer"};
    const auto none = [](const std::string&, const std::string&) { return false; };
    if (!parseOptions(args, command.render, allowed, none) || command.render.png.empty()) return std::nullopt;
    if (sheetLayout(command.render.width, command.render.height).cellWidth == 0) return std::nullopt;
    return command;
}

int inspectTurntable(const TurntableCommand& command, ProgramState& state, std::ostream& out, std::ostream& err) {
    const std::optional<FilmKind> kind = filmKindOf(command.out);
    std::string whyNot;
    FilmSettings settings;
    settings.width = command.render.width;
    settings.height = command.render.height;
    settings.framesPerSecond = command.framesPerSecond;
    settings.alpha = command.render.transparent;
    if (!kind)
        whyNot = "a film is written as .mp4 or .webp: " + command.out;
    else if (*kind == FilmKind::Mp4 && command.render.transparent)
        whyNot = "an .mp4 film cannot be transparent; write a .webp film";
    else
        filmSettingsValid(*kind, settings, whyNot);
    if (!whyNot.empty()) {
        err << "korvex-inspect: " << whyNot << '\n';
        return 2;
    }
    std::optional<RenderSession> session = startRender(command.render, state, out, err);
    if (!session) return 1;
    const int frames = std::max(1, static_cast<int>(std::lround(command.seconds * command.framesPerSecond)));
    return writeOrSay(err, "for the film", [&] {
        refuseInputs(command.out, session->command, state);
        FilmPipe pipe(FilmWriter::open(command.out, *kind, settings), static_cast<std::size_t>(settings.width) * 4);
        const float start = state.view.RotationY;
        const StillFrame still{settings.width, settings.height, command.render.transparent};
        for (int frame = 0; frame < frames; ++frame) {
            state.view.RotationY = turntableAngle(start, frame, frames);
            drawStill(state, session->controls, still);
            std::vector<uint8_t> rgba = pipe.spentFrame();
            session->target->readRgba(rgba);
            if (still.transparent) unpremultiply(rgba);
            pipe.push(std::move(rgba));
        }
        pipe.finish();
    });
}

int inspectSheet(const SheetCommand& command, ProgramState& state, std::ostream& out, std::ostream& err) {
    const SheetLayout layout = sheetLayout(command.render.width, command.render.height);
    RenderCommand cells = command.render;
    cells.width = layout.cellWidth;
    cells.height = layout.cellHeight;
    std::optional<RenderSession> session = startRender(cells, state, out, err);
    if (!session) return 1;
    std::array<QImage, 4> pictures;
    static constexpr std::array<StandardView, 4> Views = {StandardView::Front, StandardView::Side, StandardView::Top,
                                                          StandardView::ThreeQuarter};
    for (std::size_t cell = 0; cell < Views.size(); ++cell) {
        state.view = fittedStandardView(state, Views[cell], cells.width, cells.height, session->controls);
        drawStill(state, session->controls, {cells.width, cells.height, cells.transparent});
        pictures[cell] = sessionPicture(*session->target, cells.transparent);
    }
    const FrameControls controls = session->controls;
    startFonts();
    const QString caption =
        sheetCaption(QString::fromStdString(state.ModelPath.filename().string()), state,
                     [&state, &controls](std::size_t part) { return partIsDrawn(state, part, controls); });
    const uint32_t background = session->command.background.value_or(state.view.BackgroundColour);
    return writeOrSay(err, "for the sheet", [&] {
        refuseInputs(command.render.png, session->command, state);
        writeImageFile(composeSheet(layout, pictures, caption, background, cells.transparent), command.render.png, "png");
    });
}

}  // namespace korvex
