// The about box, the help page and the mail link as the desktop receives
// them, dropped model files, the model dialog's folder and saving the view,
// on the real main window under an X server.

#include "app/about_box.h"
#include "app/korvex_application.h"
#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "export/model_export.h"
#include "model/recording_io.h"
#include "render/view_widget.h"
#include "settings/geomdata_file.h"
#include "settings/open_command.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "tests/support/window_checks.h"
#include "tests/support/widget_driving.h"
#include "textures/opengl_textures.h"
#include "textures/texture_files.h"
#include "textures/texture_library.h"
#include "textures/texture_upload.h"
#include "ui/texture_manager_window.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <sys/resource.h>

#include <csignal>

#include <fstream>

using namespace korvex;

namespace {

const std::filesystem::path SampleCar = KORVEX_SAMPLE_CAR;

// Stands in for the desktop: keeps the addresses it is asked to open.
class DesktopRecorder : public QObject {
    Q_OBJECT
public:
    explicit DesktopRecorder(const QStringList& schemes) : schemes_(schemes) {
        for (const QString& scheme : schemes_) QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~DesktopRecorder() override {
        for (const QString& scheme : schemes_) QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }

private:
    QStringList schemes_;
};

class DesktopTest : public fixtures::MainWindowFixture {
protected:
    AboutBox& about() { return *window->aboutBox(); }
    QString log() const { return window->logView->toPlainText(); }

    // Sends the drag of `files` over the window and, when it is taken, its drop.
    bool drop(const QList<QUrl>& files) { return fixtures::dropFiles(*window, files); }
};

TEST_F(DesktopTest, TheAboutBoxShowsItsTextsOverItsPictureInFacesThatFit) {
    ASSERT_NE(window->aboutBox(), nullptr);
    EXPECT_TRUE(about().isHidden());
    EXPECT_EQ(about().parentWidget(), window.get());
    EXPECT_EQ(about().size(), QSize(550, 200));
    EXPECT_EQ(about().minimumSize(), about().maximumSize());
    EXPECT_FALSE(about().windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    window->aboutAction->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about()));
    EXPECT_EQ(fixtures::x11Title(about()), "About Korvex Model Viewer");
    EXPECT_FALSE(about().isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    struct Expected {
        QWidget* control;
        QRect geometry;
        QString text;
    };
    const Expected controls[] = {
        {about().backdrop, {0, 0, 550, 200}, ""},
        {about().titleLabel, {8, 2, 365, 49}, "Korvex Model Viewer"},
        {about().bylineLabel, {8, 43, 147, 23}, "by the Korvex team"},
        {about().versionLabel, {8, 75, 110, 24}, "Version: 1.0"},
        {about().reportLabel, {8, 135, 201, 14}, "Report any bugs or suggestions to"},
        {about().addressLink, {208, 135, 145, 14}, "korvex-viewer@example.org"},
        {about().disclaimerLabel,
         {8, 156, 401, 43},
         "This Program is provided \"as is\" with no warranty whatsoever. The author may not be held liable for "
         "any direct or indirect damages arising out of the use of or inability to use this software. Use at your "
         "own risk.  "},
        {about().okPicture, {412, 159, 131, 34}, ""},
    };
    for (const Expected& expected : controls) {
        SCOPED_TRACE(expected.control->objectName().toStdString());
        EXPECT_EQ(expected.control->geometry(), expected.geometry);
        const auto* label = qobject_cast<QLabel*>(expected.control);
        ASSERT_NE(label, nullptr);
        if (expected.text.isEmpty()) {
            EXPECT_FALSE(label->pixmap().isNull());
            continue;
        }
        EXPECT_EQ(label->text(), expected.text);
        EXPECT_LE(fixtures::captionOverflow(*label), 0);
        // A face is found that needs little shrinking: the text stays readable.
        EXPECT_GE(QFontInfo(label->font()).pixelSize(), label == about().disclaimerLabel ? 8 : 10);
        // The picture shows through every label.
        EXPECT_FALSE(label->autoFillBackground());
    }
    EXPECT_TRUE(about().addressLink->font().underline());
    EXPECT_EQ(about().addressLink->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(about().addressLink->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(about().titleLabel->font().italic());
    EXPECT_TRUE(about().disclaimerLabel->font().bold());
    // The picture lies behind the texts, the closing picture above it.
    EXPECT_EQ(about().childAt(20, 20), about().titleLabel);
    EXPECT_EQ(about().childAt(450, 170), about().okPicture);
    EXPECT_EQ(about().childAt(500, 20), about().backdrop);
}

TEST_F(DesktopTest, TheAboutBoxIsOneBoxThatHidesAndLeavesTheMainWindowWorking) {
    const QPointer<AboutBox> box = window->aboutBox();
    window->aboutAction->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.data()));

    // The main window goes on taking commands while the box is up.
    const bool wireframe = window->state().view.Wireframe;
    window->wireframeAction->trigger();
    EXPECT_NE(window->state().view.Wireframe, wireframe);

    // Asked for again from behind another window, the same box comes to the front.
    window->textureManager()->showModeless();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->textureManager()));
    window->aboutAction->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(box.data()));
    EXPECT_EQ(window->findChildren<QDialog*>("AboutBox").size(), 1);
    window->textureManager()->hide();

    QTest::mouseClick(box->okPicture, Qt::LeftButton, Qt::NoModifier, QPoint(60, 17));
    EXPECT_TRUE(box->isHidden());
    ASSERT_FALSE(box.isNull());

    window->aboutAction->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.data()));
    box->close();  // the close box
    QCoreApplication::processEvents();
    EXPECT_TRUE(box->isHidden());
    ASSERT_FALSE(box.isNull());
    EXPECT_EQ(box->versionLabel->text(), "Version: 1.0");
}

TEST_F(DesktopTest, TheMailLinkAndTheHelpPageGoToTheDesktop) {
    DesktopRecorder desktop({"mailto", "file"});
    window->aboutAction->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about()));
    QTest::mouseClick(about().addressLink, Qt::LeftButton, Qt::NoModifier, QPoint(10, 7));
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], QUrl("mailto:korvex-viewer@example.org"));

    // The help page beside the executable, whatever the working folder holds.
    const QString helpBesideUs = QCoreApplication::applicationDirPath() + "/Data/help.htm";
    EXPECT_TRUE(QFileInfo::exists(helpBesideUs));
    fixtures::TempDir elsewhere;
    std::filesystem::create_directories(elsewhere / "Data");
    fixtures::writeText(elsewhere / "Data" / "help.htm", "<p>not ours</p>");
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(elsewhere.path().string()));
    window->helpAction->trigger();
    QDir::setCurrent(before);
    ASSERT_EQ(desktop.opened.size(), 2);
    EXPECT_EQ(desktop.opened[1], QUrl::fromLocalFile(helpBesideUs));
    // Neither asks anything of the user.
    EXPECT_TRUE(prompts.shown.empty());

    // Where no browser can be started, a box says where the page is.
    window->openDocument = [](const QUrl&) { return false; };
    window->helpAction->trigger();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Korvex Model Viewer");
    EXPECT_EQ(prompts.shown[0].text,
              "No web browser could be started to show the help page. You can open it yourself: " +
                  helpBesideUs.toStdString());
}

TEST_F(DesktopTest, ADroppedModelIsOpenedAndTheModelDialogFollowsIt) {
    fixtures::CarFolder folder;
    std::filesystem::copy_file(SampleCar, folder.model());
    ASSERT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString(folder.model().string()))}));
    ASSERT_TRUE(window->state().ModelLoaded);
    EXPECT_TRUE(log().startsWith(QString::fromStdString("Opening " + folder.model().string())));
    const size_t parts = window->state().partList.Parts.size();
    EXPECT_GT(parts, 0u);
    EXPECT_EQ(prompts.startFolders.at(std::string(ModelFileFilter)), folder.modelFolder());

    // Dropped again, the model is closed first, as the open command does.
    ASSERT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString(folder.model().string()))}));
    EXPECT_EQ(window->state().partList.Parts.size(), parts);

    // A file that is not a model says so in the log, as any open does.
    fixtures::TempDir other;
    fixtures::writeText(other / "notes.o", std::string(200, '#') + " these are notes, not a model");
    ASSERT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString((other / "notes.o").string()))}));
    EXPECT_FALSE(window->state().ModelLoaded);
    EXPECT_TRUE(log().contains("BAD FILE! No Identification found."));
    EXPECT_EQ(prompts.startFolders.at(std::string(ModelFileFilter)), other.path());

    // Anything but a model, a look or a picture is refused with a note, and the open model stays.
    window->openModel(folder.model());
    ASSERT_TRUE(window->state().ModelLoaded);
    const QString logBefore = log();
    prompts.shown.clear();
    fixtures::writeText(other / "photo.png", "\x89PNG a picture this program does not take");
    ASSERT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString((other / "photo.png").string()))}));
    QTest::qWait(20);
    EXPECT_TRUE(window->state().ModelLoaded);
    EXPECT_EQ(log(), logBefore);
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text;
    EXPECT_EQ(window->statusBar()->currentMessage(),
              "photo.png was not opened: only models (.o), looks (.kvlook) and pictures (.tga, .jpg, .bmp) can be "
              "dropped here.");

    // Two files at once, or something that is no file, are not taken.
    EXPECT_FALSE(drop({QUrl::fromLocalFile("/tmp/a.o"), QUrl::fromLocalFile("/tmp/b.o")}));
    EXPECT_FALSE(drop({QUrl("https://example.org/car.o")}));

    // A model given on the command line is remembered the same way.
    window->openModel(SampleCar);
    EXPECT_EQ(prompts.startFolders.at(std::string(ModelFileFilter)),
              std::filesystem::absolute(SampleCar).parent_path());
}

// Runs `answer` on the file dialog that `ask` puts up, then closes it.
template <typename Ask>
auto withFileDialog(Ask ask, const std::function<void(QFileDialog&)>& answer) {
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        answer(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    return ask();
}

TEST(QtPromptsFolders, EachDialogsFolderIsRememberedAcrossRunsWhileItExists) {
    fixtures::TempDir dir;
    QSettings memory(toQPath(dir / "korvex-viewer.conf"), QSettings::IniFormat);
    std::filesystem::create_directories(dir / "cars");
    std::filesystem::create_directories(dir / "gone");
    {
        QtPrompts first;
        first.useMemory(&memory);
        first.startIn(ModelFileFilter, dir / "cars");
        first.startIn(PictureFileFilter, dir / "gone");
    }
    std::filesystem::remove(dir / "gone");
    QtPrompts second;
    second.useMemory(&memory);
    QString shownIn;
    const auto remember = [&](QFileDialog& dialog) { shownIn = dialog.directory().absolutePath(); };
    withFileDialog([&] { return second.chooseFile(ModelFileFilter, OpenCaption); }, remember);
    EXPECT_EQ(shownIn.toStdString(), (dir / "cars").string());
    // A folder that is no longer there is forgotten.
    withFileDialog([&] { return second.chooseFile(PictureFileFilter, OpenCaption); }, remember);
    EXPECT_EQ(shownIn.toStdString(), QDir::currentPath().toStdString());
}

TEST(QtPromptsFolders, TheModelDialogStartsInTheWorkingFolderThenWhereItIsTold) {
    QtPrompts prompts;
    fixtures::TempDir folder;
    QString shownIn;
    const auto remember = [&](QFileDialog& dialog) { shownIn = dialog.directory().absolutePath(); };
    withFileDialog([&] { return prompts.chooseFile(ModelFileFilter, OpenCaption); }, remember);
    EXPECT_EQ(shownIn.toStdString(), QDir::currentPath().toStdString());

    prompts.startIn(ModelFileFilter, folder.path());
    withFileDialog([&] { return prompts.chooseFile(ModelFileFilter, OpenCaption); }, remember);
    EXPECT_EQ(shownIn.toStdString(), folder.path().string());
    // Another kind of file keeps its own folder.
    withFileDialog([&] { return prompts.chooseFile("Ini files|*.ini", OpenCaption); }, remember);
    EXPECT_EQ(shownIn.toStdString(), QDir::currentPath().toStdString());

    // Each dialog is captioned with what its command asks for.
    QString caption;
    withFileDialog([&] { return prompts.chooseFile(ModelFileFilter, OpenCaption); },
                   [&](QFileDialog& dialog) { caption = dialog.windowTitle(); });
    EXPECT_EQ(caption, "Open");
    withFileDialog([&] { return prompts.chooseFile(GeomDataFileFilter, GeomDataDialogCaption); },
                   [&](QFileDialog& dialog) { caption = dialog.windowTitle(); });
    EXPECT_EQ(caption, "Choose the geomdata.ini of this model");

    // The save dialog suggests the name and adds the type's extension.
    QString suggested;
    const auto saved = withFileDialog([&] { return prompts.chooseSaveFile(PictureFileFilter, "car.png"); },
                                      [&](QFileDialog& dialog) {
                                          suggested = dialog.selectedFiles().value(0);
                                          dialog.selectFile("picture");
                                          static_cast<QDialog&>(dialog).accept();
                                      });
    EXPECT_TRUE(suggested.endsWith("/car.png"));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->filename(), "picture.png");
}

// While it lives, files this process writes stop growing at `bytes`, as on
// a full disk: a write past that fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*signal_)(int) = nullptr;
};

TEST_F(DesktopTest, F12SavesTheViewAsThePictureOnScreen) {
    if (window->view3d() == nullptr) GTEST_SKIP() << "no OpenGL on this display";
    // A still car: no turning, and a clock that stands.
    window->rotatingAction->setChecked(false);
    window->view3d()->setTickSource([] { return 5000u; });
    window->openModel(SampleCar);
    ASSERT_TRUE(window->state().ModelLoaded);
    fixtures::TempDir folder;
    const std::filesystem::path saved = folder / "shot.png";
    prompts.shown.clear();
    prompts.fileAnswers.push_back(saved);
    QTest::keyClick(window->partTree, Qt::Key_F12);

    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, ShownBox::Kind::FileRequest);
    EXPECT_EQ(prompts.shown[0].caption, "car.png");
    EXPECT_EQ(prompts.shown[0].text, PictureFileFilter);
    QFile file(QString::fromStdString(saved.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("\x89PNG"));
    file.close();

    // Nothing moves, so the view draws the same picture again.
    const QImage onScreen = window->view3d()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    const QImage written = QImage(file.fileName()).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(written.size(), onScreen.size());
    EXPECT_EQ(written, onScreen);
    // The car is in it: not every pixel is the background.
    EXPECT_NE(written.pixel(written.width() / 2, written.height() / 2), written.pixel(1, 1));

    // Cancelled, nothing is written; a folder that cannot be written to says so.
    prompts.shown.clear();
    QTest::keyClick(window->partTree, Qt::Key_F12);
    ASSERT_EQ(prompts.shown.size(), 1u);
    prompts.fileAnswers.push_back(folder / "missing" / "shot.png");
    QTest::keyClick(window->partTree, Qt::Key_F12);
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[2].kind, ShownBox::Kind::Message);
    EXPECT_EQ(prompts.shown[2].caption, "Korvex Model Viewer");
    EXPECT_NE(
        prompts.shown[2].text.find("The picture could not be saved to " + (folder / "missing" / "shot.png").string()),
        std::string::npos);

    // On a full disk (here: files may not grow past 64 bytes) the box says
    // so, and the picture written before is left as it was.
    const auto contents = [&] {
        QFile picture(QString::fromStdString(saved.string()));
        return picture.open(QIODevice::ReadOnly) ? picture.readAll() : QByteArray();
    };
    const QByteArray before = contents();
    prompts.fileAnswers.push_back(saved);
    {
        const FileSizeLimit full(64);
        QTest::keyClick(window->partTree, Qt::Key_F12);
    }
    ASSERT_EQ(prompts.shown.size(), 5u);
    EXPECT_EQ(prompts.shown[4].text, "The picture could not be saved to " + saved.string() + ": File too large");
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(saved.parent_path()), {}), 1);
    // One item of the File menu carries the key.
    int carrying = 0;
    for (QAction* action : window->findChildren<QAction*>()) carrying += action->shortcut() == QKeySequence(Qt::Key_F12);
    EXPECT_EQ(carrying, 1);
    EXPECT_TRUE(window->fileMenu->actions().contains(window->saveViewAction));
}

TEST_F(DesktopTest, FileExportWritesTheCheckedPartsWithTheTexturesTheViewShows) {
    if (window->view3d() == nullptr) GTEST_SKIP() << "no OpenGL on this display";
    EXPECT_FALSE(window->exportMenuAction->isEnabled());
    fixtures::CarFolder folder;
    std::filesystem::copy_file(SampleCar, folder.model());
    window->openModel(folder.model());
    ASSERT_TRUE(window->state().ModelLoaded);
    EXPECT_TRUE(window->exportMenuAction->isEnabled());
    EXPECT_EQ(window->exportMenuAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    // The dialog starts beside the model.
    EXPECT_EQ(prompts.startFolders.at(std::string(ExportFileFilter)), folder.modelFolder());

    // The first part wears the reflection picture; the second is unchecked.
    ProgramState& state = window->state();
    OpenGlTextures gl;
    std::optional<LoadedTexture> texture;
    ASSERT_TRUE(window->view3d()->withContext(
        [&] { texture = LoadTextureFile(locateProgramDataFile("Env.jpg"), prompts, gl); }));
    ASSERT_TRUE(texture.has_value());
    appendTexture(state.textureLibrary, "Env.jpg", texture->object);
    state.partList.Parts[0].TextureIndex = 1;
    state.partList.PartVisible[1] = 0;

    const std::filesystem::path glb = folder.modelFolder() / "car.glb";
    prompts.shown.clear();
    prompts.fileAnswers.push_back(glb);
    window->exportMenuAction->trigger();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, ShownBox::Kind::FileRequest);
    EXPECT_EQ(prompts.shown[0].caption, "car.glb");
    EXPECT_EQ(prompts.shown[0].text, ExportFileFilter);
    const std::size_t parts = state.partList.Parts.size();
    EXPECT_TRUE(
        log().endsWith(QString::fromStdString("Exported " + std::to_string(parts - 1) + " parts to " + glb.string())));

    tinygltf::Model model;
    tinygltf::TinyGLTF reader;
    std::string error, warning;
    ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    ASSERT_EQ(model.meshes.size(), parts - 1);
    EXPECT_EQ(model.meshes[1].name, QString::fromStdU16String(state.tree.PartNodes[2].Caption).toStdString());
    ASSERT_EQ(model.images.size(), 1u);
    EXPECT_EQ(model.images[0].name, "Env.jpg");
    const int material = model.meshes[0].primitives.at(0).material;
    EXPECT_EQ(model.materials.at(static_cast<std::size_t>(material)).pbrMetallicRoughness.baseColorTexture.index, 0);
    // The picture is the one the view holds, turned so that its last row comes first.
    std::optional<PixelBuffer> held;
    window->view3d()->withContext([&] { held = readTexturePixels(texture->object); });
    ASSERT_TRUE(held.has_value());
    ASSERT_EQ(static_cast<uint32_t>(model.images[0].width), held->width);
    ASSERT_EQ(static_cast<uint32_t>(model.images[0].height), held->height);
    for (std::size_t c = 0; c < 3; ++c)
        EXPECT_EQ(model.images[0].image[c], held->pixels[(held->height - 1) * held->rowBytes() + c]);

    // A folder that is not there, and a type the export does not write, are said in a box.
    prompts.shown.clear();
    const std::filesystem::path missing = folder.modelFolder() / "missing" / "car.obj";
    prompts.fileAnswers = {missing, folder.modelFolder() / "car.dae"};
    window->exportMenuAction->trigger();
    window->exportMenuAction->trigger();
    ASSERT_EQ(prompts.shown.size(), 4u);
    EXPECT_EQ(prompts.shown[1].kind, ShownBox::Kind::Message);
    EXPECT_EQ(prompts.shown[1].caption, "Korvex Model Viewer");
    EXPECT_EQ(prompts.shown[1].text,
              "The model could not be exported: cannot write " + missing.string() + ": No such file or directory");
    EXPECT_EQ(prompts.shown[3].text, "The model can be exported as a .glb or an .obj file; car.dae is neither.");
    EXPECT_FALSE(std::filesystem::exists(folder.modelFolder() / "car.dae"));
}

TEST(QtPromptsExport, TheExportDialogIsCaptionedAndOffersBothTypes) {
    QtPrompts prompts;
    QString caption;
    QStringList filters;
    const auto saved = withFileDialog([&] { return prompts.chooseSaveFile(ExportFileFilter, "car.glb", "Export"); },
                                      [&](QFileDialog& dialog) {
                                          caption = dialog.windowTitle();
                                          filters = dialog.nameFilters();
                                          dialog.selectNameFilter(filters.value(1));
                                          emit dialog.filterSelected(filters.value(1));
                                          dialog.selectFile("mycar");
                                          static_cast<QDialog&>(dialog).accept();
                                      });
    EXPECT_EQ(caption, "Export");
    EXPECT_EQ(filters, QStringList({"glTF Binary (*.glb)", "Wavefront OBJ (*.obj)"}));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->filename(), "mycar.obj");
}

}  // namespace

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}

#include "desktop_test.moc"
