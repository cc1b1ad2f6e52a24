#include "inspect_thumbnail.h"

#include "inspect_options.h"
#include "inspect_presenting.h"
#include "inspect_render.h"

#include "export/export_scene.h"
#include "export/file_set.h"
#include "export/image_file.h"
#include "render/still_frame.h"

#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace korvex {

std::optional<ThumbnailCommand> parseThumbnailCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] != "thumbnail") return std::nullopt;
    ThumbnailCommand command;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-s") {
            const auto size = i + 1 < args.size() ? parseInRange(args[++i], 1, MostThumbnailSide) : std::nullopt;
            if (!size) return std::nullopt;
            command.size = *size;
        } else if (args[i].empty() || (args[i].size() > 1 && args[i][0] == '-')) {
            return std::nullopt;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) return std::nullopt;
    command.input = files[0];
    command.output = files[1];
    return command;
}

namespace {

// Whether anything of the model could be drawn: a part with a triangle.
bool holdsACar(const ProgramState& state) {
    if (!state.ModelLoaded) return false;
    const std::size_t parts = drawablePartCount(state.partList);
    for (std::size_t part = 0; part < parts; ++part)
        if (state.partList.PartIndices[part].size() >= 3 && !state.partList.PartVertices[part].empty()) return true;
    return false;
}

// The smallest rectangle holding every pixel that is not wholly clear; an
// empty one when there is none.
QRect coveredRect(const QImage& picture) {
    int left = picture.width(), right = -1, top = picture.height(), bottom = -1;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (row[x * 4 + 3] == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = y;
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// A thumbnail service makes the output file and may read the picture back
// through the handle it keeps open, so a new file renamed onto the name
// would never be seen: bytes for an empty file that is there already go
// into it, and it is emptied again should the writing fail. Any other
// name gets a whole new file.
void writeThumbnail(const std::filesystem::path& path, const QByteArray& png) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) != 0 || error) {
        writeWholeFile(path, std::span<const char>(png.constData(), static_cast<std::size_t>(png.size())));
        return;
    }
    const int file = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (file < 0) throw ExportError(path, std::strerror(errno));
    qsizetype written = 0;
    while (written < png.size()) {
        const ssize_t step = ::write(file, png.constData() + written, static_cast<std::size_t>(png.size() - written));
        if (step < 0 && errno == EINTR) continue;
        if (step <= 0) {
            const std::string why = step < 0 ? std::strerror(errno) : "nothing more could be written";
            [[maybe_unused]] const int emptied = ::ftruncate(file, 0);
            ::close(file);
            throw ExportError(path, why);
        }
        written += step;
    }
    if (::close(file) != 0) throw ExportError(path, std::strerror(errno));
}

}  // namespace

int inspectThumbnail(const ThumbnailCommand& command, ProgramState& state, std::ostream& err) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(command.input, error);
    if (error) {
        err << "korvex-inspect: cannot read " << command.input << ": " << error.message() << '\n';
        return 1;
    }
    if (bytes > MostThumbnailInput) {
        err << "korvex-inspect: " << command.input << " is larger than 100 MB; it gets no thumbnail\n";
        return 1;
    }
    RenderCommand render = presentingCommand(command.input, command.size, command.size);
    render.model.answerYes = false;
    render.standardView = StandardView::ThreeQuarter;
    render.fit = true;
    render.transparent = true;
    // A model opens as it would in the window; what the opening says is not wanted here.
    std::ostringstream quiet;
    const std::optional<OpenedInput> opened = openInput(render, state, quiet, err);
    if (!opened) return 1;
    if (!holdsACar(state)) {
        err << "korvex-inspect: " << command.input << " is not a car model\n";
        return 1;
    }
    std::optional<RenderSession> session = startRender(*opened, state, quiet, err);
    if (!session) return 1;
    drawStill(state, session->controls, {render.width, render.height, render.transparent});
    const QImage picture = sessionPicture(*session->target, render.transparent);
    const QRect covered = coveredRect(picture);
    if (covered.isEmpty()) {
        err << "korvex-inspect: nothing of " << command.input << " is drawn\n";
        return 1;
    }
    return writeOrSay(err, "for the thumbnail", [&] {
        refuseInputs(command.output, session->command, state);
        writeThumbnail(command.output, encodeImage(picture.copy(covered), command.output, "png"));
    });
}

}  // namespace korvex
