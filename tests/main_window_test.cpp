// Drives the real main window under an X server, with scripted dialogs.

#include "app/main_window.h"
#include "app/korvex_application.h"
#include "app/qt_prompts.h"
#include "model/recording_io.h"
#include "render/view_widget.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/recording_gl.h"
#include "tests/support/scripted_colours.h"
#include "tests/support/test_model.h"
#include "tests/support/window_checks.h"
#include "textures/texture_library.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

using namespace korvex;
using Lines = std::vector<std::string>;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;

using fixtures::expectCaptionsAndControlsFit;
using fixtures::ScriptedColours;
using fixtures::titleOfBoxShownBy;
using fixtures::x11Title;

class MainWindowTest : public fixtures::MainWindowFixture {
protected:
    QTreeView& tree() { return *window->partTree; }
    PartTreeModel& model() { return *window->treeModel; }
    PartOptionsPanel& panel() { return *window->optionsPanel; }
    ProgramState& state() { return window->state(); }

    QModelIndex part(int row, int column = 0) { return model().index(row, column, model().rootIndex()); }
    QString text(const QModelIndex& index) { return model().data(index, Qt::DisplayRole).toString(); }
    QVariant check(const QModelIndex& index) { return model().data(index, Qt::CheckStateRole); }

    // The open command's tool button, with `path` chosen in its file dialog.
    void openThroughToolButton(const std::filesystem::path& path) {
        prompts.fileAnswers.push_back(path);
        window->openAction->trigger();
    }
    void select(const QModelIndex& index) {
        tree().selectionModel()->setCurrentIndex(index,
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    void key(QWidget* target, int keyCode, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, static_cast<Qt::Key>(keyCode), modifiers);
    }
    void closeEnabledIs(bool enabled) {
        EXPECT_EQ(window->closeAction->isEnabled(), enabled);
        EXPECT_EQ(window->closeMenuAction->isEnabled(), enabled);
    }
};

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget* bar, QPoint from, QPoint to) {
    sendMouse(bar, QEvent::MouseButtonPress, from);
    sendMouse(bar, QEvent::MouseMove, to);
    sendMouse(bar, QEvent::MouseButtonRelease, to);
}

}  // namespace

TEST_F(MainWindowTest, StartsEmptyWithTheDesignedWindow) {
    EXPECT_EQ(window->windowTitle(), "Korvex Model Viewer");
    EXPECT_EQ(window->width(), 693);
    EXPECT_EQ(window->height() - window->menuBar()->height(), 566);
    EXPECT_EQ(window->font().families().value(0), "MS Sans Serif");
    EXPECT_EQ(window->font().pointSize(), 8);
    EXPECT_EQ(window->toolBarStrip->height(), 33);
    EXPECT_EQ(window->statusBar()->height(), 16);
    EXPECT_EQ(window->leftPane->width(), 233);
    EXPECT_EQ(window->paneSplitter->y(), 288);
    EXPECT_EQ(window->view->x(), 233);
    ASSERT_NE(window->view3d(), nullptr);
    const QImage view = window->view3d()->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(view.size(), window->view->size());
    EXPECT_EQ(view.pixelColor(view.width() / 2, view.height() / 2), QColor(Qt::black));
    EXPECT_TRUE(prompts.shown.empty()) << "the reflection picture is found";

    EXPECT_EQ(log(), Lines{"No File Loaded."});
    EXPECT_EQ(model().rowCount(), 1);
    EXPECT_EQ(text(model().rootIndex()), "No File Loaded");
    EXPECT_EQ(text(model().index(0, 1)), "");
    EXPECT_FALSE(check(model().rootIndex()).isValid());
    EXPECT_EQ(model().rowCount(model().rootIndex()), 0);
    EXPECT_EQ(model().headerData(0, Qt::Horizontal, Qt::DisplayRole), "Name");
    EXPECT_EQ(model().headerData(1, Qt::Horizontal, Qt::DisplayRole), "Vertex Count");
    // The two columns fill the tree, the counts' heading shown whole.
    const QHeaderView& header = *tree().header();
    EXPECT_EQ(header.sectionSize(0) + header.sectionSize(1), tree().viewport()->width());
    EXPECT_GE(header.sectionSize(1), header.fontMetrics().horizontalAdvance("Vertex Count"));
    closeEnabledIs(false);

    EXPECT_EQ(window->tabBar->tabText(0), "Log");
    EXPECT_EQ(window->tabBar->tabText(1), "Geomerty Part Options");
    EXPECT_EQ(window->tabBar->currentIndex(), 0);
    EXPECT_TRUE(window->logView->isVisible());
    EXPECT_FALSE(panel().isVisible());
    EXPECT_TRUE(window->logView->isReadOnly());
}

TEST_F(MainWindowTest, ToolBarAndMenusCarryTheirCaptionsHintsAndShortCuts) {
    struct Item {
        QAction* action;
        const char* caption;
        const char* hint;  // nullptr: not checked
        QKeySequence shortcut;
    };
    const Item items[] = {
        {window->openAction, "Open", "Open a file", {}},
        {window->closeAction, "Delete", "Close current file.", {}},
        {window->texturesAction, "", "Manage Textures", {}},
        {window->hideAllAction, "", "Hide All Parts", {}},
        {window->showAllAction, "", "Show All Parts", {}},
        {window->restoreSettingsAction, "", "Reset the visual options to those loaded from geomdata.ini", {}},
        {window->wireframeAction, "Wireframe", "Toggle Wireframe", {}},
        {window->openMenuAction, "&Open", nullptr, QKeySequence("Ctrl+O")},
        {window->closeMenuAction, "C&lose", nullptr, QKeySequence("Ctrl+L")},
        {window->reloadAction, "&Reload", nullptr, QKeySequence("F5")},
        {window->reloadChangedAction, "Reload Changed Files", nullptr, {}},
        {window->texturesMenuAction, "Manage Textures", nullptr, {}},
        {window->exitAction, "&Exit", nullptr, {}},
        {window->rotatingAction, "Rotating", nullptr, {}},
        {window->showAllMenuAction, "Show All Parts", nullptr, {}},
        {window->hideAllMenuAction, "Hide All Parts", nullptr, {}},
        {window->untextureAllAction, "Untexture All Parts", nullptr, {}},
        {window->textureNonWheelAction, "Texture All Non-Wheel Parts...", nullptr, {}},
        {window->textureWheelAction, "Texture All Wheel Parts...", nullptr, {}},
        {window->uncolourAllAction, "Uncolour All", nullptr, {}},
        {window->randomColoursAction, "Random Part Colours", nullptr, {}},
        {window->allTransparentAction, "Set All Transparent", nullptr, {}},
        {window->allOpaqueAction, "Set All Opaque", nullptr, {}},
        {window->allReflectingAction, "Set All Enviroment Mapped", nullptr, {}},
        {window->allMattAction, "Set All Matt", nullptr, {}},
        {window->restoreSettingsMenuAction, "Restore File Settings", nullptr, {}},
        {window->backgroundColourAction, "Background Colour...", nullptr, {}},
        {window->backlightColourAction, "Backlight Colour...", nullptr, {}},
        {window->helpAction, "How to use this program...", nullptr, {}},
        {window->aboutAction, "&About", nullptr, {}},
    };
    for (const Item& item : items) {
        EXPECT_EQ(item.action->text(), item.caption);
        if (item.hint) {
            EXPECT_EQ(item.action->toolTip(), item.hint);
        }
        EXPECT_EQ(item.action->shortcut(), item.shortcut) << item.caption;
        EXPECT_EQ(item.action->isEnabled(),
                  item.action != window->closeAction && item.action != window->closeMenuAction)
            << item.caption;
    }
    EXPECT_TRUE(window->rotatingAction->isCheckable());
    EXPECT_TRUE(window->rotatingAction->isChecked());
    window->rotatingAction->trigger();
    EXPECT_FALSE(window->rotatingAction->isChecked());

    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Options", "&View", "&Help"}));
    QStringList fileMenu;
    for (QAction* item : window->fileMenu->actions()) fileMenu << (item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(fileMenu, (QStringList{"&Open", "Open Loo&k...", "C&lose", "&Reload", "Open Re&cent", "-",
                                     "&Save Look...", "Ex&port...", "Export &UV Layout...", "-", "Save View As &Picture",
                                     "Save P&icture...", "Save Standard &Views...", "Export &Turntable...", "-",
                                     "Manage Textures", "-", "&Exit"}));
    EXPECT_EQ(window->saveViewAction->shortcut(), QKeySequence(Qt::Key_F12));
    EXPECT_EQ(window->savePictureAction->shortcut(), QKeySequence("Shift+F12"));
    EXPECT_EQ(window->saveLookAction->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_FALSE(window->saveLookAction->isEnabled());
    QStringList editMenu;
    for (QAction* item : window->editMenu->actions()) editMenu << item->text();
    // "Rotating" was turned off above.
    EXPECT_EQ(editMenu, (QStringList{"Undo Rotating", "Redo"}));
    EXPECT_EQ(window->undoAction->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(window->redoAction->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_EQ(window->optionsMenu->actions().size(), 22);
    EXPECT_TRUE(window->reloadChangedAction->isChecked());
    // Nothing opened yet: the recent list has only its (greyed) "Clear List".
    EXPECT_FALSE(window->clearRecentAction->isEnabled());
    for (QAction* button : window->toolBar->actions())
        if (!button->isSeparator() && !button->icon().isNull()) {
            EXPECT_EQ(window->toolBar->widgetForAction(button)->size(), QSize(25, 25));
        }
}

TEST_F(MainWindowTest, OpensTheSampleCarThroughTheToolButtonAndClosesIt) {
    openThroughToolButton(SampleCar);
    ASSERT_EQ(prompts.shown.size(), 1u);  // the file dialog only: the settings file is beside the model
    const Lines opened = log();
    EXPECT_EQ(opened.front(), "Opening " + SampleCar.string());
    EXPECT_NE(std::find(opened.begin(), opened.end(), "Loaded 23 parts successfully."), opened.end());
    EXPECT_EQ(opened.back(), "numpart=23");
    closeEnabledIs(true);

    ASSERT_EQ(model().rowCount(model().rootIndex()), 23);
    EXPECT_EQ(text(model().rootIndex()), "car.o");
    EXPECT_TRUE(tree().isExpanded(model().rootIndex()));
    EXPECT_EQ(text(part(0)), "Front");
    EXPECT_EQ(text(part(0, 1)), "967") << "the front's vertices, all of them";
    for (int row = 0; row < 23; ++row) {
        const auto& vertices = state().partList.PartVertices[static_cast<std::size_t>(row)];
        EXPECT_EQ(text(part(row, 1)), QString::number(vertices.size()));
        EXPECT_EQ(check(part(row)), Qt::Checked);
        EXPECT_TRUE(model().flags(part(row)) & Qt::ItemIsUserCheckable);
    }

    window->closeAction->trigger();
    EXPECT_EQ(log().back(), "Data unloaded.");
    EXPECT_EQ(log().size(), opened.size() + 1);
    EXPECT_EQ(text(model().rootIndex()), "No File Loaded");
    EXPECT_EQ(model().rowCount(model().rootIndex()), 0);
    closeEnabledIs(false);

    // Ctrl+L with nothing open does nothing.
    key(window.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(log().size(), opened.size() + 1);
}

TEST_F(MainWindowTest, CtrlOClosesTheModelBeforeAskingAndCancellingLeavesNoneLoaded) {
    openThroughToolButton(SampleCar);
    key(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown.back().kind, ShownBox::Kind::FileRequest);
    EXPECT_EQ(prompts.shown.back().text, "O files (*.o)|*.o|All Files (*.*)|*.*");
    EXPECT_EQ(log().back(), "Data unloaded.");
    EXPECT_FALSE(state().ModelLoaded);
    EXPECT_EQ(text(model().rootIndex()), "No File Loaded");
    closeEnabledIs(false);
}

TEST_F(MainWindowTest, CheckBoxesAndHideShowAllFollowPartVisible) {
    openThroughToolButton(SampleCar);
    // Space on the current node toggles its check box, as a click on it does.
    select(part(2));
    tree().setFocus();
    key(&tree(), Qt::Key_Space);
    EXPECT_EQ(state().partList.PartVisible[2], 0);
    EXPECT_EQ(check(part(2)), Qt::Unchecked);
    key(&tree(), Qt::Key_Space);
    EXPECT_EQ(state().partList.PartVisible[2], 1);

    window->hideAllAction->trigger();
    for (int row = 0; row < 23; ++row) {
        EXPECT_EQ(state().partList.PartVisible[static_cast<std::size_t>(row)], 0);
        EXPECT_EQ(check(part(row)), Qt::Unchecked);
    }
    window->showAllMenuAction->trigger();
    for (int row = 0; row < 23; ++row) EXPECT_EQ(check(part(row)), Qt::Checked);
    EXPECT_EQ(state().partList.PartVisible, std::vector<uint8_t>(23, 1));

    // With nothing loaded both commands leave everything alone.
    window->closeAction->trigger();
    window->hideAllMenuAction->trigger();
    EXPECT_TRUE(state().partList.PartVisible.empty());
}

TEST_F(MainWindowTest, RenamesPartsInPlaceAndRestoresTheFileNames) {
    openThroughToolButton(SampleCar);
    tree().setFocus();
    const auto renameTo = [&](int row, const QString& name, int finishKey) {
        select(part(row));
        key(&tree(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(tree().indexWidget(part(row)));
        if (editor == nullptr) return false;
        editor->setText(name);
        key(editor, finishKey);
        QApplication::processEvents();  // the editor hands its text over from the event loop
        return true;
    };
    const QString longName(300, 'n');
    ASSERT_TRUE(renameTo(0, longName, Qt::Key_Return));
    EXPECT_EQ(text(part(0)), longName);
    EXPECT_EQ(state().partList.Parts[0].Name, std::string(255, 'n'));

    ASSERT_TRUE(renameTo(1, "Never", Qt::Key_Escape));
    EXPECT_EQ(text(part(1)), "Rear");
    EXPECT_EQ(state().partList.Parts[1].Name, "Rear");

    // An empty name, or blanks only, would leave a blank row: the old name stays.
    for (const QString& blank : {QString(), QString("   ")}) {
        ASSERT_TRUE(renameTo(2, blank, Qt::Key_Return));
        EXPECT_EQ(text(part(2)), "Hood");
        EXPECT_EQ(state().partList.Parts[2].Name, "Hood");
    }

    // Moving the focus away accepts the edit.
    select(part(3));
    key(&tree(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(tree().indexWidget(part(3)));
    ASSERT_NE(editor, nullptr);
    editor->setText("Boot lid");
    window->logView->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(state().partList.Parts[3].Name, "Boot lid");

    // The file node and the vertex counts never enter editing.
    EXPECT_FALSE(model().flags(model().rootIndex()) & Qt::ItemIsEditable);
    EXPECT_FALSE(model().flags(part(0, 1)) & Qt::ItemIsEditable);
    select(model().rootIndex());
    tree().setFocus();
    key(&tree(), Qt::Key_F2);
    EXPECT_EQ(tree().indexWidget(model().rootIndex()), nullptr);

    window->restoreSettingsMenuAction->trigger();
    EXPECT_EQ(text(part(0)), "Front");
    EXPECT_EQ(state().partList.Parts[0].Name, "Front");
    EXPECT_EQ(state().partList.Parts[3].Name, "Trunk");
}

TEST_F(MainWindowTest, OptionsPanelEditsTheSelectedPart) {
    PartOptionsPanel& options = panel();
    const auto groupEnabled = [&] {
        return options.colourButton->isEnabled() && options.transparentBox->isEnabled() &&
               options.reflectionBox->isEnabled() && options.textureBox->isEnabled();
    };
    const auto groupDisabled = [&] {
        return !options.colourButton->isEnabled() && !options.transparentBox->isEnabled() &&
               !options.reflectionBox->isEnabled() && !options.textureBox->isEnabled();
    };
    EXPECT_EQ(options.partGroup->title(), "No Geometry Selected");
    EXPECT_TRUE(groupDisabled());
    EXPECT_EQ(options.colourSwatch->fill(), QColor(180, 180, 180));
    EXPECT_EQ(options.textureBox->currentText(), "No Texture");
    EXPECT_EQ(options.transparentBox->text(), "Transparent");
    EXPECT_EQ(options.reflectionBox->text(), "Enviroment Map");
    EXPECT_EQ(options.useDetailBox->text(), "Use Level of Detail");
    EXPECT_EQ(options.detailGroup->title(), "Level Of Detail");
    EXPECT_EQ(options.colourLabel->text(), "Colour:");
    EXPECT_EQ(options.textureLabel->text(), "Texture:");
    EXPECT_EQ(options.detailLabel->text(), "100%");
    // The level of detail works with nothing selected.
    EXPECT_TRUE(options.detailSlider->isEnabled() && options.useDetailBox->isEnabled());
    options.detailSlider->setValue(55);
    EXPECT_EQ(options.detailLabel->text(), "55%");

    window->tabBar->setCurrentIndex(1);
    EXPECT_TRUE(options.isVisible());
    EXPECT_FALSE(window->logView->isVisible());
    // In the middle of the room below the tab bar, which it does not reach into.
    const QWidget& room = *options.parentWidget();
    EXPECT_EQ(options.width(), std::min(217, std::max(room.width(), options.childrenRect().right() + 1)));
    EXPECT_EQ(options.x(), std::max(0, room.width() / 2 - options.width() / 2));
    EXPECT_EQ(options.y(), std::max(0, room.height() / 2 - options.height() / 2));
    EXPECT_GE(room.mapTo(window->tabs, QPoint(0, 0)).y(), window->tabBar->geometry().bottom());

    openThroughToolButton(SampleCar);
    select(part(9));  // a window: transparent, not reflective
    EXPECT_EQ(options.partGroup->title(), "Options for Window (Front)");
    EXPECT_TRUE(groupEnabled());
    EXPECT_TRUE(options.transparentBox->isChecked());
    EXPECT_FALSE(options.reflectionBox->isChecked());
    EXPECT_EQ(options.colourSwatch->fill(), QColor(178, 178, 178));  // 0.7 grey, 178.5 to even

    options.reflectionBox->click();
    EXPECT_EQ(state().partList.Parts[9].EnvironmentMapped, 1);
    options.transparentBox->click();
    EXPECT_EQ(state().partList.Parts[9].Transparent, 0);

    colours.answers = {0x0000FF, std::nullopt};
    options.colourButton->click();
    EXPECT_EQ(state().partList.Parts[9].Colour[0], 1.0f);
    EXPECT_EQ(state().partList.Parts[9].Colour[1], 0.0f);
    EXPECT_EQ(state().partList.Parts[9].Colour[2], 0.0f);
    options.colourButton->click();  // cancelled: nothing changes
    EXPECT_EQ(state().partList.Parts[9].Colour[0], 1.0f);
    EXPECT_EQ(colours.asked, 2);

    select(part(0));
    EXPECT_EQ(options.partGroup->title(), "Options for Front");
    select(part(9));
    EXPECT_EQ(options.colourSwatch->fill(), QColor(255, 0, 0));

    // Selecting the file node, or nothing, disables the part's controls.
    select(model().rootIndex());
    EXPECT_EQ(state().SelectedPart, -1);
    EXPECT_EQ(options.partGroup->title(), "No Geometry Selected");
    EXPECT_TRUE(groupDisabled());
    select(part(4));
    tree().selectionModel()->clearSelection();
    EXPECT_TRUE(groupDisabled());

    // Opening over the open model rebuilds the tree: nothing stays selected.
    select(part(4));
    openThroughToolButton(SampleCar);
    EXPECT_EQ(state().SelectedPart, -1);
    EXPECT_TRUE(groupDisabled());
    EXPECT_TRUE(tree().selectionModel()->selectedRows().isEmpty());
}

TEST_F(MainWindowTest, TheTextureBoxListsTheLibraryThroughModelsOpenedAndClosed) {
    QComboBox& box = *panel().textureBox;
    const auto items = [&] {
        QStringList texts;
        for (int i = 0; i < box.count(); ++i) texts << box.itemText(i);
        return texts;
    };
    EXPECT_EQ(items(), QStringList{"No Texture"});
    EXPECT_EQ(box.currentIndex(), 0);

    TextureLibrary& library = state().textureLibrary;
    for (const char* name : {"paint.jpg", "rubber.tga", "caf\xc3\xa9.bmp"})
        appendTexture(library, MakeUniqueTextureName(library, name), static_cast<uint32_t>(library.size() + 1));
    appendTexture(library, MakeUniqueTextureName(library, "paint.jpg"), 4);
    RefreshTextureCombo(library, window->textureCombo());
    EXPECT_EQ(items(), (QStringList{"No Texture", "paint.jpg", "rubber.tga", "caf\u00e9.bmp", "Another paint.jpg"}));
    EXPECT_EQ(box.currentIndex(), -1);

    // A part shows its own texture when it is selected; closing and opening
    // models keeps the library and the box as they are.
    openThroughToolButton(SampleCar);
    state().partList.Parts[2].TextureIndex = 4;
    select(part(2));
    EXPECT_EQ(box.currentText(), "Another paint.jpg");
    window->closeAction->trigger();
    openThroughToolButton(SampleCar);
    EXPECT_EQ(library.size(), 4u);
    EXPECT_EQ(items().size(), 5);
    select(part(0));
    EXPECT_EQ(box.currentText(), "No Texture");

    fixtures::RecordingGl gl;
    state().partList.Parts[1].TextureIndex = 3;
    RemoveTextureEntry(state(), 1, gl, window->textureCombo());
    EXPECT_EQ(items(), (QStringList{"No Texture", "paint.jpg", "caf\u00e9.bmp", "Another paint.jpg"}));
    EXPECT_EQ(state().partList.Parts[1].TextureIndex, 2);
}

TEST_F(MainWindowTest, TheXServerHoldsEveryCaptionAsGiven) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(x11Title(*window), "Korvex Model Viewer");
    QtPrompts shown(window.get());
    EXPECT_EQ(titleOfBoxShownBy([&] { shown.message("Finding Geomdata.ini", "Not found.", BoxIcon::Information); }),
              "Finding Geomdata.ini");
    EXPECT_EQ(titleOfBoxShownBy([&] { shown.askYesNo("Error", "Go on?", BoxIcon::Error); }), "Error");
    QtPrompts unowned;
    EXPECT_EQ(titleOfBoxShownBy([&] { unowned.message("BMP Unit", "Done.", BoxIcon::None); }), "BMP Unit");
}

TEST_F(MainWindowTest, OptionsPanelCaptionsFitWhicheverFaceIsFound) {
    const QFontInfo face(panel().partGroup->font());
    SCOPED_TRACE("drawn in " + face.family().toStdString() + " at " + std::to_string(face.pixelSize()) + " px");
    window->tabBar->setCurrentIndex(1);
    openThroughToolButton(SampleCar);
    select(part(9));
    ASSERT_TRUE(panel().isVisible());
    ASSERT_EQ(panel().partGroup->title(), "Options for Window (Front)");
    expectCaptionsAndControlsFit(panel());
    select(model().rootIndex());
    ASSERT_EQ(panel().partGroup->title(), "No Geometry Selected");
    expectCaptionsAndControlsFit(panel());

    // The designed places stay, whatever the face.
    EXPECT_EQ(panel().reflectionBox->pos(), QPoint(104, 42));
    EXPECT_EQ(panel().partGroup->geometry(), QRect(3, 6, 209, 107));
    // The slider and its value keep inside the frame, clear of its title and edges.
    const QGroupBox& detail = *panel().detailGroup;
    EXPECT_GE(panel().detailSlider->y(), detail.contentsRect().top());
    EXPECT_LE(panel().detailLabel->x() + panel().detailLabel->fontMetrics().horizontalAdvance("100%"),
              detail.width() - 6);
    EXPECT_LE(panel().useDetailBox->geometry().bottom(), detail.height() - 3);
    EXPECT_LE(detail.geometry().bottom(), panel().height());

    // The tabs are drawn at their full width, nothing elided, when the bar holds them all.
    QTabBar& tabs = *window->tabBar;
    EXPECT_TRUE(window->tabs->rect().contains(tabs.geometry()));
    EXPECT_LE(tabs.sizeHint().width(), tabs.width());
    for (int tab = 0; tab < tabs.count(); ++tab)
        EXPECT_TRUE(tabs.rect().contains(tabs.tabRect(tab))) << tabs.tabText(tab).toStdString();
}

TEST_F(MainWindowTest, BulkCommandsChangeEveryPartAndThePanelShowsIt) {
    openThroughToolButton(SampleCar);
    select(part(0));
    window->uncolourAllAction->trigger();
    for (const auto& part : state().partList.Parts) EXPECT_EQ(part.Colour[1], 1.0f);
    EXPECT_EQ(panel().colourSwatch->fill(), QColor(Qt::white));

    window->randomColoursAction->trigger();
    std::set<float> reds;
    for (const auto& part : state().partList.Parts) {
        EXPECT_LT(part.Colour[0], 1.0f);
        reds.insert(part.Colour[0]);
    }
    EXPECT_GT(reds.size(), 20u);
    select(part(1));
    const auto& second = state().partList.Parts[1];
    EXPECT_EQ(panel().colourSwatch->fill().red(), std::lround(second.Colour[0] * 255.0f));

    window->allTransparentAction->trigger();
    window->allReflectingAction->trigger();
    for (const auto& part : state().partList.Parts) EXPECT_EQ(part.Transparent + part.EnvironmentMapped, 2);
    EXPECT_TRUE(panel().transparentBox->isChecked() && panel().reflectionBox->isChecked());
    window->allOpaqueAction->trigger();
    window->allMattAction->trigger();
    EXPECT_FALSE(panel().transparentBox->isChecked() || panel().reflectionBox->isChecked());
    for (const auto& part : state().partList.Parts) EXPECT_EQ(part.Transparent + part.EnvironmentMapped, 0);
}

TEST_F(MainWindowTest, DragBarsKeepTheirLimitsAndTheLayoutFollows) {
    QWidget* widthSplitter = window->widthSplitter;
    const int top = widthSplitter->y();
    drag(widthSplitter, QPoint(3, 10), QPoint(3 - 500, 10));
    EXPECT_EQ(widthSplitter->x(), 106);
    EXPECT_EQ(window->leftPane->width(), 112);
    EXPECT_EQ(widthSplitter->y(), top);
    EXPECT_EQ(window->view->x(), 112);
    EXPECT_EQ(window->partTree->width(), 104);
    EXPECT_FALSE(state().view.Dragging);

    drag(widthSplitter, QPoint(3, 10), QPoint(3 + 150, 10));
    EXPECT_EQ(window->leftPane->width(), 262);

    QWidget* paneSplitter = window->paneSplitter;
    const int paneHeight = window->leftPane->height();
    drag(paneSplitter, QPoint(20, 2), QPoint(20, 2 - 288 + 4));  // to 4: too close to the top
    EXPECT_EQ(paneSplitter->y(), 288);
    drag(paneSplitter, QPoint(20, 2), QPoint(20, 2 + (paneHeight - 64 - 288)));  // within 64 of the bottom
    EXPECT_EQ(paneSplitter->y(), 288);
    drag(paneSplitter, QPoint(20, 2), QPoint(20, 2 - 100));
    EXPECT_EQ(paneSplitter->y(), 188);
    EXPECT_EQ(window->partTree->height(), 186);
    EXPECT_EQ(window->tabs->y(), 188 + 4 + 1);
    EXPECT_EQ(window->tabs->height(), paneHeight - 193);

    // A press on the 3-D view starts a drag too, and a release ends it.
    sendMouse(window->view, QEvent::MouseButtonPress, QPoint(30, 40));
    EXPECT_TRUE(state().view.Dragging);
    EXPECT_EQ(state().view.LastMouseX, 30);
    EXPECT_EQ(state().view.LastMouseY, 40);
    sendMouse(paneSplitter, QEvent::MouseButtonRelease, QPoint(0, 0));
    EXPECT_FALSE(state().view.Dragging);

    // The window does not shrink past a usable size; the bar keeps its share
    // of the pane's height, and the view keeps room beside the pane.
    const QSize designed = window->size();
    const auto resized = [&](QSize size) {
        window->resize(size);
        // A top-level window takes its new size when the X server confirms it.
        return QTest::qWaitFor([&] { return window->size() == size.expandedTo(window->minimumSize()); });
    };
    ASSERT_TRUE(resized({150, 120}));
    QApplication::processEvents();
    EXPECT_GE(window->width(), 480);
    EXPECT_GE(window->height(), 420);
    const int shrunk = window->leftPane->height();
    EXPECT_NEAR(paneSplitter->y(), 188.0 * shrunk / paneHeight, 1.0);
    EXPECT_GT(window->partTree->height(), 100);
    EXPECT_GE(window->view->width(), 160);
    EXPECT_GT(window->view->height(), 200);
    ASSERT_TRUE(resized(designed));
    QApplication::processEvents();
    EXPECT_EQ(paneSplitter->y(), 188);
    EXPECT_EQ(window->partTree->height(), 186);
    EXPECT_EQ(window->leftPane->width(), 262);
}

TEST_F(MainWindowTest, AFailureThatEscapesTheOpenIsShownAndTheProgramGoesOn) {
    fixtures::CarFolder folder;
    fixtures::ModelDescription description;
    description.parts.push_back({"geo_r_1_a", fixtures::quadBlock()});
    description.parts.push_back({"geo_r_left_x", fixtures::quadBlock()});
    fixtures::writeFile(folder.model(), description.build());

    openThroughToolButton(folder.model());
    ASSERT_EQ(prompts.shown.size(), 2u);
    const ShownBox& box = prompts.shown.back();
    EXPECT_EQ(box.caption, "Korvex Model Viewer");
    EXPECT_EQ(box.text, "'left' is not a valid integer value");
    EXPECT_EQ(box.icon, BoxIcon::Error);
    // The tree shows what the load left; no settings file was looked for.
    EXPECT_EQ(text(model().rootIndex()), "car.o");
    EXPECT_EQ(model().rowCount(model().rootIndex()), 1);
    closeEnabledIs(false);

    openThroughToolButton(SampleCar);
    EXPECT_TRUE(state().ModelLoaded);
    EXPECT_EQ(model().rowCount(model().rootIndex()), 23);
}

// A file gone by the time it is opened over a loaded model ends the load
// before the tree is touched: the old nodes stay, but no model is loaded, so
// no part can be selected or edited and there is nothing to close.
TEST_F(MainWindowTest, AnOpenThatFailsOverALoadedModelLeavesNothingSelectedOrToClose) {
    openThroughToolButton(SampleCar);
    select(part(2));
    ASSERT_EQ(state().SelectedPart, 2);
    ASSERT_TRUE(panel().colourButton->isEnabled());

    const fixtures::TempDir dir;
    openThroughToolButton(dir / "gone.o");
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().text,
              "Cannot open file \"" + (dir / "gone.o").string() + "\". No such file or directory");
    EXPECT_FALSE(state().ModelLoaded);
    EXPECT_EQ(model().rowCount(model().rootIndex()), 23);
    EXPECT_EQ(state().SelectedPart, -1);
    EXPECT_TRUE(tree().selectionModel()->selectedRows().isEmpty());
    EXPECT_FALSE(panel().colourButton->isEnabled());
    closeEnabledIs(false);

    select(part(5));
    EXPECT_EQ(state().SelectedPart, -1);
    EXPECT_FALSE(panel().colourButton->isEnabled());

    openThroughToolButton(SampleCar);
    select(part(5));
    EXPECT_EQ(state().SelectedPart, 5);
    EXPECT_TRUE(panel().colourButton->isEnabled());
    closeEnabledIs(true);
}

TEST_F(MainWindowTest, ExitEndsTheEventLoopWithStatusOne) {
    QTimer::singleShot(0, window.get(), [this] { window->exitAction->trigger(); });
    EXPECT_EQ(QApplication::exec(), 1);
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST(KorvexApplication, ShowsAFailureThatReachesTheEventLoop) {
    ScriptedPrompts prompts;
    static_cast<KorvexApplication*>(QApplication::instance())->setErrorPrompts(&prompts);
    QObject target;
    QObject::connect(&target, &QObject::objectNameChanged, [] { throw std::runtime_error("boom"); });
    QTimer::singleShot(0, &target, [&] { target.setObjectName("x"); });
    QTimer::singleShot(10, [] { QApplication::exit(0); });
    EXPECT_EQ(QApplication::exec(), 0);
    static_cast<KorvexApplication*>(QApplication::instance())->setErrorPrompts(nullptr);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Korvex Model Viewer");
    EXPECT_EQ(prompts.shown[0].text, "boom");
}

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
