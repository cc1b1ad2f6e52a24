// Files changed by other programs while the real window shows them: the
// pictures behind the textures, the model and its settings file; Reload,
// the recent files and what the window remembers across runs.

#include "app/file_watcher.h"
#include "app/korvex_application.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/image_writers.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "textures/opengl_textures.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <fstream>

namespace korvex {
namespace {

using fixtures::partsNamed;

constexpr int Patience = 5000;  // milliseconds a change may take to show

images::Picture solid(uint8_t r, uint8_t g, uint8_t b) {
    return images::solid(16, 16, r, g, b);
}


class ReloadWindowTest : public fixtures::MainWindowFixture {
protected:
    ProgramState& state() { return window->state(); }
    QString status() { return window->statusBar()->currentMessage(); }
    // Message boxes and questions; file dialogs are not counted.
    long boxesShown() {
        return std::count_if(prompts.shown.begin(), prompts.shown.end(),
                             [](const ShownBox& box) { return box.kind != ShownBox::Kind::FileRequest; });
    }

    // "Add a Texture" with `path` chosen, given to part 0.
    void addTexture(const std::filesystem::path& path) {
        prompts.fileAnswers.push_back(path);
        window->textureManager()->addButton->click();
        ASSERT_EQ(state().textureLibrary.size(), 1u);
        state().partList.Parts[0].TextureIndex = 1;
        window->showCurrentState();
    }
    // The first texel of the library's first texture, as the view holds it.
    std::array<uint8_t, 3> texel() {
        std::optional<PixelBuffer> pixels;
        window->view3d()->withContext([&] { pixels = readTexturePixels(state().textureLibrary[0].TextureObject); });
        if (!pixels) return {};
        return {pixels->pixels[0], pixels->pixels[1], pixels->pixels[2]};
    }
    void expectTexel(uint8_t r, uint8_t g, uint8_t b, uint64_t reloads) {
        QTRY_COMPARE_WITH_TIMEOUT(window->picturesReloaded(), reloads, Patience);
        EXPECT_EQ(texel(), (std::array<uint8_t, 3>{r, g, b}));
    }
    std::vector<std::u16string> captions() {
        std::vector<std::u16string> found;
        for (const PartNodeData& node : state().tree.PartNodes) found.push_back(node.Caption);
        return found;
    }
    // A model of quads with its settings file beside it, opened.
    void openSmallModel(std::initializer_list<const char*> parts) {
        fixtures::writeFile(folder.model(), partsNamed(parts).build());
        fixtures::writeText(folder.modelFolder() / "geomdata.ini",
                            "[GEOMDATA]\nnumpart=3\n\n[ALPHA_OPAQUE_FRNShape]\n\n[HODShape]\n\n[TOPShape]\n\n");
        window->openModel(folder.model());
        ASSERT_TRUE(state().ModelLoaded);
    }

    fixtures::CarFolder folder;
    fixtures::TempDir dir;
};

TEST_F(ReloadWindowTest, APictureSavedInEachWayAnEditorSavesIsShownAndABrokenOneKeepsTheLastGoodPicture) {
    window->openModel(KORVEX_SAMPLE_CAR);
    const std::filesystem::path tga = dir / "stripes.tga";
    images::writeFile(tga, images::writeTga(solid(200, 0, 0)));
    addTexture(tga);
    EXPECT_EQ(texel(), (std::array<uint8_t, 3>{200, 0, 0}));
    const uint32_t texture = state().textureLibrary[0].TextureObject;
    const uint64_t frames = window->view3d()->framesDrawn();

    // Written in place.
    images::writeFile(tga, images::writeTga(solid(0, 200, 0)));
    expectTexel(0, 200, 0, 1);
    EXPECT_GT(window->view3d()->framesDrawn(), frames);
    EXPECT_EQ(status(), "stripes.tga was read again.");
    // Written beside and renamed over.
    images::writeFile(dir / "stripes.new", images::writeTga(solid(0, 0, 200)));
    std::filesystem::rename(dir / "stripes.new", tga);
    expectTexel(0, 0, 200, 2);
    // Deleted, then made again.
    std::filesystem::remove(tga);
    QTRY_COMPARE_WITH_TIMEOUT(status(), "stripes.tga could not be read; keeping the picture loaded before", Patience);
    images::writeFile(tga, images::writeTga(solid(200, 200, 0)));
    expectTexel(200, 200, 0, 3);
    // Cut short, then mended.
    std::vector<uint8_t> bytes = images::writeTga(solid(0, 200, 200));
    images::writeFile(tga, {bytes.begin(), bytes.begin() + 100});
    QTRY_COMPARE_WITH_TIMEOUT(status(), "stripes.tga could not be read; keeping the picture loaded before", Patience);
    EXPECT_EQ(texel(), (std::array<uint8_t, 3>{200, 200, 0}));
    images::writeFile(tga, bytes);
    expectTexel(0, 200, 200, 4);

    // The entry is the same entry: name, place, parts, even the texture object.
    ASSERT_EQ(state().textureLibrary.size(), 1u);
    EXPECT_EQ(state().textureLibrary[0].DisplayName, "stripes.tga");
    EXPECT_EQ(state().textureLibrary[0].TextureObject, texture);
    EXPECT_EQ(state().partList.Parts[0].TextureIndex, 1);
    // A picture of another size becomes a new texture under the same entry.
    images::Picture wide(32, 8);
    for (std::size_t i = 0; i < wide.rgba.size(); ++i) wide.rgba[i] = i % 4 == 3 ? 255 : 90;
    images::writeFile(tga, images::writeTga(wide));
    expectTexel(90, 90, 90, 5);
    // A save in several writes, each within the quiet spell of the last, is
    // shown once, as it is at the end.
    {
        const std::vector<uint8_t> slow = images::writeTga(solid(10, 20, 30));
        std::ofstream out(tga, std::ios::binary | std::ios::trunc);
        for (std::size_t at = 0; at < slow.size(); at += slow.size() / 3 + 1) {
            out.write(reinterpret_cast<const char*>(slow.data() + at),
                      static_cast<std::streamsize>(std::min(slow.size() - at, slow.size() / 3 + 1)));
            out.flush();
            QTest::qWait(FileWatcher::QuietSpellMs / 3);
        }
    }
    expectTexel(10, 20, 30, 6);
    QTest::qWait(FileWatcher::QuietSpellMs * 2);
    EXPECT_EQ(window->picturesReloaded(), 6u);
    EXPECT_EQ(boxesShown(), 0);
}

TEST_F(ReloadWindowTest, AModelRewrittenKeepsWhatTheUserGaveItsPartsAndAHalfWrittenOneIsNotTaken) {
    openSmallModel({"geo_r_0_FRNShape", "geo_r_1_HODShape", "geo_r_2_TOPShape"});
    images::writeFile(dir / "red.tga", images::writeTga(solid(200, 0, 0)));
    addTexture(dir / "red.tga");
    // The hood renamed in the tree, coloured, textured and selected.
    const QModelIndex hood = window->treeModel->partIndexRow(1);
    ASSERT_TRUE(window->treeModel->setData(hood, "Bonnet", Qt::EditRole));
    state().partList.Parts[1].Colour[1] = 0.25f;
    state().partList.Parts[1].TextureIndex = 1;
    window->selectPart(1);

    // Rewritten by a tool: the roof gone, a part new, the hood first.
    fixtures::writeFile(folder.model(), partsNamed({"geo_r_1_HODShape", "geo_r_0_FRNShape"}).build());
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("car.o was read again"), Patience);
    EXPECT_EQ(captions(), (std::vector<std::u16string>{u"Bonnet", u"Front"}));
    EXPECT_EQ(state().partList.Parts[0].Colour[1], 0.25f);
    EXPECT_EQ(state().partList.Parts[0].TextureIndex, 1);
    EXPECT_EQ(state().partList.Parts[1].TextureIndex, 1);
    EXPECT_EQ(state().SelectedPart, 0);
    EXPECT_EQ(window->optionsPanel->partGroup->title(), "Options for Bonnet");

    // Half written: the model on screen stays (what stays is the set-up
    // library's to test).
    fixtures::writeFile(folder.model(), fixtures::Bytes(30, 0x7F));
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("car.o could not be read; keeping the model loaded before"), Patience);
    EXPECT_EQ(captions(), (std::vector<std::u16string>{u"Bonnet", u"Front"}));

    // The settings file edited: names and flags from it, colours stay.
    fixtures::writeText(folder.modelFolder() / "geomdata.ini",
                        "[GEOMDATA]\nnumpart=3\n\n[ALPHA_TRANS_FRNShape]\n\n[REARShape]\n\n[TOPShape]\n\n");
    QTRY_COMPARE_WITH_TIMEOUT(status(), "geomdata.ini was read again.", Patience);
    EXPECT_EQ(captions(), (std::vector<std::u16string>{u"Rear", u"Front"}));
    EXPECT_EQ(state().partList.Parts[1].Transparent, 1);
    EXPECT_EQ(state().partList.Parts[0].Colour[1], 0.25f);
    EXPECT_EQ(boxesShown(), 0);
}

TEST_F(ReloadWindowTest, ReloadReadsEverythingAgainAndNothingIsWatchedAfterCloseOrWithWatchingOff) {
    openSmallModel({"geo_r_0_FRNShape", "geo_r_1_HODShape"});
    const std::filesystem::path tga = dir / "red.tga";
    images::writeFile(tga, images::writeTga(solid(200, 0, 0)));
    addTexture(tga);
    EXPECT_EQ(window->fileWatcher().watched().size(), 3u);  // model, settings, picture

    window->reloadChangedAction->trigger();
    EXPECT_TRUE(window->fileWatcher().watched().empty());
    images::writeFile(tga, images::writeTga(solid(0, 200, 0)));
    ASSERT_TRUE(window->treeModel->setData(window->treeModel->partIndexRow(0), "Nose", Qt::EditRole));
    window->logView->clear();
    QTest::qWait(FileWatcher::QuietSpellMs * 3);
    EXPECT_EQ(window->picturesReloaded(), 0u);
    // F5: the picture whether or not it changed, the model with its set-up.
    QTest::keyClick(window.get(), Qt::Key_F5);
    expectTexel(0, 200, 0, 1);
    EXPECT_EQ(captions()[0], u"Nose");
    EXPECT_TRUE(window->logView->toPlainText().startsWith("Opening "));

    window->reloadChangedAction->trigger();
    EXPECT_EQ(window->fileWatcher().watched().size(), 3u);
    window->closeAction->trigger();
    EXPECT_TRUE(window->fileWatcher().watched().empty());
    images::writeFile(tga, images::writeTga(solid(0, 0, 200)));
    QTest::qWait(FileWatcher::QuietSpellMs * 3);
    EXPECT_EQ(window->picturesReloaded(), 1u);
}

TEST_F(ReloadWindowTest, TheRecentListHoldsTheTenModelsOpenedLastAndDropsOneThatIsGone) {
    std::vector<std::filesystem::path> models;
    fixtures::writeText(dir / "geomdata.ini", "[GEOMDATA]\nnumpart=1\n\n[FRNShape]\n\n");
    for (int i = 0; i < 12; ++i) {
        models.push_back(dir / ("car" + std::to_string(i) + ".o"));
        fixtures::writeFile(models.back(), partsNamed({"geo_r_0_FRNShape"}).build());
        window->openModel(models.back());
    }
    window->openModel(models[5]);  // opened again: to the top, not twice
    window->openModel(dir / "missing.o");  // not opened: not listed
    const QStringList recent = window->recentFiles();
    ASSERT_EQ(recent.size(), MainWindow::RecentFileCount);
    EXPECT_EQ(recent[0], toQPath(models[5]));
    EXPECT_EQ(recent[1], toQPath(models[11]));
    EXPECT_EQ(recent[9], toQPath(models[2]));
    const QList<QAction*> items = window->recentMenu->actions();
    ASSERT_EQ(items.size(), 12);  // ten files, a line, "Clear List"
    EXPECT_EQ(items[0]->text(), "car5.o");
    EXPECT_EQ(items[0]->toolTip(), toQPath(models[5]));
    EXPECT_EQ(items[11]->text(), "Clear List");

    std::filesystem::remove(models[11]);
    items[1]->trigger();
    EXPECT_EQ(window->recentFiles().size(), 9);
    EXPECT_FALSE(window->recentFiles().contains(toQPath(models[11])));
    EXPECT_EQ(status(), "car11.o is no longer there; it was taken off the recent files.");
    window->recentMenu->actions()[1]->trigger();  // car10.o
    EXPECT_EQ(state().ModelPath, models[10]);
    EXPECT_EQ(window->recentFiles()[0], toQPath(models[10]));
    window->clearRecentAction->trigger();
    EXPECT_TRUE(window->recentFiles().isEmpty());
    EXPECT_EQ(window->recentMenu->actions().size(), 2);
}

TEST(WindowMemory, ASecondWindowTakesUpWhatTheFirstRemembered) {
    fixtures::TempDir dir;
    QSettings memory(toQPath(dir / "korvex-viewer.conf"), QSettings::IniFormat);
    ScriptedPrompts prompts;
    fixtures::ScriptedColours colours;
    fixtures::writeText(dir / "geomdata.ini", "[GEOMDATA]\nnumpart=1\n\n[FRNShape]\n\n");
    fixtures::writeFile(dir / "car.o", partsNamed({"geo_r_0_FRNShape"}).build());
    int paneWidth = 0;
    {
        MainWindow first(prompts, colours);
        first.useMemory(&memory);
        EXPECT_TRUE(first.rotatingAction->isChecked());
        first.openModel(dir / "car.o");
        first.rotatingAction->setChecked(false);
        first.state().view.BackgroundColour = 0x203040;
        first.resize(900, 700);
        first.show();
        // The bar along the pane dragged 60 pixels right.
        first.widthSplitter->onDown(QPoint(2, 100));
        first.widthSplitter->onMove(QPoint(62, 100));
        first.widthSplitter->onUp(QPoint(62, 100));
        paneWidth = first.leftPane->width();
    }
    MainWindow second(prompts, colours);
    EXPECT_TRUE(second.recentFiles().isEmpty());
    second.useMemory(&memory);
    EXPECT_EQ(second.recentFiles(), QStringList{toQPath(dir / "car.o")});
    EXPECT_FALSE(second.rotatingAction->isChecked());
    EXPECT_EQ(second.state().view.BackgroundColour, 0x203040u);
    EXPECT_EQ(second.state().view.BacklightColour, ViewState{}.BacklightColour);
    EXPECT_EQ(second.size(), QSize(900, 700));
    EXPECT_EQ(second.leftPane->width(), paneWidth);
    EXPECT_NE(paneWidth, MainWindow(prompts, colours).leftPane->width());
    // A file of nonsense is taken as no memory at all.
    fixtures::writeText(dir / "broken.conf", "[scene]\nbackground=blue\n\x01\x02");
    QSettings broken(toQPath(dir / "broken.conf"), QSettings::IniFormat);
    MainWindow third(prompts, colours);
    third.useMemory(&broken);
    EXPECT_EQ(third.state().view.BackgroundColour, 0u);
    EXPECT_TRUE(third.rotatingAction->isChecked());
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<korvex::KorvexApplication>(argc, argv);
}
