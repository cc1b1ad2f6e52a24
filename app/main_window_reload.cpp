// The main window and files that other programs change: watching the open
// model, its settings file and the pictures of the textures; reading them
// again with the user's set-up kept ("Reload", F5); the recent files; and
// what the window remembers across runs.

#include "main_window.h"

#include "edit_history.h"
#include "setup/look_file.h"

#include "file_watcher.h"
#include "picture_reloader.h"
#include "main_window_metrics.h"
#include "render/scene_colours.h"
#include "render/view_widget.h"
#include "setup/reload.h"
#include "textures/opengl_textures.h"
#include "textures/texture_reload.h"
#include "textures/texture_upload.h"
#include "ui/part_tree_model.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace korvex {

namespace {

// How long a note that something went well stays in the status bar.
constexpr int GoodNewsMs = 6000;

const QString RecentFilesKey = QStringLiteral("recentFiles");
const QString BackgroundKey = QStringLiteral("scene/background");
const QString BacklightKey = QStringLiteral("scene/backlight");

QString fileNameOf(const std::filesystem::path& path) {
    return toQPath(path.filename());
}

}  // namespace

void MainWindow::createReloading() {
    watcher_ = new FileWatcher(this);
    watcher_->onChanged = [this](const std::vector<std::filesystem::path>& files) { filesChanged(files); };
    // Reading a big picture takes longer than the watcher's quiet spell: it
    // starts at the first sign of a change, and is used if the file is still
    // the same once the saving is over.
    pictures_ = new PictureReloader(
        [this] {
            // Fitted as the view's textures were; without a view they were
            // read but never uploaded, as now.
            uint32_t limit = 1;
            withViewTextures([&](TextureGl& gl) { limit = textureSizeLimit(gl); });
            return limit;
        },
        this);
    pictures_->onRead = [this](const std::filesystem::path& file, std::optional<ReloadedPicture>& picture) {
        pictureRead(file, picture);
    };
    watcher_->onStirring = [this](const std::vector<std::filesystem::path>& files) {
        for (const std::filesystem::path& file : files)
            if (isTexturePicture(file)) pictures_->readEarly(file);
    };
    connect(reloadAction, &QAction::triggered, this, [this] { reloadCommand(); });
    connect(reloadChangedAction, &QAction::toggled, this, [this] { updateWatches(); });
    connect(clearRecentAction, &QAction::triggered, this, [this] { clearRecentFiles(); });
    showRecentFiles();
}

void MainWindow::updateWatches() {
    // The window shows its state while it is still being made.
    if (watcher_ == nullptr) return;
    std::vector<std::filesystem::path> files;
    if (state_.ModelLoaded && reloadChangedAction->isChecked()) {
        files.push_back(state_.ModelPath);
        if (!state_.SettingsPath.empty()) files.push_back(state_.SettingsPath);
        for (const TextureEntry& texture : state_.textureLibrary)
            if (!texture.SourcePath.empty()) files.push_back(texture.SourcePath);
    }
    watcher_->watch(files);
}

void MainWindow::filesChanged(const std::vector<std::filesystem::path>& files) {
    pendingChanges_.insert(files.begin(), files.end());
    // A dialog may be working on the parts or textures: what changed is
    // taken up once it has closed.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(250, this, [this] { filesChanged({}); });
        return;
    }
    const std::set<std::filesystem::path> changed = std::exchange(pendingChanges_, {});
    if (state_.ModelLoaded && changed.contains(watchedForm(state_.ModelPath)))
        reloadModelFile();
    else if (state_.ModelLoaded && !state_.SettingsPath.empty() && changed.contains(watchedForm(state_.SettingsPath)))
        rereadSettingsFile();
    for (const std::filesystem::path& file : changed)
        if (isTexturePicture(file)) pictures_->want(file);
    pictures_->dropUnwanted();
}

bool MainWindow::isTexturePicture(const std::filesystem::path& file) const {
    return std::any_of(state_.textureLibrary.begin(), state_.textureLibrary.end(), [&](const TextureEntry& texture) {
        return !texture.SourcePath.empty() && watchedForm(texture.SourcePath) == file;
    });
}

void MainWindow::reloadCommand() {
    if (state_.ModelLoaded) reloadModelFile();
    std::set<std::filesystem::path> pictures;
    for (const TextureEntry& texture : state_.textureLibrary)
        if (!texture.SourcePath.empty()) pictures.insert(watchedForm(texture.SourcePath));
    for (const std::filesystem::path& picture : pictures) pictures_->want(picture);
}

void MainWindow::reloadModelFile() {
    ReloadOutcome outcome;
    runTreeCommand([&] { outcome = reopenModel(state_, frameControls(), *this); });
    // Parts the file gained came with its settings: the user did not make them.
    history().rebase();
    const QString name = fileNameOf(state_.ModelPath);
    if (!outcome.Done) {
        statusBar()->showMessage(name + " could not be read; keeping the model loaded before" +
                                 (outcome.Failure.empty() ? QString() : " (" + toQString(outcome.Failure) + ")"));
        return;
    }
    statusBar()->showMessage(name + " was read again; the names, colours and textures given to its parts were kept.",
                             GoodNewsMs);
}

void MainWindow::rereadSettingsFile() {
    ReloadOutcome outcome;
    runCommand([&] {
        outcome = rereadSettings(state_, *this);
        treeModel->partNodesChanged();
    });
    history().rebase();
    const QString name = fileNameOf(state_.SettingsPath);
    if (outcome.Done)
        statusBar()->showMessage(name + " was read again.", GoodNewsMs);
    else
        statusBar()->showMessage(name + " could not be read; keeping the settings loaded before");
}

void MainWindow::pictureRead(const std::filesystem::path& file, std::optional<ReloadedPicture>& picture) {
    if (!picture) {
        statusBar()->showMessage(fileNameOf(file) + " could not be read; keeping the picture loaded before");
        return;
    }
    bool shown = false;
    for (TextureEntry& texture : state_.textureLibrary) {
        if (texture.SourcePath.empty() || watchedForm(texture.SourcePath) != file) continue;
        // Into the texture where it stands when it has the same size; as a
        // new texture under the same entry otherwise.
        bool replaced = false;
        withViewContext([&] { replaced = replaceTexturePixels(texture.TextureObject, *picture); });
        if (!replaced)
            withViewTextures([&](TextureGl& gl) {
                const uint32_t fresh = uploadDecodedPicture(picture->kind, picture->picture, gl);
                gl.deleteTexture(texture.TextureObject);
                texture.TextureObject = fresh;
            });
        texture.Layout = picture->layout;
        shown = true;
    }
    if (!shown) return;
    ++picturesReloaded_;
    statusBar()->showMessage(fileNameOf(file) + " was read again.", GoodNewsMs);
    showCurrentState();
}

void MainWindow::noteRecentFile(const std::filesystem::path& model) {
    const QString path = toQPath(watchedForm(model));
    recentFiles_.removeAll(path);
    recentFiles_.prepend(path);
    while (recentFiles_.size() > RecentFileCount) recentFiles_.removeLast();
    showRecentFiles();
}

void MainWindow::openRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        recentFiles_.removeAll(path);
        showRecentFiles();
        statusBar()->showMessage(QFileInfo(path).fileName() + " is no longer there; it was taken off the recent files.");
        return;
    }
    openDroppedModel(fromQPath(path));
}

void MainWindow::clearRecentFiles() {
    recentFiles_.clear();
    showRecentFiles();
}

void MainWindow::showRecentFiles() {
    for (QAction* item : recentMenu->actions())
        if (item != clearRecentAction && !item->isSeparator()) delete item;
    QAction* before = recentMenu->actions().isEmpty() ? nullptr : recentMenu->actions().first();
    for (const QString& path : recentFiles_) {
        const QFileInfo file(path);
        // An ampersand in a name is shown, not taken for a short-cut mark.
        auto* item = new QAction(file.fileName().replace('&', "&&"), recentMenu);
        item->setToolTip(path);
        connect(item, &QAction::triggered, this, [this, path] { openRecentFile(path); });
        recentMenu->insertAction(before, item);
    }
    clearRecentAction->setEnabled(!recentFiles_.isEmpty());
    // Kept as it changes, so that a viewer that does not end well keeps it too.
    if (memory_ != nullptr) memory_->setValue(RecentFilesKey, recentFiles_);
}

void MainWindow::useMemory(QSettings* memory) {
    memory_ = memory;
    if (memory_ == nullptr) return;
    recentFiles_ = memory_->value(RecentFilesKey).toStringList();
    while (recentFiles_.size() > RecentFileCount) recentFiles_.removeLast();
    showRecentFiles();
    if (memory_->contains("window/geometry")) restoreGeometry(memory_->value("window/geometry").toByteArray());
    const int paneWidth = memory_->value("window/leftPaneWidth", leftPaneWidth_).toInt();
    const double share = memory_->value("window/treeShare", splitterShare_).toDouble();
    if (share > 0.0 && share < 1.0) splitterShare_ = share;
    setLeftPaneWidth(std::max(window_metrics::NarrowestPane, paneWidth));
    layoutLeftPane();
    rotatingAction->setChecked(memory_->value("options/rotating", true).toBool());
    rememberSmoothEdges(false);
    const auto colour = [&](const QString& key, uint32_t& value, void (*apply)(uint32_t)) {
        bool number = false;
        const uint32_t remembered = memory_->value(key).toUInt(&number);
        if (!number || remembered > 0xFFFFFFu || remembered == value) return;
        value = remembered;
        withViewContext([&] { apply(remembered); });
    };
    colour(BackgroundKey, state_.view.BackgroundColour, &ApplyBackgroundColour);
    colour(BacklightKey, state_.view.BacklightColour, &ApplyBacklightColour);
    showCurrentState();
    history().forget();
}

void MainWindow::remember() {
    if (memory_ == nullptr) return;
    memory_->setValue("window/geometry", saveGeometry());
    memory_->setValue("window/leftPaneWidth", leftPaneWidth_);
    memory_->setValue("window/treeShare", splitterShare_);
    memory_->setValue("options/rotating", rotatingAction->isChecked());
    rememberSmoothEdges(true);
    memory_->setValue(BackgroundKey, state_.view.BackgroundColour);
    memory_->setValue(BacklightKey, state_.view.BacklightColour);
    memory_->sync();
}

}  // namespace korvex
