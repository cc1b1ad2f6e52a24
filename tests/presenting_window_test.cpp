// The window's pictures and films for presenting: smooth edges, a picture
// at twice the view's size with a clear background, the sheet, and a
// turntable film made while the window answers, or cancelled. Runs in
// look_window_test's program.

#include "app/main_window.h"
#include "app/turntable_recording.h"
#include "export/view_sheet.h"
#include "render/view_widget.h"
#include "tests/support/film_readback.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "ui/window_common.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace korvex {
namespace {

class PresentingWindowTest : public fixtures::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        if (window->view3d() == nullptr) GTEST_SKIP() << "no OpenGL on this display";
        window->rotatingAction->setChecked(false);
        window->openModel(KORVEX_SAMPLE_CAR);
        ASSERT_TRUE(window->state().ModelLoaded);
        window->fitView();
    }

    QImage written(const std::filesystem::path& path) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->picturesRunning() == 0; }, 10000));
        return QImage(toQPath(path)).convertToFormat(QImage::Format_RGBA8888);
    }

    fixtures::TempDir folder;
};

TEST_F(PresentingWindowTest, SmoothEdgesAreOnByDefaultReadBackAndRemembered) {
    EXPECT_TRUE(MainWindow(prompts, colours).smoothEdgesAction->isChecked()) << "on at first";
    ViewWidget* view = window->view3d();
    EXPECT_TRUE(window->viewMenu->actions().contains(window->smoothEdgesAction));
    window->smoothEdgesAction->trigger();
    view->grabFramebuffer();
    EXPECT_GT(view->samplesDrawn(), 0) << "Mesa grants samples";
    window->smoothEdgesAction->trigger();
    view->grabFramebuffer();
    EXPECT_EQ(view->samplesDrawn(), 0);

    QSettings memory(toQPath(folder / "korvex-viewer.conf"), QSettings::IniFormat);
    {
        MainWindow first(prompts, colours);
        first.useMemory(&memory);
        first.smoothEdgesAction->setChecked(false);
    }
    MainWindow second(prompts, colours);
    second.smoothEdgesAction->setChecked(true);
    second.useMemory(&memory);
    EXPECT_FALSE(second.smoothEdgesAction->isChecked());

    // F12 is in the File menu, beside the picture commands.
    EXPECT_EQ(window->saveViewAction->shortcut(), QKeySequence(Qt::Key_F12));
    EXPECT_EQ(window->savePictureAction->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F12));
    EXPECT_TRUE(window->fileMenu->actions().contains(window->saveViewAction));
}

TEST_F(PresentingWindowTest, APictureIsDrawnAtTheSizeAskedWithAClearBackgroundNotScaledUp) {
    QSize viewSize;
    window->askPictureOptions = [&](const QString& title, QSize size) {
        EXPECT_EQ(title, "Save Picture");
        viewSize = size;
        return PictureOptions{size * 2, true, true};
    };
    const auto path = folder / "car.png";
    prompts.fileAnswers.push_back(path);
    window->savePictureAction->trigger();
    const QImage picture = written(path);
    ASSERT_FALSE(viewSize.isEmpty());
    ASSERT_EQ(picture.size(), viewSize * 2);
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)), 255);
    int partial = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) partial += qAlpha(picture.pixel(x, y)) % 255 != 0;
    EXPECT_GT(partial, 0) << "smooth edges";
    // Drawn at that size: edges a pixel wide, not two as a scaled-up view's would be.
    const QImage small = picture.scaled(viewSize, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    EXPECT_NE(picture, small);

    // The sheet: four cells and a caption at the size asked.
    window->askPictureOptions = [](const QString&, QSize) { return PictureOptions{QSize(400, 330), false, false}; };
    const auto sheetPath = folder / "views.png";
    prompts.fileAnswers.push_back(sheetPath);
    window->saveStandardViewsAction->trigger();
    const QImage sheet = written(sheetPath);
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().caption, "car_views.png") << "the name the save dialog suggests";
    ASSERT_EQ(sheet.size(), QSize(400, 330));
    const SheetLayout layout = sheetLayout(400, 330);
    for (int cell = 0; cell < 4; ++cell) {
        const QPoint middle((cell % 2) * layout.cellWidth + layout.cellWidth / 2,
                            (cell / 2) * layout.cellHeight + layout.cellHeight / 2);
        EXPECT_NE(sheet.pixel(middle) & 0xFFFFFF, sheet.pixel(1, 1) & 0xFFFFFF) << "the car fills cell " << cell;
    }
}

TEST_F(PresentingWindowTest, ATurntableFilmIsMadeFrameByFrameOrCancelledLeavingNoFile) {
    window->askTurntableOptions = [] {
        TurntableOptions options;
        options.kind = FilmKind::WebP;
        options.size = QSize(96, 72);
        options.seconds = 1.0;
        options.framesPerSecond = 6;
        return options;
    };
    const auto film = folder / "turn.webp";
    prompts.fileAnswers.push_back(film);
    window->turntableAction->trigger();
    ASSERT_NE(window->turntableRecording(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->turntableRecording() == nullptr; }, 20000));
    const fixtures::FilmInfo info = fixtures::readFilm(film);
    EXPECT_EQ(info.frames, 6);
    EXPECT_EQ(info.width, 96);
    EXPECT_FALSE(info.alpha);

    // Cancelled after a frame: neither the film nor its temporary file is left.
    const auto cancelled = folder / "cancelled.webp";
    prompts.fileAnswers.push_back(cancelled);
    window->askTurntableOptions = [] {
        TurntableOptions options;
        options.kind = FilmKind::WebP;
        options.size = QSize(96, 72);
        options.seconds = 60.0;
        return options;
    };
    window->turntableAction->trigger();
    TurntableRecording* recording = window->turntableRecording();
    ASSERT_NE(recording, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recording->framesDrawn() >= 2; }, 10000));
    auto* progress = window->findChild<QProgressDialog*>("turntableProgress");
    ASSERT_NE(progress, nullptr);
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_EQ(window->turntableRecording(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(fixtures::filesIn(folder.path()), std::vector<std::string>({"turn.webp"}));
}

}  // namespace
}  // namespace korvex
