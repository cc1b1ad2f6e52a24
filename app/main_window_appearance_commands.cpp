// The main window's commands on the model's looks: showing and hiding all
// parts, the file's settings, wireframe, the scene colours, the textures and
// the texture-all commands; and the help page and about box.

#include "main_window.h"

#include "about_box.h"
#include "render/frame_renderer.h"
#include "render/scene_colours.h"
#include "render/view_widget.h"
#include "settings/geomdata_file.h"
#include "textures/opengl_textures.h"
#include "textures/texture_files.h"
#include "ui/part_commands.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"

#include <QDesktopServices>
#include <QUrl>

namespace korvex {

namespace {

// Textures for a display without OpenGL: the pictures are still read and
// checked, but nothing is uploaded, and nothing would draw them.
class DetachedTextures final : public TextureGl {
public:
    int32_t maxTextureSize() override { return 1; }
    uint32_t genTexture() override { return 0; }
    void bindTexture(uint32_t, uint32_t) override {}
    void texEnvi(uint32_t, uint32_t, int32_t) override {}
    void texParameteri(uint32_t, uint32_t, int32_t) override {}
    void build2DMipmaps(uint32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t, const void*) override {}
    void deleteTexture(uint32_t) override {}
};

}  // namespace

void MainWindow::withViewContext(const std::function<void()>& work) {
    if (view3d_ != nullptr) view3d_->withContext(work);
}

void MainWindow::withViewTextures(const std::function<void(TextureGl&)>& work) {
    if (view3d_ != nullptr && view3d_->withContext([&] {
            OpenGlTextures textures;
            work(textures);
        }))
        return;
    DetachedTextures textures;
    work(textures);
}

void MainWindow::restoreFileSettingsCommand() {
    runStep("Restore File Settings", [this] {
        struct NodesChanged {
            PartTreeModel& model;
            ~NodesChanged() { model.partNodesChanged(); }
        } changed{*treeModel};
        restoreFileSettings(state_);
    });
}

void MainWindow::hideAllPartsCommand() {
    runStep("Hide All Parts", [this] {
        hideAllParts(state_);
        treeModel->partNodesChanged();
    });
}

void MainWindow::showAllPartsCommand() {
    runStep("Show All Parts", [this] {
        showAllParts(state_);
        treeModel->partNodesChanged();
    });
}

void MainWindow::toggleWireframe() {
    // Without a context yet, the view takes the mode up when it gets one.
    if (view3d_ == nullptr || !view3d_->withContext([this] { korvex::toggleWireframe(state_.view); }))
        state_.view.Wireframe = !state_.view.Wireframe;
    wireframeAction->setChecked(state_.view.Wireframe);
    noteStep("Toggle Wireframe");
    showCurrentState();
}

void MainWindow::fitView() {
    runCommand([this] { korvex::fitView(state_, frameControls()); });
}

void MainWindow::setStandardView(StandardView which) {
    runCommand([this, which] { korvex::setStandardView(state_.view, which); });
}

void MainWindow::resetView() {
    runCommand([this] { korvex::resetView(state_.view); });
}

void MainWindow::manageTexturesCommand() {
    if (manageTexturesChoosesForBody(state_))
        textureNonWheelParts();
    else
        textureManager_->showModeless();
}

void MainWindow::untextureAllParts() {
    runStep("Untexture All Parts", [this] { korvex::untextureAllParts(state_); });
}

std::optional<int32_t> MainWindow::ChooseTexture() {
    textureManager_->setChoosing(true);
    // An open window cannot become modal where it stands: it is asked again,
    // modally, and goes back to managing the library afterwards.
    const bool wasOpen = textureManager_->isVisible();
    if (wasOpen) textureManager_->hide();
    const int result = textureManager_->showModal();
    if (wasOpen) textureManager_->showModeless();
    if (textureManager_->chosenTexture() == -1 || result != QDialog::Accepted) return std::nullopt;
    if (state_.textureLibrary.empty()) {
        prompts_.message(ApplicationTitle, "Load a texture first.", BoxIcon::None);
        return std::nullopt;
    }
    return textureManager_->chosenTexture() + 1;
}

void MainWindow::textureNonWheelParts() {
    runStep("Texture All Non-Wheel Parts", [this] {
        if (const auto chosen = ChooseTexture()) korvex::textureNonWheelParts(state_, *chosen);
    });
}

void MainWindow::textureWheelParts() {
    runStep("Texture All Wheel Parts", [this] {
        if (const auto chosen = ChooseTexture()) korvex::textureWheelParts(state_, *chosen);
    });
}

void MainWindow::chooseBackgroundColour() {
    if (const auto chosen = colours_.chooseColour(state_.view.BackgroundColour)) {
        state_.view.BackgroundColour = *chosen;
        withViewContext([&] { ApplyBackgroundColour(*chosen); });
        noteStep("Background Colour");
    }
    showCurrentState();
}

void MainWindow::chooseBacklightColour() {
    if (const auto chosen = colours_.chooseColour(state_.view.BacklightColour)) {
        state_.view.BacklightColour = *chosen;
        withViewContext([&] { ApplyBacklightColour(*chosen); });
        noteStep("Backlight Colour");
    }
    showCurrentState();
}

void MainWindow::showHelp() {
    const std::filesystem::path help = locateProgramDataFile("help.htm", DataSearch::ProgramOnly);
    if (openDocument(QUrl::fromLocalFile(toQPath(help)))) return;
    prompts_.message(
        ApplicationTitle,
        "No web browser could be started to show the help page. You can open it yourself: " + help.string(),
        BoxIcon::Information);
}

void MainWindow::showAbout() {
    aboutBox_->showRaised();
}

}  // namespace korvex
