// The main window in everyday use, where a new user tripped: dialogs that
// start beside the model, a failed open that is hard to miss, colour
// choosers that open on the colour they change, the options tab at the
// smallest window, Fit, an export of what the view shows, and a picture
// that cannot be loaded, through the real dialogs.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "export/model_export.h"
#include "settings/geomdata_file.h"
#include "settings/open_command.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/image_writers.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "tests/support/widget_driving.h"
#include "ui/part_options_panel.h"
#include "ui/part_tree_model.h"
#include "ui/texture_manager_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <tiny_gltf.h>

#include <gtest/gtest.h>

using namespace korvex;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;

class EverydayWindowTest : public fixtures::MainWindowFixture {
protected:
    ProgramState& state() { return window->state(); }
    PartOptionsPanel& panel() { return *window->optionsPanel; }
    QModelIndex part(int row) { return window->treeModel->index(row, 0, window->treeModel->rootIndex()); }
    void select(int row) {
        window->partTree->selectionModel()->setCurrentIndex(
            part(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    std::filesystem::path startFolder(std::string_view filter) const {
        const auto found = prompts.startFolders.find(std::string(filter));
        return found == prompts.startFolders.end() ? std::filesystem::path() : found->second;
    }
    // The sample car copied into a folder of its own, settings file and all.
    std::filesystem::path sampleCarIn(const fixtures::CarFolder& folder) {
        std::filesystem::copy_file(SampleCar, folder.model());
        std::filesystem::copy_file(SampleCar.parent_path() / "geomdata.ini", folder.modelFolder() / "geomdata.ini");
        return folder.model();
    }
};

TEST_F(EverydayWindowTest, DialogsStartBesideTheModelHoweverItWasOpenedAndAFailedOpenSaysSo) {
    fixtures::CarFolder first, second;
    for (const std::string_view filter : {ExportFileFilter, PictureFileFilter})
        EXPECT_EQ(startFolder(filter), std::filesystem::path()) << "nothing opened yet: the working folder";

    // The tool button, then the menu: the export and F12 dialogs follow each.
    prompts.fileAnswers = {sampleCarIn(first)};
    window->openAction->trigger();
    ASSERT_TRUE(state().ModelLoaded);
    for (const std::string_view filter : {ModelFileFilter, ExportFileFilter, PictureFileFilter})
        EXPECT_EQ(startFolder(filter), first.modelFolder()) << filter;
    prompts.fileAnswers = {sampleCarIn(second)};
    window->openMenuAction->trigger();
    ASSERT_TRUE(state().ModelLoaded);
    for (const std::string_view filter : {ExportFileFilter, PictureFileFilter})
        EXPECT_EQ(startFolder(filter), second.modelFolder()) << filter;
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());

    // Cancelled, nothing moves.
    window->openAction->trigger();
    EXPECT_EQ(startFolder(ExportFileFilter), second.modelFolder());

    // A file that is no model: the log comes forward and the status bar says so.
    window->tabBar->setCurrentIndex(1);
    fixtures::TempDir other;
    fixtures::writeText(other / "notes.o", std::string(200, '#') + " these are notes, not a model");
    prompts.fileAnswers = {other / "notes.o"};
    window->openAction->trigger();
    EXPECT_FALSE(state().ModelLoaded);
    EXPECT_EQ(window->tabBar->currentIndex(), 0);
    EXPECT_TRUE(window->logView->isVisible());
    EXPECT_EQ(window->statusBar()->currentMessage(), "notes.o is not a model this program can show; the Log says why.");
    // The settings-file question that follows stays.
    EXPECT_EQ(prompts.shown.back().kind, ShownBox::Kind::FileRequest);
    EXPECT_EQ(prompts.shown.back().text, GeomDataFileFilter);

    // One that cannot be read at all: its box, then the same.
    window->tabBar->setCurrentIndex(1);
    window->openModel(other / "missing.o");
    EXPECT_EQ(window->tabBar->currentIndex(), 0);
    EXPECT_EQ(window->statusBar()->currentMessage(),
              "missing.o is not a model this program can show; the Log says why.");

    // A model that opens clears the note.
    window->openModel(first.model());
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
}

TEST_F(EverydayWindowTest, ColourChoosersOpenOnTheColourTheyChange) {
    window->openModel(SampleCar);
    ASSERT_TRUE(state().ModelLoaded);
    select(3);
    window->tabBar->setCurrentIndex(1);
    GeometryPart& chosen = state().partList.Parts[3];
    chosen.Colour[0] = 1.0f, chosen.Colour[1] = 128.0f / 255.0f, chosen.Colour[2] = 0.0f;
    window->partSelected();
    colours.answers = {0x00FF00u};
    panel().colourButton->click();
    EXPECT_EQ(colours.openedOn, 0x0080FFu) << "the part's orange, as 0x00BBGGRR";
    EXPECT_EQ(chosen.Colour[1], 1.0f);

    // The swatch opens the same chooser, on the colour just chosen.
    const int asked = colours.asked;
    const QPoint middle = panel().colourSwatch->rect().center();
    fixtures::sendMouse(panel().colourSwatch, QEvent::MouseButtonPress, Qt::LeftButton, middle);
    fixtures::sendMouse(panel().colourSwatch, QEvent::MouseButtonRelease, Qt::LeftButton, middle);
    EXPECT_EQ(colours.asked, asked + 1);
    EXPECT_EQ(colours.openedOn, 0x00FF00u);

    // The scene colours: black and the warm backlight at first, then what was chosen.
    window->backgroundColourAction->trigger();
    EXPECT_EQ(colours.openedOn, 0x000000u);
    window->backlightColourAction->trigger();
    EXPECT_EQ(colours.openedOn, 0x66B3FFu);
    colours.answers = {0x203040u, 0x0000FFu};
    window->backgroundColourAction->trigger();
    window->backlightColourAction->trigger();
    window->backgroundColourAction->trigger();
    EXPECT_EQ(colours.openedOn, 0x203040u);
    window->backlightColourAction->trigger();
    EXPECT_EQ(colours.openedOn, 0x0000FFu);
    // A part's chooser is not moved by the scene's.
    panel().colourButton->click();
    EXPECT_EQ(colours.openedOn, 0x00FF00u);
}

TEST_F(EverydayWindowTest, EveryPartOptionIsReachableAndUncutAtTheSmallestWindow) {
    window->openModel(SampleCar);
    select(0);
    window->tabBar->setCurrentIndex(1);
    window->resize(100, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == QSize(480, 420); }));
    QCoreApplication::processEvents();

    QScrollArea& scroll = *window->optionsScroll;
    ASSERT_TRUE(scroll.isVisible());
    const QRect tabBar = window->tabBar->geometry();
    EXPECT_GT(scroll.geometry().top(), tabBar.bottom()) << "the heading stays clear of the tabs";
    EXPECT_TRUE(window->tabs->rect().contains(scroll.geometry()));
    EXPECT_FALSE(scroll.horizontalScrollBar()->isVisible()) << "the pane's width holds the controls";
    const QWidget& viewport = *scroll.viewport();
    for (QWidget* control : panel().findChildren<QWidget*>()) {
        if (!control->isVisible() || control->parentWidget() == nullptr) continue;
        scroll.ensureWidgetVisible(control, 0, 0);
        QCoreApplication::processEvents();
        const QRect seen(control->mapTo(&viewport, QPoint(0, 0)), control->size());
        EXPECT_TRUE(viewport.rect().contains(seen))
            << control->objectName().toStdString() << " " << control->metaObject()->className() << " at " << seen.x()
            << "," << seen.y() << " " << seen.width() << "x" << seen.height() << " in " << viewport.width() << "x"
            << viewport.height();
    }
}

TEST_F(EverydayWindowTest, FitFillsNineTenthsOfTheViewTheWayTheCarBinds) {
    ASSERT_NE(window->view3d(), nullptr);
    window->rotatingAction->setChecked(false);
    window->openModel(SampleCar);
    for (QAction* view : {window->frontViewAction, window->threeQuarterViewAction}) {
        view->trigger();
        window->fitAction->trigger();
        const QImage frame = window->view3d()->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
        int left = frame.width(), right = -1, top = frame.height(), bottom = -1;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                if (frame.pixelColor(x, y) != QColor(Qt::black))
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                    bottom = std::max(bottom, y);
        const double across = (right - left + 1.0) / frame.width(), up = (bottom - top + 1.0) / frame.height();
        EXPECT_GT(std::max(across, up), 0.85) << view->text().toStdString() << ": " << across << " x " << up;
        EXPECT_LT(std::max(across, up), 0.92) << view->text().toStdString() << ": " << across << " x " << up;
    }
}

TEST_F(EverydayWindowTest, ExportLeavesOutWhatTheLevelOfDetailHidesAndWritesPicturesAtTheirOwnSize) {
    fixtures::CarFolder folder;
    window->openModel(sampleCarIn(folder));
    ASSERT_TRUE(state().ModelLoaded);
    // A 300 x 100 picture, which the view holds fitted to 256 x 128.
    const std::filesystem::path picture = folder.modelFolder() / "stripe.bmp";
    images::writeFile(picture, images::writeBmp(images::testPattern(300, 100)));
    prompts.fileAnswers = {picture};
    window->textureManager()->addButton->click();
    ASSERT_EQ(state().textureLibrary.size(), 1u);
    state().partList.Parts[0].TextureIndex = 1;

    // At 20, only the parts drawn from 20 and below are shown.
    panel().detailSlider->setValue(20);
    std::vector<std::size_t> drawn;
    for (std::size_t i = 0; i < state().partList.Parts.size(); ++i)
        if (passesLevelOfDetail(state(), static_cast<int32_t>(i), 20)) drawn.push_back(i);
    ASSERT_FALSE(drawn.empty());
    ASSERT_LT(drawn.size(), state().partList.Parts.size());
    // The textured front is among those left out at 20, so it is shown too.
    panel().detailSlider->setValue(30);
    drawn.clear();
    for (std::size_t i = 0; i < state().partList.Parts.size(); ++i)
        if (passesLevelOfDetail(state(), static_cast<int32_t>(i), 30)) drawn.push_back(i);
    ASSERT_EQ(drawn.front(), 0u) << "the front is drawn at 30";

    const std::filesystem::path glb = folder.modelFolder() / "car.glb";
    prompts.fileAnswers = {glb};
    window->exportMenuAction->trigger();
    const QString log = window->logView->toPlainText();
    for (std::size_t i = 0; i < state().partList.Parts.size(); ++i) {
        const bool left = std::find(drawn.begin(), drawn.end(), i) == drawn.end();
        const std::string line = "Left out part " + std::to_string(i) + " (" +
                                 QString::fromStdU16String(state().tree.PartNodes[i].Caption).toStdString() +
                                 "): the level of detail shown leaves it out";
        EXPECT_EQ(log.contains(QString::fromStdString(line)), left) << line;
    }
    tinygltf::Model model;
    tinygltf::TinyGLTF reader;
    std::string error, warning;
    ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    EXPECT_EQ(model.meshes.size(), drawn.size());
    ASSERT_EQ(model.images.size(), 1u);
    EXPECT_EQ(std::make_pair(model.images[0].width, model.images[0].height), std::make_pair(300, 100));

    // Unticked, the level of detail leaves nothing out. With its file gone,
    // the picture is written as the view holds it, and the log says so.
    panel().useDetailBox->setChecked(false);
    std::filesystem::remove(picture);
    prompts.fileAnswers = {glb};
    window->exportMenuAction->trigger();
    model = tinygltf::Model();
    ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    EXPECT_EQ(model.meshes.size(), state().partList.Parts.size());
    ASSERT_EQ(model.images.size(), 1u);
    EXPECT_EQ(std::make_pair(model.images[0].width, model.images[0].height), std::make_pair(256, 128));
    EXPECT_TRUE(window->logView->toPlainText().contains(
        QString::fromStdString("The picture of texture stripe.bmp could not be read again from " + picture.string() +
                               "; the copy the view holds is exported.")));
}

// The window with the program's own message boxes and file dialogs.
class RealDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(prompts, colours);
        prompts.setParent(window.get());
        if (window->view3d() != nullptr) window->view3d()->setFrameLoopHeld(true);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QtPrompts prompts;
    fixtures::ScriptedColours colours;
    std::unique_ptr<MainWindow> window;
};

// Answers every modal dialog that comes up while it lives: file dialogs
// with `file` (or Cancel when it is empty), message boxes with OK, keeping
// each box's caption and text.
class DialogAnswerer {
public:
    explicit DialogAnswerer(QString file) : file_(std::move(file)) {
        timer_.setInterval(30);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    std::vector<std::pair<QString, QString>> boxes;
    // The names a file dialog offered, as it listed them.
    QStringList offered;

private:
    void answer() {
        QWidget* shown = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(shown)) {
            offered = listed(*dialog);
            if (file_.isEmpty()) return dialog->reject();
            // Typed into the name box, as a user would: a name given to
            // selectFile() while the box has the focus is not taken.
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->setText(file_);
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(shown)) {
            boxes.emplace_back(box->windowTitle(), box->text());
            box->accept();
        }
    }
    static QStringList listed(QFileDialog& dialog) {
        QStringList names;
        auto* list = dialog.findChild<QAbstractItemView*>("listView");
        if (list == nullptr) return names;
        // The folder is read in the background.
        (void)QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 3000);
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
            names << list->model()->index(row, 0, list->rootIndex()).data().toString();
        return names;
    }

    QString file_;
    QTimer timer_;
};

TEST_F(RealDialogsTest, APictureThatCannotBeLoadedSaysSoEveryTime) {
    fixtures::TempDir folder;
    for (const char* name : {"bad.tga", "bad.jpg", "bad.bmp"}) {
        SCOPED_TRACE(name);
        fixtures::writeText(folder / name, "not one!");
        const DialogAnswerer answerer(QString::fromStdString((folder / name).string()));
        window->textureManager()->addButton->click();
        ASSERT_FALSE(answerer.boxes.empty());
        EXPECT_EQ(answerer.boxes.back(),
                  std::make_pair(QString("ERROR"), QString("The texture was NOT loaded correctly.")));
        EXPECT_TRUE(window->state().textureLibrary.empty());
    }
}

TEST_F(RealDialogsTest, TheSettingsFileDialogOffersTheNameInAnyCase) {
    fixtures::TempDir folder;
    for (const char* name : {"GEOMDATA.INI", "Geomdata.ini", "notes.ini", "geomdata.ini.bak"})
        fixtures::writeText(folder / name, "[GEOMDATA]\n");
    prompts.startIn(GeomDataFileFilter, folder.path());
    DialogAnswerer answerer({});
    EXPECT_FALSE(prompts.chooseFile(GeomDataFileFilter, GeomDataDialogCaption).has_value());
    answerer.offered.sort();
    EXPECT_EQ(answerer.offered, QStringList({"GEOMDATA.INI", "Geomdata.ini"}));
}

}  // namespace

int main(int argc, char** argv) {
    return fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
