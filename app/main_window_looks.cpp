// The main window and the user's set-up: looks saved to files and opened
// again, and undo and redo of every change to the parts and the scene.

#include "main_window.h"

#include "edit_history.h"
#include "model/recording_io.h"
#include "render/frame_renderer.h"
#include "render/scene_colours.h"
#include "setup/look_file.h"
#include "setup/look_open.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"
#include "ui/part_options_panel.h"
#include "ui/texture_manager_window.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>

#include <exception>

namespace korvex {

void MainWindow::createEditing() {
    history_ = std::make_unique<EditHistory>(
        state_, EditHistory::Hooks{[this] { return captureSetup(state_, frameControls()); },
                                   [this](const Setup& setup) { showSetup(setup); },
                                   [this](uint32_t texture) {
                                       withViewTextures([&](TextureGl& gl) { gl.deleteTexture(texture); });
                                   }});
    QUndoStack& stack = history_->stack();
    undoAction = stack.createUndoAction(this);
    undoAction->setObjectName("undoAction");
    undoAction->setShortcut(QKeySequence::Undo);
    redoAction = stack.createRedoAction(this);
    redoAction->setObjectName("redoAction");
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addAction(undoAction);
    editMenu->addAction(redoAction);
    textureManager_->removeEntry = [this](std::size_t position) { history_->removeTexture(position); };
}

void MainWindow::noteStep(const QString& name) {
    if (history_ != nullptr) history_->note(name);
}

void MainWindow::runStep(const QString& name, const std::function<void()>& command) {
    runCommand(command);
    noteStep(name);
}

void MainWindow::showSetup(const Setup& setup) {
    runTreeCommand([&] { applyParts(state_, setup); });
    showScene(setup.Scene);
}

void MainWindow::showScene(const SceneSetup& scene) {
    ViewState& view = state_.view;
    view.BackgroundColour = scene.BackgroundColour;
    view.BacklightColour = scene.BacklightColour;
    view.Wireframe = scene.Wireframe;
    withViewContext([&] {
        ApplyBackgroundColour(view.BackgroundColour);
        ApplyBacklightColour(view.BacklightColour);
        ApplyPolygonMode(view);
    });
    wireframeAction->setChecked(view.Wireframe);
    {
        const QSignalBlocker rotating(rotatingAction), detail(optionsPanel->useDetailBox),
            slider(optionsPanel->detailSlider);
        rotatingAction->setChecked(scene.Controls.Rotating);
        optionsPanel->useDetailBox->setChecked(scene.Controls.UseLevelOfDetail);
        optionsPanel->detailSlider->setValue(scene.Controls.DetailLevel);
    }
    optionsPanel->detailChanged();
    RefreshTextureCombo(state_.textureLibrary, textureCombo());
    textureManager_->showLibrary();
    showCurrentState();
}

void MainWindow::saveLookCommand() {
    runCommand([this] {
        if (!state_.ModelLoaded) return;
        const std::filesystem::path suggested =
            !lookPath_.empty() ? lookPath_
                               : fromQPath(QString::fromStdU16String(state_.tree.RootNode.Caption))
                                     .replace_extension(".kvlook");
        auto chosen = prompts_.chooseSaveFile(LookFileFilter, suggested, "Save Look");
        if (!chosen) return;
        if (!isLookFileName(*chosen)) *chosen += ".kvlook";
        if (const auto failure = writeLookFile(lookOf(state_, frameControls()), *chosen)) {
            prompts_.message(ApplicationTitle, "The look could not be saved to " + chosen->string() + ": " + *failure,
                             BoxIcon::Error);
            return;
        }
        lookPath_ = *chosen;
        statusBar()->showMessage(toQPath(chosen->filename()) + " was saved.", 6000);
    });
}

void MainWindow::openLookCommand() {
    std::optional<std::filesystem::path> chosen;
    runCommand([&] { chosen = prompts_.chooseFile(LookFileFilter, "Open Look"); });
    if (chosen) openLookFile(*chosen);
}

void MainWindow::openFile(const std::filesystem::path& path) {
    if (isLookFileName(path))
        openLookFile(path);
    else
        openModel(path);
}

void MainWindow::openLookFile(const std::filesystem::path& file) {
    const LookReading reading = readLookFile(file);
    if (!reading.look) {
        prompts_.message(ApplicationTitle, reading.fault, BoxIcon::Error);
        return;
    }
    // The pictures are loaded quietly: the ones that fail are named together below.
    const PictureLoader load = [this](const std::filesystem::path& picture) {
        std::optional<LoadedTexture> texture;
        ScriptedPrompts quiet;
        withViewTextures([&](TextureGl& gl) {
            try {
                texture = LoadTextureFile(picture, quiet, gl);
            } catch (const std::exception&) {
            }
        });
        return texture;
    };
    LookOpening opening;
    runTreeCommand([&] { opening = openLook(state_, *reading.look, file, io(), *this, load); });
    if (!opening.Done) {
        prompts_.message(ApplicationTitle, opening.Fault, BoxIcon::Error);
        return;
    }
    showScene(reading.look->setup.Scene);
    history_->forget();
    lookPath_ = file;
    rememberModelFolder(state_.ModelPath);
    noteRecentFile(file);
    statusBar()->showMessage(toQPath(file.filename()) + " was opened.", 6000);
    if (!opening.MissingPictures.empty())
        prompts_.message(ApplicationTitle, missingPicturesText(opening.MissingPictures), BoxIcon::Information);
}

}  // namespace korvex
