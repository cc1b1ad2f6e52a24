// The "Textures" window and the texture commands of the main window, driven
// under an X server: scripted boxes and file choices, queued clicks for the
// modal showings.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "render/view_widget.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/image_writers.h"
#include "tests/support/scripted_colours.h"
#include "tests/support/test_model.h"
#include "tests/support/widget_driving.h"
#include "tests/support/window_checks.h"
#include "textures/texture_library.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <jerror.h>

#include <cmath>
#include <functional>

using namespace korvex;
using Names = std::vector<std::string>;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;
// The sample car's wheels and brakes, as its settings file names them.
bool sampleWheel(std::size_t part) {
    return part >= 13 && part <= 20;
}

images::Picture solid(uint8_t r, uint8_t g, uint8_t b) {
    return images::solid(8, 8, r, g, b);
}

// A progressive JPEG whose second scan names a component the frame lacks:
// libjpeg gives up in the middle of the image data.
std::vector<uint8_t> fatallyBrokenJpeg() {
    std::vector<uint8_t> file = images::writeJpeg(images::testPattern(32, 32), {90, false, true});
    int scans = 0;
    for (std::size_t i = 0; i + 5 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA && ++scans == 2) {
            file[i + 5] = 0x7E;
            break;
        }
    return file;
}

class TextureManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(prompts, colours);
        ASSERT_NE(window->view3d(), nullptr) << "no OpenGL on this display";
        window->view3d()->setFrameLoopHeld(true);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(window->view3d()->isValid());
    }
    void TearDown() override { form().hide(); }

    TextureManagerWindow& form() { return *window->textureManager(); }
    void open(const std::filesystem::path& model) { window->openModel(model); }
    ProgramState& state() { return window->state(); }
    TextureLibrary& library() { return state().textureLibrary; }

    std::filesystem::path picture(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = dir / name;
        images::writeFile(path, bytes);
        return path;
    }
    std::filesystem::path tga(const std::string& name, uint8_t r = 200, uint8_t g = 120, uint8_t b = 40) {
        return picture(name, images::writeTga(solid(r, g, b)));
    }
    // "Add a Texture", with `path` chosen in its file dialog.
    void add(const std::filesystem::path& path) {
        prompts.fileAnswers.push_back(path);
        form().addButton->click();
    }
    Names libraryNames() {
        Names names;
        for (const TextureEntry& entry : library()) names.push_back(entry.DisplayName);
        return names;
    }
    Names listCaptions() {
        Names names;
        for (int i = 0; i < form().textureList->count(); ++i)
            names.push_back(form().textureList->item(i)->text().toStdString());
        return names;
    }
    Names comboItems() {
        Names names;
        const QComboBox& box = *window->optionsPanel->textureBox;
        for (int i = 0; i < box.count(); ++i) names.push_back(box.itemText(i).toStdString());
        return names;
    }
    std::vector<int32_t> references() {
        std::vector<int32_t> found;
        for (const GeometryPart& part : state().partList.Parts) found.push_back(part.TextureIndex);
        return found;
    }
    void clickItem(int row) {
        QListWidget& list = *form().textureList;
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(row)).center());
    }
    void rename(int row, const QString& text) { ASSERT_TRUE(fixtures::editItemText(*form().textureList, row, text)); }
    // Runs `command`, which shows the Textures window modally, and `whileShown`
    // once it is up; the window is cancelled should `whileShown` leave it open.
    void whileModal(const std::function<void()>& command, const std::function<void()>& whileShown) {
        EXPECT_TRUE(fixtures::whileModal(form(), command, whileShown)) << "the window was not shown modally";
    }
    void expectLook(bool selecting) {
        EXPECT_EQ(form().choosing(), selecting);
        EXPECT_EQ(form().listLabel->text(), selecting ? "Select a texture to use:" : "Texture List:");
        EXPECT_EQ(form().applyButton->isEnabled(), selecting);
    }
    bool textureExistsInView(uint32_t name) {
        bool exists = false;
        window->view3d()->withContext([&] { exists = glIsTexture(name) == GL_TRUE; });
        return exists;
    }
    std::size_t boxes() const { return prompts.shown.size(); }
    const ShownBox& lastBox() const { return prompts.shown.back(); }

    fixtures::TempDir dir;
    ScriptedPrompts prompts;
    fixtures::ScriptedColours colours;
    std::unique_ptr<MainWindow> window;
};

void expectBox(const ShownBox& box, const std::string& caption, const std::string& text, BoxIcon icon) {
    EXPECT_EQ(box.kind, ShownBox::Kind::Message);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, icon);
}

}  // namespace

TEST_F(TextureManagerTest, TheWindowIsMadeHiddenWithItsDesignedControls) {
    EXPECT_FALSE(form().isVisible());
    window->texturesAction->trigger();  // no model: the window opens for managing
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
    EXPECT_FALSE(form().isModal());
    EXPECT_EQ(fixtures::x11Title(form()), "Textures");
    EXPECT_EQ(form().size(), QSize(334, 303));
    EXPECT_EQ(form().minimumSize(), form().maximumSize());
    EXPECT_TRUE(form().windowFlags() & Qt::Tool);

    const std::tuple<QWidget*, QRect, QString> controls[] = {
        {form().textureList, {8, 24, 193, 265}, ""},
        {form().addButton, {211, 24, 118, 29}, "Add a Texture"},
        {form().removeButton, {211, 58, 118, 29}, "Remove Texture"},
        {form().closeButton, {224, 228, 97, 30}, "Close"},
        {form().applyButton, {224, 262, 97, 30}, "Apply to Model"},
    };
    for (const auto& [control, place, caption] : controls) {
        EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_EQ(button->text(), caption);
        }
    }
    EXPECT_EQ(form().listLabel->pos(), QPoint(8, 8));
    expectLook(false);
    EXPECT_EQ(form().chosenTexture(), 0);
    EXPECT_EQ(form().textureList->viewMode(), QListView::IconMode);
    EXPECT_EQ(form().textureList->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(form().addButton->icon().isNull());
    EXPECT_EQ(form().addButton->gap(), 7);
    fixtures::expectCaptionsAndControlsFit(form());

    // Tab order: textureList, the two picture buttons, "Apply to Model", "Close".
    form().applyButton->setEnabled(true);
    QWidget* next = form().textureList;
    for (QWidget* expected : std::initializer_list<QWidget*>{form().addButton, form().removeButton, form().applyButton,
                                                             form().closeButton, form().textureList}) {
        next = next->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || next->parentWidget() != &form()) next = next->nextInFocusChain();
        EXPECT_EQ(next, expected);
    }
    form().applyButton->setEnabled(false);

    // Shown again while open, it stays as it was; "Close" hides it and keeps the list.
    add(tga("wood.tga"));
    window->texturesMenuAction->trigger();
    EXPECT_TRUE(form().isVisible());
    form().closeButton->click();
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(listCaptions(), Names{"wood.tga"});
}

TEST_F(TextureManagerTest, AddingNamesEachPictureOnceAndRefusesWhatNoLoaderTakes) {
    const auto wood = tga("wood.tga");
    for (int i = 0; i < 3; ++i) add(wood);
    const Names added{"wood.tga", "Another wood.tga", "Another Another wood.tga"};
    EXPECT_EQ(libraryNames(), added);
    EXPECT_EQ(listCaptions(), added);
    EXPECT_EQ(comboItems(), (Names{"No Texture", "wood.tga", "Another wood.tga", "Another Another wood.tga"}));
    EXPECT_EQ(form().textureList->currentRow(), 2);
    EXPECT_EQ(form().chosenTexture(), 2);
    EXPECT_TRUE(prompts.shown.size() == 3 && prompts.shown[0].kind == ShownBox::Kind::FileRequest);
    EXPECT_EQ(prompts.shown[0].text, TextureFileFilter);
    // Made in the view's own context, where the frames bind them.
    for (const TextureEntry& entry : library()) EXPECT_TRUE(textureExistsInView(entry.TextureObject));

    // The one pass over the names: an entry passed before the prefix was
    // added is not looked at again. The extension's first letter picks the loader.
    form().showModeless();
    rename(0, "Another b.jpeg");
    add(picture("b.jpeg", images::writeJpeg(images::testPattern(16, 16))));
    add(picture("b.jpeg", images::writeJpeg(images::testPattern(16, 16))));
    EXPECT_EQ(libraryNames(),
              (Names{"Another b.jpeg", "Another wood.tga", "Another Another wood.tga", "b.jpeg", "Another b.jpeg"}));

    // A picture no loader takes, a missing JPEG and a fatally broken one.
    prompts.shown.clear();
    QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString((dir / "c.png").string()));
    add(dir / "c.png");
    ASSERT_EQ(boxes(), 2u);
    expectBox(lastBox(), "ERROR", "The texture was NOT loaded correctly.", BoxIcon::Error);
    add(dir / "missing.jpg");
    ASSERT_EQ(boxes(), 5u);
    expectBox(prompts.shown[3], "BMP Unit", "Couldn't load JPG - \"" + (dir / "missing.jpg").string() + "\"",
              BoxIcon::None);
    expectBox(prompts.shown[4], "ERROR", "The texture was NOT loaded correctly.", BoxIcon::Error);
    add(picture("broken.jpg", fatallyBrokenJpeg()));
    ASSERT_EQ(boxes(), 7u);
    expectBox(lastBox(), "Korvex Model Viewer", "JPEG error #" + std::to_string(JERR_BAD_COMPONENT_ID), BoxIcon::Error);
    EXPECT_EQ(library().size(), 5u);
    EXPECT_EQ(form().textureList->count(), 5);
    // Cancelling the file dialog does nothing at all.
    form().addButton->click();
    EXPECT_EQ(boxes(), 8u);
    EXPECT_EQ(library().size(), 5u);
}

TEST_F(TextureManagerTest, RemovingAndRenamingKeepTheLibraryTheListAndThePartsTogether) {
    form().showModeless();
    form().removeButton->click();
    ASSERT_EQ(boxes(), 1u);
    expectBox(lastBox(), "Error", "Select something first!", BoxIcon::Error);

    open(SampleCar);
    for (const char* name : {"a.tga", "b.tga", "c.tga", "d.tga"}) add(tga(name));
    const uint32_t removedObject = library()[1].TextureObject;
    for (int32_t i = 0; i < 5; ++i) state().partList.Parts[static_cast<std::size_t>(i)].TextureIndex = i;
    clickItem(1);
    form().removeButton->click();
    EXPECT_EQ(libraryNames(), (Names{"a.tga", "c.tga", "d.tga"}));
    EXPECT_EQ(listCaptions(), (Names{"a.tga", "c.tga", "d.tga"}));
    EXPECT_EQ(comboItems(), (Names{"No Texture", "a.tga", "c.tga", "d.tga"}));
    const std::vector<int32_t> after = references();
    EXPECT_EQ(std::vector<int32_t>(after.begin(), after.begin() + 5), (std::vector<int32_t>{0, 1, 0, 2, 3}));
    // The picture stays loaded while an undo can bring the texture back.
    EXPECT_TRUE(textureExistsInView(removedObject));
    EXPECT_EQ(form().chosenTexture(), -1);

    // A name another texture has, or none, would make one of them
    // unreachable from the texture box: the old name stays, and the status
    // bar says why.
    const std::pair<const char*, const char*> refused[] = {
        {"a.tga", "Another texture is named a.tga; this one keeps the name d.tga."},
        {"  ", "A texture needs a name; it keeps the name d.tga."},
        {"", "A texture needs a name; it keeps the name d.tga."}};
    for (const auto& [name, note] : refused) {
        window->statusBar()->clearMessage();
        rename(2, name);
        EXPECT_EQ(libraryNames(), (Names{"a.tga", "c.tga", "d.tga"})) << name;
        EXPECT_EQ(listCaptions(), (Names{"a.tga", "c.tga", "d.tga"})) << name;
        EXPECT_EQ(comboItems(), (Names{"No Texture", "a.tga", "c.tga", "d.tga"})) << name;
        EXPECT_EQ(window->statusBar()->currentMessage(), note);
    }
    form().setChoosing(true);
    clickItem(2);
    EXPECT_EQ(form().chosenTexture(), 2);
    form().setChoosing(false);

    // Items whose entry has gone: editing and choosing say so.
    const std::size_t before = boxes();
    renameTexture(library(), 1, "elsewhere");
    rename(1, "c2.tga");
    ASSERT_EQ(boxes(), before + 1);
    expectBox(lastBox(), "Korvex Model Viewer", "Item c.tga Has NO DATA!", BoxIcon::None);
    EXPECT_EQ(comboItems(), (Names{"No Texture", "a.tga", "elsewhere", "d.tga"}));
    EXPECT_EQ(form().textureList->item(1)->text(), "c2.tga");
    form().setChoosing(true);
    clickItem(1);
    expectBox(lastBox(), "Error",
              "You've found a bug!, please report it to korvex-viewer@example.org, quoting the line: \"The Texture "
              "Selection does not work.\"",
              BoxIcon::None);
    EXPECT_EQ(form().chosenTexture(), -1);
    form().removeButton->click();
    expectBox(lastBox(), "Error", "Could not find the thing to delete.", BoxIcon::None);
    EXPECT_EQ(library().size(), 3u);
}

TEST_F(TextureManagerTest, TextureAllCommandsApplyTheChosenTextureOnlyWhenApplied) {
    add(tga("paint.tga"));
    add(tga("rubber.tga"));
    open(SampleCar);
    const std::vector<int32_t> none(state().partList.Parts.size(), 0);
    for (GeometryPart& part : state().partList.Parts) part.Colour[1] = 0.25f;

    // Right after opening, "Manage Textures" picks a texture for the body.
    // Applied with no texture highlighted, nothing changes.
    form().textureList->clearSelection();
    whileModal([&] { window->texturesAction->trigger(); },
               [&] {
                   expectLook(true);
                   EXPECT_EQ(form().chosenTexture(), -1);
                   form().applyButton->click();
               });
    EXPECT_FALSE(form().isVisible());
    expectLook(false);
    EXPECT_EQ(references(), none);
    EXPECT_EQ(state().partList.Parts[0].Colour[1], 0.25f);

    whileModal([&] { window->textureWheelAction->trigger(); },
               [&] {
                   clickItem(1);
                   form().applyButton->click();
               });
    for (std::size_t i = 0; i < references().size(); ++i) EXPECT_EQ(references()[i], sampleWheel(i) ? 2 : 0) << i;
    EXPECT_EQ(state().partList.Parts[14].Colour[1], 0.25f);

    whileModal([&] { window->textureNonWheelAction->trigger(); },
               [&] {
                   clickItem(0);
                   form().applyButton->click();
               });
    for (std::size_t i = 0; i < references().size(); ++i) {
        EXPECT_EQ(references()[i], sampleWheel(i) ? 2 : 1) << i;
        EXPECT_EQ(state().partList.Parts[i].Colour[1], 1.0f) << i;
    }

    // A texture added while choosing is the choice.
    whileModal([&] { window->textureWheelAction->trigger(); },
               [&] {
                   add(tga("chrome.tga"));
                   form().applyButton->click();
               });
    EXPECT_EQ(references()[13], 3);

    // The options panel's box gives the selected part its texture.
    window->partTree->selectionModel()->setCurrentIndex(
        window->treeModel->partIndexRow(2), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QComboBox& box = *window->optionsPanel->textureBox;
    EXPECT_EQ(box.currentText(), "paint.tga");
    box.setCurrentIndex(2);
    emit box.activated(2);
    EXPECT_EQ(references()[2], 2);

    window->untextureAllAction->trigger();
    EXPECT_EQ(references(), none);
    EXPECT_EQ(state().partList.Parts[0].Colour[1], 1.0f);
}

TEST_F(TextureManagerTest, CloseLeavesTheSelectionLookAndAnOpenWindowTurnsToChoosing) {
    add(tga("paint.tga"));
    whileModal([&] { window->textureWheelAction->trigger(); },  // no model: nothing to change
               [&] {
                   clickItem(0);
                   EXPECT_EQ(form().chosenTexture(), 0);
                   form().closeButton->click();
               });
    EXPECT_TRUE(form().choosing());
    EXPECT_EQ(boxes(), 1u);  // the file dialog only

    // Shown for managing, it opens in the selection look again; the texture
    // still highlighted is the choice.
    window->texturesMenuAction->trigger();
    ASSERT_TRUE(form().isVisible());
    EXPECT_FALSE(form().isModal());
    expectLook(true);
    EXPECT_EQ(form().chosenTexture(), 0);

    // A texture-all command while the window is open asks in it, modally,
    // and goes on with the answer; the window then manages again.
    open(SampleCar);
    state().partList.Parts[1].TextureIndex = 1;  // "Manage Textures" now manages
    whileModal([&] { window->textureNonWheelAction->trigger(); },
               [&] {
                   expectLook(true);
                   form().applyButton->click();
               });
    EXPECT_EQ(boxes(), 1u) << "no \"" << CannotShowModalMessage << "\"";
    EXPECT_EQ(references()[0], 1);
    ASSERT_TRUE(form().isVisible());
    EXPECT_FALSE(form().isModal());
    expectLook(false);

    // "Apply to Model" in a window shown without modality only ends the choice.
    form().setChoosing(true);
    form().prepareForChoosing();
    form().applyButton->click();
    EXPECT_TRUE(form().isVisible());
    expectLook(false);
    window->texturesAction->trigger();
    EXPECT_TRUE(form().isVisible());
}

TEST_F(TextureManagerTest, TheViewDrawsTheCarInTheTextureGivenToItsBody) {
    open(SampleCar);
    const auto greenPixels = [&] {
        const QImage image = window->view3d()->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
        long green = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                green += c.green() > c.red() + 60 && c.green() > c.blue() + 60 ? 1 : 0;
            }
        return green;
    };
    EXPECT_EQ(greenPixels(), 0);
    add(tga("green.tga", 0, 255, 0));
    whileModal([&] { window->textureNonWheelAction->trigger(); },
               [&] {
                   clickItem(0);
                   form().applyButton->click();
               });
    EXPECT_GT(greenPixels(), 10000);
}

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
