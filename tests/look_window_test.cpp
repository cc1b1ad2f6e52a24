// Looks and undo in the real window: bad look files refused with one box
// and nothing changed, a look saved and opened in a new window, and undo and
// redo of every kind of change to the set-up.

#include "app/edit_history.h"
#include "app/korvex_application.h"
#include "setup/look_file.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/image_writers.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "tests/support/widget_driving.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"
#include "ui/window_common.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QSlider>
#include <QUndoStack>

#include <GL/gl.h>

#include <random>

namespace korvex {
namespace {

using fixtures::partsNamed;

QByteArray readBytes(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = images::readFile(path);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

class LookWindowTest : public fixtures::MainWindowFixture {
protected:
    ProgramState& state() { return window->state(); }
    PartOptionsPanel& panel() { return *window->optionsPanel; }
    TextureManagerWindow& textures() { return *window->textureManager(); }

    // Everything an undo must put back, as text: the look of the window
    // (camera aside, which undo leaves alone) and the textures' objects.
    std::string appearance() {
        Look look = lookOf(state(), window->frameControls());
        look.setup.Scene = SceneSetup{look.setup.Scene.RotationX, 0, 0, 0, 0, {}, look.setup.Scene.Wireframe,
                                      look.setup.Scene.BackgroundColour, look.setup.Scene.BacklightColour,
                                      look.setup.Scene.Controls};
        std::string text = lookJson(look, folder.modelFolder() / "a.kvlook").toStdString();
        for (const TextureEntry& entry : state().textureLibrary) text += ' ' + std::to_string(entry.TextureObject);
        return text;
    }
    long boxes() {
        return std::count_if(prompts.shown.begin(), prompts.shown.end(),
                             [](const ShownBox& box) { return box.kind != ShownBox::Kind::FileRequest; });
    }
    // A model of three quads with its settings file beside it, opened, and
    // two pictures in the library.
    void openSmallModel() {
        fixtures::writeFile(folder.model(), partsNamed({"geo_r_0_FRNShape", "geo_r_1_HODShape", "geo_r_2_WHEELShape"}).build());
        fixtures::writeText(folder.modelFolder() / "geomdata.ini",
                            "[GEOMDATA]\nnumpart=3\n\n[ALPHA_OPAQUE_FRNShape]\n\n[HODShape]\n\n[WHEELShape]\n\n");
        window->openModel(folder.model());
        ASSERT_TRUE(state().ModelLoaded);
        for (const char* name : {"skin.tga", "rims.tga"}) {
            images::writeFile(folder.modelFolder() / name, images::writeTga(images::solid(8, 8, 90, 20, 200)));
            prompts.fileAnswers.push_back(folder.modelFolder() / name);
            textures().addButton->click();
        }
        ASSERT_EQ(state().textureLibrary.size(), 2u);
        window->selectPart(1);
    }
    QModelIndex row(int part) { return window->treeModel->partIndexRow(part); }
    void chooseTextureInBox(int item) {
        panel().textureBox->setCurrentIndex(item);
        emit panel().textureBox->activated(item);
    }
    // The Textures window, shown for a texture-all command, picks `entry`.
    void textureAll(QAction* command, int entry) {
        fixtures::whileModal(textures(), [&] { command->trigger(); },
                             [&] {
                                 textures().textureList->setCurrentRow(entry);
                                 textures().textureClicked();
                                 textures().applyButton->click();
                             });
    }

    fixtures::CarFolder folder;
};

TEST_F(LookWindowTest, EachKindOfChangeIsUndoneAndRedoneExactlyAndNamedInTheEditMenu) {
    openSmallModel();
    EXPECT_FALSE(window->undoAction->isEnabled());
    EXPECT_EQ(window->undoAction->text().toStdString(), "Undo");
    MainWindow& w = *window;
    const std::vector<std::pair<QString, std::function<void()>>> commands = {
        {"Hide Part", [&] { w.treeModel->setData(row(0), Qt::Unchecked, Qt::CheckStateRole); }},
        {"Show Part", [&] { w.treeModel->setData(row(0), Qt::Checked, Qt::CheckStateRole); }},
        {"Rename", [&] { w.treeModel->setData(row(1), QString::fromUtf16(u"Capot \u00e9t\u00e9"), Qt::EditRole); }},
        {"Restore File Settings", [&] { w.restoreSettingsAction->trigger(); }},
        {"Part Colour",
         [&] {
             colours.answers.push_back(0x336699);
             panel().colourButton->click();
         }},
        {"Transparent", [&] { panel().transparentBox->click(); }},
        {"Enviroment Map", [&] { panel().reflectionBox->click(); }},
        {"Part Texture", [&] { chooseTextureInBox(2); }},
        {"Use Level of Detail", [&] { panel().useDetailBox->click(); }},
        {"Level Of Detail",
         [&] {
             // A drag of the slider is one step.
             for (int level : {90, 60, 35}) panel().detailSlider->setValue(level);
         }},
        {"Rotating", [&] { w.rotatingAction->trigger(); }},
        {"Hide All Parts", [&] { w.hideAllAction->trigger(); }},
        {"Show All Parts", [&] { w.showAllAction->trigger(); }},
        {"Random Part Colours", [&] { w.randomColoursAction->trigger(); }},
        {"Uncolour All", [&] { w.uncolourAllAction->trigger(); }},
        {"Set All Transparent", [&] { w.allTransparentAction->trigger(); }},
        {"Set All Opaque", [&] { w.allOpaqueAction->trigger(); }},
        {"Set All Enviroment Mapped", [&] { w.allReflectingAction->trigger(); }},
        {"Set All Matt", [&] { w.allMattAction->trigger(); }},
        {"Texture All Non-Wheel Parts", [&] { textureAll(w.textureNonWheelAction, 0); }},
        {"Texture All Wheel Parts", [&] { textureAll(w.textureWheelAction, 1); }},
        {"Untexture All Parts", [&] { w.untextureAllAction->trigger(); }},
        {"Toggle Wireframe", [&] { w.wireframeAction->trigger(); }},
        {"Background Colour",
         [&] {
             colours.answers.push_back(0x203040);
             w.backgroundColourAction->trigger();
         }},
        {"Backlight Colour",
         [&] {
             colours.answers.push_back(0x405060);
             w.backlightColourAction->trigger();
         }},
        {"Rename Texture", [&] { fixtures::editItemText(*textures().textureList, 1, "Rims"); }},
    };
    textures().showModeless();
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name.toStdString());
        const std::string before = appearance();
        const int steps = w.history().stack().count();
        command();
        const std::string after = appearance();
        ASSERT_NE(after, before);
        EXPECT_EQ(w.history().stack().count(), steps + 1);
        EXPECT_EQ(w.undoAction->text().toStdString(), "Undo " + name.toStdString());
        w.undoAction->trigger();
        EXPECT_EQ(appearance(), before);
        EXPECT_EQ(w.redoAction->text().toStdString(), "Redo " + name.toStdString());
        w.redoAction->trigger();
        EXPECT_EQ(appearance(), after);
    }
    // The windows show what was put back: the list of textures, the box's
    // items, the wireframe button.
    w.undoAction->trigger();
    EXPECT_EQ(textures().textureList->item(1)->text().toStdString(), "rims.tga");
    EXPECT_EQ(panel().textureBox->itemText(2).toStdString(), "rims.tga");
    w.undoAction->trigger();
    w.undoAction->trigger();
    w.undoAction->trigger();
    EXPECT_EQ(w.wireframeAction->isChecked(), state().view.Wireframe);
    EXPECT_FALSE(state().view.Wireframe);
}

TEST_F(LookWindowTest, ARemovedTexturesPictureStaysLoadedWhileAnUndoCanBringItBack) {
    openSmallModel();
    state().partList.Parts[0].TextureIndex = 2;
    window->history().rebase();
    const uint32_t rims = state().textureLibrary[1].TextureObject;
    const auto loaded = [&] {
        GLboolean there = GL_FALSE;
        window->view3d()->withContext([&] { there = glIsTexture(rims); });
        return there == GL_TRUE;
    };
    const std::string before = appearance();
    textures().showModeless();
    textures().textureList->setCurrentRow(1);
    textures().removeButton->click();
    EXPECT_EQ(window->undoAction->text().toStdString(), "Undo Remove Texture");
    ASSERT_EQ(state().textureLibrary.size(), 1u);
    EXPECT_EQ(state().partList.Parts[0].TextureIndex, 0);
    EXPECT_TRUE(loaded());
    window->undoAction->trigger();
    EXPECT_EQ(appearance(), before);
    EXPECT_EQ(textures().textureList->count(), 2);
    window->redoAction->trigger();
    EXPECT_EQ(state().textureLibrary.size(), 1u);
    // Closing the model ends the history: the picture goes with it.
    window->closeModelCommand();
    EXPECT_FALSE(window->undoAction->isEnabled());
    EXPECT_FALSE(loaded());
}

TEST_F(LookWindowTest, TwoThousandRandomChangesUndoneToTheStartGiveTheStateAfterOpening) {
    openSmallModel();
    window->history().stack().setUndoLimit(0);
    textures().showModeless();
    std::mt19937 random(2026);
    const auto pick = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    MainWindow& w = *window;
    const std::vector<std::function<void()>> commands = {
        [&] { w.treeModel->setData(row(pick(3)), pick(2) ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole); },
        [&] { w.treeModel->setData(row(pick(3)), QString("Part %1").arg(pick(50)), Qt::EditRole); },
        [&] { w.selectPart(pick(3)); },
        [&] {
            colours.answers.push_back(static_cast<uint32_t>(random() & 0xFFFFFF));
            panel().colourButton->click();
        },
        [&] { panel().transparentBox->click(); },
        [&] { panel().reflectionBox->click(); },
        [&] { chooseTextureInBox(pick(panel().textureBox->count())); },
        [&] { panel().useDetailBox->click(); },
        [&] { panel().detailSlider->setValue(pick(101)); },
        [&] { w.rotatingAction->trigger(); },
        [&] { w.wireframeAction->trigger(); },
        [&] { w.hideAllAction->trigger(); },
        [&] { w.showAllAction->trigger(); },
        [&] { w.restoreSettingsAction->trigger(); },
        [&] { w.untextureAllAction->trigger(); },
        [&] {
            for (QAction* bulk : {w.randomColoursAction, w.uncolourAllAction, w.allTransparentAction,
                                  w.allOpaqueAction, w.allReflectingAction, w.allMattAction})
                if (pick(6) == 0) bulk->trigger();
        },
        [&] {
            colours.answers.push_back(static_cast<uint32_t>(random() & 0xFFFFFF));
            (pick(2) ? w.backgroundColourAction : w.backlightColourAction)->trigger();
        },
        [&] {
            QListWidget& list = *textures().textureList;
            if (list.count() > 0) fixtures::editItemText(list, pick(list.count()), QString("T%1").arg(pick(1000)));
        },
        [&] {
            QListWidget& list = *textures().textureList;
            if (list.count() == 0 || pick(4) != 0) return;
            list.setCurrentRow(pick(list.count()));
            textures().removeButton->click();
        },
    };
    const std::string opened = appearance();
    for (int i = 0; i < 2000; ++i) commands[static_cast<std::size_t>(pick(static_cast<int>(commands.size())))]();
    const std::string last = appearance();
    QUndoStack& stack = w.history().stack();
    EXPECT_GT(stack.count(), 1000);
    while (stack.canUndo()) w.undoAction->trigger();
    EXPECT_EQ(appearance(), opened);
    while (stack.canRedo()) w.redoAction->trigger();
    EXPECT_EQ(appearance(), last);
}

TEST_F(LookWindowTest, ABadLookIsRefusedWithOneBoxNamingTheFaultAndChangesNothing) {
    openSmallModel();
    state().partList.Parts[1].TextureIndex = 2;
    const std::filesystem::path good = folder.modelFolder() / "good.kvlook";
    ASSERT_FALSE(writeLookFile(lookOf(state(), window->frameControls()), good));
    const QJsonObject look = QJsonDocument::fromJson(readBytes(good)).object();
    // The look with `change` made to it.
    const auto changed = [&](const std::function<void(QJsonObject&)>& change) {
        QJsonObject json = look;
        change(json);
        return QJsonDocument(json).toJson().toStdString();
    };
    const auto inPart = [](int part, const char* key, QJsonValue value) {
        return [=](QJsonObject& json) {
            QJsonArray parts = json["parts"].toArray();
            QJsonObject changedPart = parts[part].toObject();
            changedPart[key] = value;
            parts[part] = changedPart;
            json["parts"] = parts;
        };
    };
    const std::vector<std::pair<std::string, std::string>> table = {
        {"{ \"format\": ", "bad.kvlook: not a look file: unterminated object at byte 12"},
        {"[1, 2, 3]", "bad.kvlook: not a look file: it holds no JSON object"},
        {changed([](QJsonObject& json) { json["format"] = "korvex-scene"; }),
         "bad.kvlook: not a look file: its format is not \"korvex-look\""},
        {changed([](QJsonObject& json) { json["version"] = 2; }),
         "bad.kvlook: made by a newer version of this program (look version 2; this one reads version 1)"},
        {changed(inPart(1, "shown", "yes")), "bad.kvlook: part 1: shown must be true or false"},
        {changed(inPart(2, "colour", QJsonArray{0, 0, 300})),
         "bad.kvlook: part 2: colour must be three numbers from 0 to 255"},
        {changed(inPart(0, "texture", 2)),
         "bad.kvlook: part 0: texture must be null or a number of the texture list, from 0 to 1"},
        {changed([](QJsonObject& json) {
             QJsonObject scene = json["scene"].toObject();
             scene["detailLevel"] = 100.5;
             json["scene"] = scene;
         }),
         "bad.kvlook: scene: detailLevel must be a whole number from 0 to 100"},
        {changed([](QJsonObject& json) {
             QJsonArray parts = json["parts"].toArray();
             QJsonObject extra = parts[0].toObject();
             extra["symbol"] = "SPOILERShape";
             parts.append(extra);
             json["parts"] = parts;
         }),
         "bad.kvlook: part 3: the model has no part named SPOILERShape"},
    };
    const std::filesystem::path bad = folder.modelFolder() / "bad.kvlook";
    const std::string before = appearance();
    const std::vector<std::string> logBefore = log();
    const auto expectRefused = [&](const std::string& fault) {
        const long shown = boxes();
        window->openLookFile(bad);
        ASSERT_EQ(boxes(), shown + 1);
        EXPECT_EQ(prompts.shown.back().text, fault);
        EXPECT_EQ(appearance(), before);
        EXPECT_EQ(log(), logBefore);
        EXPECT_EQ(state().ModelPath, folder.model());
    };
    for (const auto& [text, fault] : table) {
        fixtures::writeText(bad, text);
        expectRefused(fault);
    }
    // A hundred megabytes is not read at all.
    fixtures::writeText(bad, "");
    std::filesystem::resize_file(bad, 100u << 20);
    expectRefused("bad.kvlook: too large for a look (100 MB; a look is at most 16 MB)");
}

TEST_F(LookWindowTest, ALookSavedOpensInANewWindowAfterItsFolderMovedAndWithoutAVanishedPicture) {
    openSmallModel();
    MainWindow& w = *window;
    w.treeModel->setData(row(0), "Nose", Qt::EditRole);
    w.treeModel->setData(row(2), Qt::Unchecked, Qt::CheckStateRole);
    w.randomColoursAction->trigger();
    w.allReflectingAction->trigger();
    textureAll(w.textureWheelAction, 1);
    chooseTextureInBox(1);
    panel().detailSlider->setValue(45);
    w.wireframeAction->trigger();
    colours.answers.push_back(0x102030);
    w.backgroundColourAction->trigger();
    fixtures::editItemText(*textures().textureList, 0, "Body skin");
    state().view.RotationY = 123.0f;
    prompts.fileAnswers.push_back(folder.modelFolder() / "red");
    w.saveLookAction->trigger();
    const std::filesystem::path saved = folder.modelFolder() / "red.kvlook";
    ASSERT_TRUE(std::filesystem::exists(saved));
    window.reset();

    // The cars' folder moves as a whole: the look finds the model and the
    // pictures beside it.
    const std::filesystem::path moved = folder.cars().parent_path() / "moved";
    std::filesystem::rename(folder.cars(), moved);
    const std::filesystem::path modelFolder = moved / folder.modelFolder().lexically_relative(folder.cars());
    SetUp();
    ASSERT_TRUE(fixtures::dropFiles(*window, {QUrl::fromLocalFile(toQPath(modelFolder / "red.kvlook"))}));
    QTRY_VERIFY(state().ModelLoaded);
    EXPECT_EQ(boxes(), 0);
    EXPECT_EQ(state().ModelPath, modelFolder / "car.o");
    EXPECT_EQ(state().textureLibrary[0].SourcePath, modelFolder / "skin.tga");
    EXPECT_EQ(state().view.RotationY, 123.0f);
    EXPECT_TRUE(window->wireframeAction->isChecked());
    EXPECT_EQ(panel().detailSlider->value(), 45);
    EXPECT_FALSE(window->undoAction->isEnabled());
    const Look reopened = lookOf(state(), window->frameControls());
    const Look original = *readLookFile(modelFolder / "red.kvlook").look;
    EXPECT_EQ(reopened.setup.Parts, original.setup.Parts);
    EXPECT_EQ(reopened.Textures.size(), 2u);
    window.reset();

    // A picture gone: one box names it, and everything else is as saved.
    std::filesystem::remove(modelFolder / "rims.tga");
    prompts.shown.clear();
    SetUp();
    window->openFile(modelFolder / "red.kvlook");
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(prompts.shown.back().text,
              "These pictures of the look could not be loaded; the parts that used them have no texture:\nrims.tga (" +
                  (modelFolder / "rims.tga").string() + ")");
    ASSERT_EQ(state().textureLibrary.size(), 1u);
    std::vector<PartSetup> withoutRims = original.setup.Parts;
    for (PartSetup& part : withoutRims)
        if (part.TextureIndex == 2) part.TextureIndex = 0;
    EXPECT_EQ(lookOf(state(), window->frameControls()).setup.Parts, withoutRims);
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<korvex::KorvexApplication>(argc, argv);
}
