// The main window for those who paint the cars' pictures: the layout of a
// texture written as a template, the picture's pixel under the pointer in
// the status bar, and pictures dropped onto the car.

#include "main_window.h"

#include "edit_history.h"
#include "work_failure.h"
#include "export/uv_layout.h"
#include "render/picking.h"
#include "render/view_widget.h"
#include "textures/opengl_textures.h"
#include "textures/picture_layout.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"
#include "ui/texture_manager_window.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThreadPool>
#include <QVBoxLayout>

#include <atomic>

namespace korvex {

// A template to be drawn and written away from the window's thread.
struct UvLayoutJob {
    UvLayout layout;
    QSize size;
    std::filesystem::path picture;  // read and drawn under the outlines, when named
    QImage under;                   // drawn under them otherwise, when not null
    std::filesystem::path target;
    std::vector<ExportInput> inputs;
};

namespace {

QString partName(const ProgramState& state, int32_t part) {
    return toQString(state.partList.Parts[static_cast<std::size_t>(part)].Name);
}

// The picture's file name, or the texture's own where it has none.
QString pictureName(const TextureEntry& texture) {
    return texture.SourcePath.empty() ? toQString(texture.DisplayName) : toQPath(texture.SourcePath.filename());
}

// The options dialog of "Export UV Layout...": whether to draw over the picture.
std::optional<bool> askUvLayoutDialog(QWidget* parent, const QString& summary, bool hasPicture, bool over) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Export UV Layout");
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(summary, &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* overBox = new QCheckBox("&Draw over the picture", &dialog);
    overBox->setObjectName("overBox");
    overBox->setEnabled(hasPicture);
    overBox->setChecked(hasPicture && over);
    layout->addWidget(overBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return overBox->isChecked();
}

}  // namespace

QString pointerNoteText(const ProgramState& state, const SurfacePoint& point) {
    if (point.part < 0 || static_cast<std::size_t>(point.part) >= state.partList.Parts.size()) return {};
    const QString name = partName(state, point.part);
    const double s = point.texCoord[0], t = point.texCoord[1];
    const int32_t entry = textureEntryOf(state, static_cast<std::size_t>(point.part));
    const TextureEntry* texture = entry >= 0 ? &state.textureLibrary[static_cast<std::size_t>(entry)] : nullptr;
    if (texture != nullptr && texture->Layout.Width > 0 && texture->Layout.Height > 0) {
        const EditorPixel pixel = editorPixel(texture->Layout, s, t);
        return QStringLiteral("%1  %2  x %3  y %4").arg(name, pictureName(*texture)).arg(pixel.x).arg(pixel.y);
    }
    // The coordinates as the file holds them: v was turned over on loading.
    return QStringLiteral("%1  no texture  u %2  v %3").arg(name).arg(s, 0, 'f', 3).arg(1.0 - t, 0, 'f', 3);
}

void MainWindow::pointerOver(const SurfacePoint& point) {
    const QString note = pointerNoteText(state_, point);
    if (note.isEmpty()) {
        if (!pointerNote_.isEmpty() && statusBar()->currentMessage() == pointerNote_) statusBar()->clearMessage();
        pointerNote_.clear();
        return;
    }
    pointerNote_ = note;
    statusBar()->showMessage(note);
}

void MainWindow::exportUvLayoutCommand() {
    runCommand([this] {
        const int32_t part = state_.SelectedPart;
        if (!state_.ModelLoaded || part < 0 || static_cast<std::size_t>(part) >= state_.partList.Parts.size()) return;
        UvLayout layout = collectUvLayout(state_, {part});
        const QSize size = uvLayoutSize(layout);
        // A copy: the dialogs below let the window take up changed pictures.
        const std::optional<TextureEntry> texture =
            layout.texture >= 0 ? std::optional(state_.textureLibrary[static_cast<std::size_t>(layout.texture)])
                                : std::nullopt;
        const bool hasPicture = texture.has_value();
        const QString sizeText = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
        const QString summary =
            hasPicture
                ? QStringLiteral("The layout of %1 (%2): %3 of the model's parts use it.")
                      .arg(pictureName(*texture), sizeText)
                      .arg(layout.parts.size())
                : QStringLiteral("%1 has no texture: its layout is drawn alone, %2.").arg(partName(state_, part), sizeText);
        const std::optional<bool> over = askUvLayoutOptions ? askUvLayoutOptions(summary, hasPicture)
                                                            : askUvLayoutDialog(this, summary, hasPicture, uvOver_);
        if (!over) return;
        if (hasPicture) uvOver_ = *over;
        const std::string stem = hasPicture ? std::filesystem::path(texture->DisplayName).stem().string()
                                            : state_.partList.Parts[static_cast<std::size_t>(part)].Name;
        const auto chosen = prompts_.chooseSaveFile(UvLayoutFileFilter, fromQPath(toQString(stem + "_uv.png")),
                                                    "Export UV Layout");
        if (!chosen) return;
        UvLayoutJob job{std::move(layout), size, {}, {}, *chosen, {{state_.ModelPath, "the model"}}};
        if (hasPicture) {
            if (!texture->SourcePath.empty()) job.inputs.push_back({texture->SourcePath, "the picture of the layout"});
            if (*over) {
                job.picture = texture->SourcePath;
                // A texture whose picture file is not known is drawn under
                // as the view holds it.
                if (job.picture.empty() && view3d_ != nullptr)
                    view3d_->withContext([&] {
                        if (const auto held = readTexturePixels(texture->TextureObject)) job.under = editorImage(*held);
                    });
            }
        }
        startUvLayout(std::move(job));
    });
}

void MainWindow::startUvLayout(UvLayoutJob job) {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    auto* progress = new QProgressDialog("Drawing the UV layout...", "Cancel", 0, 0, this);
    progress->setWindowTitle("Export UV Layout");
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(400);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, this, [cancelled] { cancelled->store(true); });
    ++uvLayoutsRunning_;
    layoutPool_.start([this, job = std::move(job), cancelled, progress] {
        bool written = false;
        const std::string failure = failureOf([&] {
            QImage under = job.under;
            if (!job.picture.empty()) {
                const auto picture = DecodeTextureFileQuietly(job.picture);
                if (!picture) throw std::runtime_error(job.picture.string() + " could not be read");
                under = editorImage(*picture);
            }
            written = writeUvLayout(job.layout, job.size, under, job.target, job.inputs, cancelled.get());
        });
        // The window waits for this work before it goes.
        QMetaObject::invokeMethod(this, [this, target = job.target, written, failure, progress] {
            progress->close();
            --uvLayoutsRunning_;
            if (written || !failure.empty()) noteWritten("The UV layout", target, failure);
        }, Qt::QueuedConnection);
    });
}

void MainWindow::dropPicture(const std::filesystem::path& path, int32_t part) {
    runCommand([&] {
        // Anything not yet a step becomes one of its own.
        noteStep("Change");
        if (!textureManager_->addPicture(path)) return;
        const TextureLibrary& library = state_.textureLibrary;
        const std::string& name = library.back().DisplayName;
        const bool onPart = part >= 0 && static_cast<std::size_t>(part) < state_.partList.Parts.size();
        if (onPart) state_.partList.Parts[static_cast<std::size_t>(part)].TextureIndex = static_cast<int32_t>(library.size());
        history().addedTexture(onPart ? "Drop Picture on Part" : "Drop Picture");
        statusBar()->showMessage(onPart ? toQString(name) + " was added to the textures and given to " +
                                              partName(state_, part) + "."
                                        : toQString(name) + " was added to the textures.",
                                 6000);
    });
}

}  // namespace korvex
