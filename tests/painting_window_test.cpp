// The window for those who paint the pictures: pictures dropped onto the
// car, the picture's pixel named under the pointer, and the UV layout
// written from the File menu. Runs in look_window_test's program.

#include "app/main_window.h"
#include "render/view_widget.h"
#include "tests/support/image_writers.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_model.h"
#include "tests/support/widget_driving.h"
#include "ui/window_common.h"

#include <QAction>
#include <QCursor>
#include <QImage>
#include <QStatusBar>
#include <QTreeView>

namespace korvex {
namespace {

constexpr int PictureWidth = 100, PictureHeight = 50;

class PaintingWindowTest : public fixtures::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        if (window->view3d() == nullptr) GTEST_SKIP() << "no OpenGL on this display";
        // The display's own pointer stays off the window: the test moves its own.
        QCursor::setPos(window->mapToGlobal(QPoint(-20, -20)));
        // A 2 x 2 quad facing the viewer; its texture coordinates (as the
        // file holds them) run from u 0.25 to 0.625 and v 0.125 to 0.5.
        fixtures::GeometryBlock block;
        block.vertices = {fixtures::vertex(-1, -1, 0, 0, 0, 1, 0.25f, 0.5f), fixtures::vertex(1, -1, 0, 0, 0, 1, 0.625f, 0.5f),
                          fixtures::vertex(-1, 1, 0, 0, 0, 1, 0.25f, 0.125f), fixtures::vertex(1, 1, 0, 0, 0, 1, 0.625f, 0.125f)};
        block.indices = {0, 1, 2, 3};
        fixtures::ModelDescription model;
        model.parts.push_back({"geo_r_0_FRNShape", block});
        fixtures::writeFile(folder.model(), model.build());
        window->openModel(folder.model());
        ASSERT_TRUE(window->state().ModelLoaded);
        window->rotatingAction->setChecked(false);
        window->state().view.RotationY = window->state().view.RotationX = 0;
        window->fitView();
        name = toQString(window->state().partList.Parts[0].Name);
        jpeg = folder.modelFolder() / "paint.jpg";
        images::writeFile(jpeg, images::writeJpeg(images::solid(PictureWidth, PictureHeight, 200, 40, 40)));
        topDown = folder.modelFolder() / "top-down.tga";
        images::writeFile(topDown, images::writeTga(images::solid(PictureWidth, PictureHeight, 40, 40, 200), {.topDown = true}));
    }

    // The status bar's text with the pointer resting on pixel `at` of the view.
    QString hoverAt(QPoint at) {
        window->view3d()->grabFramebuffer();
        fixtures::sendMouse(window->view3d(), QEvent::MouseMove, Qt::NoButton, at);
        return window->statusBar()->currentMessage();
    }
    // The quad's pixels on screen.
    QRect quadOnScreen() {
        const QImage frame = window->view3d()->grabFramebuffer();
        QRect box;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                if ((frame.pixel(x, y) & 0xFFFFFF) != 0) box |= QRect(x, y, 1, 1);
        return box;
    }
    // Drops `file` on pixel `at` of `where`, and lets the window take it up.
    void drop(const std::filesystem::path& file, QWidget* where, QPoint at) {
        ASSERT_TRUE(fixtures::dropFiles(*window, {QUrl::fromLocalFile(toQPath(file))}, where->mapTo(window.get(), at)));
        QCoreApplication::processEvents();
    }
    int32_t partTexture() const { return window->state().partList.Parts[0].TextureIndex; }

    fixtures::CarFolder folder;
    QString name;
    std::filesystem::path jpeg, topDown;
};

TEST_F(PaintingWindowTest, APictureDroppedOnThePartTexturesItInOneStepAndThePointerNamesItsPixels) {
    ViewWidget* view = window->view3d();
    // With no texture, the coordinates as the file holds them.
    const QString bare = hoverAt(view->rect().center());
    ASSERT_TRUE(bare.startsWith(name + "  no texture  u ")) << bare.toStdString();
    const QStringList numbers = bare.split(' ', Qt::SkipEmptyParts);
    EXPECT_NEAR(numbers[numbers.size() - 3].toDouble(), 0.4375, 0.002);
    EXPECT_NEAR(numbers.last().toDouble(), 0.3125, 0.002);

    drop(jpeg, view, view->rect().center());
    ASSERT_EQ(window->state().textureLibrary.size(), 1u);
    EXPECT_EQ(partTexture(), 1);
    EXPECT_EQ(window->statusBar()->currentMessage(), "paint.jpg was added to the textures and given to " + name + ".");
    // The middle of the quad, and a point three tenths in from its upper
    // left: pixels counted from the picture's top left, as an editor does.
    EXPECT_EQ(hoverAt(view->rect().center()), name + "  paint.jpg  x 43  y 15");
    const QRect quad = quadOnScreen();
    const QPoint upperLeft(quad.left() + quad.width() * 3 / 10, quad.top() + quad.height() * 3 / 10);
    EXPECT_EQ(hoverAt(upperLeft), name + "  paint.jpg  x 36  y 11");
    // Off the car the note goes; nothing was drawn for any of it.
    const uint64_t frames = view->framesDrawn();
    fixtures::sendMouse(view, QEvent::MouseMove, Qt::NoButton, QPoint(1, 1));
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(view->framesDrawn(), frames);

    // One step takes the picture off the part and out of the library, and brings both back.
    EXPECT_EQ(window->undoAction->text(), "Undo Drop Picture on Part");
    window->undoAction->trigger();
    EXPECT_EQ(partTexture(), 0);
    EXPECT_TRUE(window->state().textureLibrary.empty());
    window->redoAction->trigger();
    EXPECT_EQ(partTexture(), 1);
    ASSERT_EQ(window->state().textureLibrary.size(), 1u);
    EXPECT_EQ(hoverAt(view->rect().center()), name + "  paint.jpg  x 43  y 15");

    // A top-down TGA is shown turned over: its rows are counted the other way.
    drop(topDown, view, view->rect().center());
    EXPECT_EQ(partTexture(), 2);
    EXPECT_EQ(hoverAt(view->rect().center()), name + "  top-down.tga  x 43  y 34");
    EXPECT_EQ(hoverAt(upperLeft), name + "  top-down.tga  x 36  y 38");
}

TEST_F(PaintingWindowTest, DropsOffThePartOnlyAddTheTextureAndOtherFilesChangeNothing) {
    ViewWidget* view = window->view3d();
    drop(jpeg, view, QPoint(1, 1));
    drop(topDown, window->partTree, window->partTree->rect().center());
    ASSERT_EQ(window->state().textureLibrary.size(), 2u);
    EXPECT_EQ(partTexture(), 0);
    EXPECT_EQ(window->statusBar()->currentMessage(), "top-down.tga was added to the textures.");
    EXPECT_EQ(window->undoAction->text(), "Undo Drop Picture");
    // The same picture again gets a name of its own.
    drop(jpeg, view, view->rect().center());
    EXPECT_EQ(window->state().textureLibrary.back().DisplayName, "Another paint.jpg");

    const QString undoText = window->undoAction->text();
    const std::filesystem::path notes = folder.modelFolder() / "notes.txt";
    fixtures::writeText(notes, "not a picture");
    drop(notes, view, view->rect().center());
    EXPECT_EQ(window->statusBar()->currentMessage(),
              "notes.txt was not opened: only models (.o), looks (.kvlook) and pictures (.tga, .jpg, .bmp) can be "
              "dropped here.");
    const std::filesystem::path broken = folder.modelFolder() / "broken.bmp";
    fixtures::writeText(broken, "BM but nothing else");
    drop(broken, view, view->rect().center());
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().text, "The texture was NOT loaded correctly.");
    EXPECT_EQ(window->state().textureLibrary.size(), 3u);
    EXPECT_EQ(window->undoAction->text(), undoText);
    EXPECT_TRUE(window->state().ModelLoaded);
}

TEST_F(PaintingWindowTest, TheLayoutOfTheSelectedPartsTextureIsWrittenFromTheFileMenu) {
    ViewWidget* view = window->view3d();
    EXPECT_FALSE(window->uvLayoutAction->isEnabled());
    drop(topDown, view, view->rect().center());
    window->selectPart(0);
    ASSERT_TRUE(window->uvLayoutAction->isEnabled());
    QString summary;
    window->askUvLayoutOptions = [&](const QString& text, bool hasPicture) -> std::optional<bool> {
        summary = text;
        return hasPicture;
    };
    const auto exportTo = [&](const std::filesystem::path& target) {
        prompts.fileAnswers.push_back(target);
        window->uvLayoutAction->trigger();
        return QTest::qWaitFor([&] { return window->uvLayoutsRunning() == 0; }, 10000);
    };
    const std::filesystem::path target = folder.modelFolder() / "layout.png";
    ASSERT_TRUE(exportTo(target));
    EXPECT_EQ(summary, "The layout of top-down.tga (100 x 50): 1 of the model's parts use it.");
    EXPECT_EQ(prompts.shown.back().caption, "top-down_uv.png");
    const QImage layout(toQPath(target));
    ASSERT_EQ(layout.size(), QSize(PictureWidth, PictureHeight));
    // Drawn over the picture: its blue outside the outline.
    EXPECT_EQ(layout.pixel(2, 2), qRgb(40, 40, 200));
    EXPECT_EQ(window->statusBar()->currentMessage(), "layout.png was written.");

    // The picture itself is never written over.
    const std::vector<uint8_t> before = images::readFile(topDown);
    ASSERT_TRUE(exportTo(topDown));
    EXPECT_TRUE(prompts.shown.back().text.starts_with("The UV layout could not be saved to " + topDown.string()))
        << prompts.shown.back().text;
    EXPECT_EQ(images::readFile(topDown), before);
}

}  // namespace
}  // namespace korvex
