// The main window on a Wayland compositor, run by wayland_test.sh inside a
// headless Weston: the window is mapped by the compositor, the view draws
// the sample car frame after frame through an EGL context, and a click and
// the wheel reach the view through the window system's queue, as the
// platform's own pointer events do.

// QTest's mouse then goes through the window system's queue and the window,
// not straight to the widget.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/korvex_application.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/window_checks.h"
#include "ui/part_tree_model.h"

#include <QCoreApplication>
#include <QDir>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTest>
#include <QTreeView>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace korvex;

namespace {

class WaylandWindowTest : public fixtures::MainWindowFixture {
protected:
    void SetUp() override {
        // Nothing here may pass on another platform.
        ASSERT_EQ(QGuiApplication::platformName().toStdString(), "wayland");
        MainWindowFixture::SetUp();
        ASSERT_NE(window->view3d(), nullptr) << "no OpenGL on this Wayland display";
    }
    ViewWidget& view() { return *window->view3d(); }
    ProgramState& state() { return window->state(); }
    void openSampleCar() {
        window->openModel(KORVEX_SAMPLE_CAR);
        ASSERT_TRUE(state().ModelLoaded);
    }
    // A click of the left button at `at` in the view.
    void click(QPoint at) { QTest::mouseClick(&view(), Qt::LeftButton, Qt::NoModifier, at); }
    // A turn of the wheel over the view, given to the window as the
    // platform gives it: the window finds the widget under the pointer.
    void wheel(int delta) {
        QWindow* shown = window->windowHandle();
        const QPoint inView = view().rect().center();
        const QPointF at = view().mapTo(window.get(), inView);
        QWheelEvent event(at, view().mapToGlobal(QPointF(inView)), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(shown, &event);
    }
};

TEST_F(WaylandWindowTest, TheViewDrawsTheTurningCarThroughEglOnTheCompositor) {
    openSampleCar();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_NE(view().context(), nullptr);
    EXPECT_NE(view().context()->nativeInterface<QNativeInterface::QEGLContext>(), nullptr)
        << "the view's context is not an EGL context";
    std::string renderer;
    view().withContext([&] {
        const auto* name = view().context()->functions()->glGetString(GL_RENDERER);
        renderer = name != nullptr ? reinterpret_cast<const char*>(name) : "";
    });
    EXPECT_FALSE(renderer.empty());
    RecordProperty("renderer", renderer);

    // The turning car asks for frame after frame; the compositor's frame
    // callbacks pace them, so they come only while it takes the buffers.
    // Each frame takes 10 ms by the view's clock, so that a loaded machine
    // cannot make the view slow to draw, which would stop it turning.
    view().setTickSource([now = std::make_shared<uint32_t>(5000)] { return *now += 10; });
    ASSERT_TRUE(window->rotatingAction->isChecked());
    const uint64_t before = view().framesDrawn();
    const float angle = state().view.RotationY;
    view().setFrameLoopHeld(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view().framesDrawn() >= before + 10; }, 10000))
        << view().framesDrawn() - before << " frames";
    EXPECT_NE(state().view.RotationY, angle);
    view().setFrameLoopHeld(true);
    const QImage frame = view().grabFramebuffer();
    EXPECT_GT(fixtures::litShare(frame), 0.05) << "the car is drawn";
    // The compositor blends the window by its alpha: where the picture is
    // not opaque, the desktop shows through the view.
    ASSERT_TRUE(frame.hasAlphaChannel());
    long seeThrough = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) seeThrough += qAlpha(frame.pixel(x, y)) < 255 ? 1 : 0;
    EXPECT_EQ(seeThrough, 0) << "of " << frame.width() * frame.height() << " pixels";
}

TEST_F(WaylandWindowTest, AClickPicksAPartAndTheWheelZooms) {
    openSampleCar();
    window->rotatingAction->setChecked(false);
    const QImage drawn = view().grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    const QPoint centre(drawn.width() / 2, drawn.height() / 2);
    ASSERT_NE(drawn.pixelColor(centre), QColor(Qt::black)) << "the car covers the middle of the view";

    click(centre);
    ASSERT_GE(state().SelectedPart, 0);
    const QModelIndex selected = window->partTree->selectionModel()->currentIndex();
    EXPECT_EQ(window->treeModel->node(selected)->PartIndex, state().SelectedPart);
    click({2, 2});
    EXPECT_EQ(state().SelectedPart, -1) << "empty space clears";

    const float zoom = state().view.ZoomZ;
    wheel(120);
    EXPECT_GT(state().view.ZoomZ, zoom) << "nearer";
    wheel(-240);
    EXPECT_LT(state().view.ZoomZ, zoom) << "farther than at first";
}

// Whether a platform plugin for Wayland is where the toolkit looks for its
// plugins; needs no display.
bool waylandPlatformInstalled() {
    for (const QString& folder : QCoreApplication::libraryPaths())
        if (!QDir(folder + "/platforms").entryList({"*qwayland*"}, QDir::Files).isEmpty()) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // For the script: 0 where the platform can be had, 77 (skipped) where not.
    if (argc == 2 && std::strcmp(argv[1], "--wayland-platform-installed") == 0)
        return waylandPlatformInstalled() ? 0 : 77;
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
