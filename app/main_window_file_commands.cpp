// The main window's file commands: opening a model from the tool button,
// the menu, the command line or a drop; closing it; saving the view as a
// picture (F12); exporting the model for other 3-D programs; and leaving
// the program.

#include "main_window.h"

#include "export/image_file.h"
#include "export/model_export.h"
#include "textures/opengl_textures.h"
#include "textures/texture_upload.h"
#include "ui/part_options_panel.h"

#include "model/model_commands.h"
#include "render/view_widget.h"
#include "settings/open_command.h"
#include "setup/look_file.h"
#include "edit_history.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>

#include <utility>

namespace korvex {

void MainWindow::rememberModelFolder(const std::filesystem::path& model) {
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(model, failed);
    if (failed) return;
    // The model's dialog, and those that write what is made of it (export,
    // F12, UV layouts), start beside it.
    for (const std::string_view filter : {ModelFileFilter, ExportFileFilter, PictureFileFilter, UvLayoutFileFilter})
        prompts_.startIn(filter, absolute.parent_path());
}

void MainWindow::runOpenCommand(const std::function<void()>& open) {
    // The open names its file in ModelPath before anything can fail; a
    // cancelled dialog names none and leaves the last one.
    const std::filesystem::path before = std::exchange(state_.ModelPath, {});
    runTreeCommand(open);
    if (state_.ModelPath.empty()) {
        state_.ModelPath = before;
        return;
    }
    rememberModelFolder(state_.ModelPath);
    // The steps were the old model's.
    history().forget();
    lookPath_.clear();
    if (state_.ModelLoaded) {
        statusBar()->clearMessage();
        noteRecentFile(state_.ModelPath);
        return;
    }
    // The log says why, on a tab that may be hidden: it comes forward.
    tabBar->setCurrentIndex(0);
    statusBar()->showMessage(QString::fromStdString(state_.ModelPath.filename().string()) +
                             " is not a model this program can show; the Log says why.");
}

void MainWindow::openModel(const std::filesystem::path& path) {
    runOpenCommand([&] { OpenModel(state_, path, io(), *this); });
}

void MainWindow::openDroppedModel(const std::filesystem::path& path) {
    if (isLookFileName(path)) {
        openLookFile(path);
        return;
    }
    runOpenCommand([&] {
        CloseModel(state_, *this, *this);
        OpenModel(state_, path, io(), *this);
    });
}

namespace {

// The one local file a drag brings, if that is all it brings.
std::optional<std::filesystem::path> droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return std::nullopt;
    return fromQPath(url.toLocalFile());
}

bool hasExtension(const std::filesystem::path& path, std::initializer_list<const char*> extensions) {
    const QString extension = QString::fromStdString(path.extension().string());
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const char* one) { return extension.compare(one, Qt::CaseInsensitive) == 0; });
}

// Models are ".o" files, in any case.
bool isModelFileName(const std::filesystem::path& path) {
    return hasExtension(path, {".o"});
}

// The pictures "Add a Texture" offers.
bool isPictureFileName(const std::filesystem::path& path) {
    return hasExtension(path, {".tga", ".jpg", ".jpeg", ".bmp"});
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto path = droppedFile(event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    if (isPictureFileName(*path)) {
        // The part under the drop, as the last frame showed it.
        int32_t part = -1;
        if (view3d_ != nullptr) {
            const QPoint at = view3d_->mapFrom(this, event->position().toPoint());
            if (view3d_->rect().contains(at)) part = view3d_->surfaceAt(at).part;
        }
        QTimer::singleShot(0, this, [this, path = *path, part] { dropPicture(path, part); });
        return;
    }
    if (!isModelFileName(*path) && !isLookFileName(*path)) {
        statusBar()->showMessage(toQPath(path->filename()) +
                                 " was not opened: only models (.o), looks (.kvlook) and pictures (.tga, .jpg, "
                                 ".bmp) can be dropped here.");
        return;
    }
    // Opened once the drop has ended, so that its boxes do not hold up the
    // program the file came from.
    QTimer::singleShot(0, this, [this, path = *path] { openDroppedModel(path); });
}

void MainWindow::openModelCommand() {
    runOpenCommand([this] { chooseAndOpenModel(state_, io(), *this); });
}

void MainWindow::openModelMenuCommand() {
    runOpenCommand([this] { closeThenChooseAndOpenModel(state_, io(), *this); });
}

void MainWindow::closeModelCommand() {
    runTreeCommand([this] { CloseModel(state_, *this, *this); });
    history().forget();
    lookPath_.clear();
}

void MainWindow::exitCommand() {
    QCoreApplication::exit(1);
}

std::filesystem::path MainWindow::suggestedFileName(const char* unnamed, const char* ending) const {
    const std::filesystem::path model = fromQPath(QString::fromStdU16String(state_.tree.RootNode.Caption));
    return (state_.ModelLoaded ? model.stem().string() : std::string(unnamed)) + ending;
}

void MainWindow::saveViewPicture() {
    runCommand([this] {
        const QImage picture = view3d_ != nullptr ? view3d_->grabFramebuffer() : view->grab().toImage();
        const auto chosen = prompts_.chooseSaveFile(PictureFileFilter, suggestedFileName("view", ".png"));
        if (!chosen) return;
        const QString path = toQPath(*chosen);
        const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
        const QByteArray format = QImageWriter::supportedImageFormats().contains(suffix) ? suffix : "png";
        try {
            writeImageFile(picture, *chosen, format.constData());
        } catch (const ExportError& failure) {
            prompts_.message(ApplicationTitle,
                             "The picture could not be saved to " + chosen->string() + ": " + failure.reason(),
                             BoxIcon::Error);
        }
    });
}

namespace {

// Puts the wait cursor up for as long as it lives.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

std::optional<PixelBuffer> MainWindow::exportedPicture(std::size_t entry) {
    const TextureEntry& texture = state_.textureLibrary[entry];
    // The picture at its own size, decoded from its file again: the view
    // holds a copy fitted for drawing. Boxes of the decoders are not shown.
    if (!texture.SourcePath.empty()) {
        if (auto decoded = DecodeTextureFileQuietly(texture.SourcePath)) return decoded;
        LogLine("The picture of texture " + texture.DisplayName + " could not be read again from " +
                texture.SourcePath.string() + "; the copy the view holds is exported.");
    }
    std::optional<PixelBuffer> picture;
    if (view3d_ != nullptr) view3d_->withContext([&] { picture = readTexturePixels(texture.TextureObject); });
    return picture;
}

void MainWindow::exportModelCommand() {
    runCommand([this] {
        if (!state_.ModelLoaded) return;
        const std::filesystem::path name =
            fromQPath(QString::fromStdU16String(state_.tree.RootNode.Caption)).replace_extension(".glb");
        const auto chosen = prompts_.chooseSaveFile(ExportFileFilter, name, "Export");
        if (!chosen) return;
        const std::optional<ExportFormat> format = exportFormatOf(*chosen);
        if (!format) {
            prompts_.message(
                ApplicationTitle,
                "The model can be exported as a .glb or an .obj file; " + chosen->filename().string() + " is neither.",
                BoxIcon::Error);
            return;
        }
        ExportChoices choices;
        // What the view shows: the checked parts, within the level of detail.
        choices.leaveOutHidden = true;
        if (optionsPanel->useDetailBox->isChecked()) choices.detailLevel = optionsPanel->detailSlider->value();
        choices.pictures = [this](std::size_t entry) { return exportedPicture(entry); };
        std::vector<ExportInput> inputs{{state_.ModelPath, "the model being exported"}};
        for (const TextureEntry& texture : state_.textureLibrary)
            if (!texture.SourcePath.empty()) inputs.push_back({texture.SourcePath, "a picture the export uses"});
        try {
            const WaitCursor waiting;
            const ExportScene scene = collectExport(state_, choices);
            writeExports(scene, {{*format, *chosen}}, inputs);
            for (const LeftOutPart& left : scene.leftOut)
                LogLine("Left out part " + std::to_string(left.partIndex) + " (" + left.name + "): " + left.reason);
            LogLine("Exported " + std::to_string(scene.parts.size()) + " parts to " + chosen->string());
        } catch (const std::bad_alloc&) {
            prompts_.message(ApplicationTitle, "The model could not be exported: there is not enough memory",
                             BoxIcon::Error);
        } catch (const std::exception& failure) {
            prompts_.message(ApplicationTitle, std::string("The model could not be exported: ") + failure.what(),
                             BoxIcon::Error);
        }
    });
}

}  // namespace korvex
