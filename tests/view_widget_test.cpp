// The 3-D view in the real main window under an X server: what it draws,
// its frame loop, the mouse and the scene-colour commands.

#include "render/view_widget.h"
#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/scripted_colours.h"
#include "tests/support/test_model.h"

#include <QAction>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QStatusBar>
#include <QTest>

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace korvex;

namespace {

// A clock that stands still unless a test moves it.
struct FakeClock {
    uint32_t now = 5000;
    uint32_t step = 0;  // added at each reading
    uint32_t read() { return now += step; }
};

class ViewWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(prompts, colours);
        view = window->view3d();
        ASSERT_NE(view, nullptr) << "no OpenGL on this display";
        view->setFrameLoopHeld(true);
        view->setTickSource([this] { return clock.read(); });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QImage frame() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB888); }
    static long litPixels(const QImage& image) {
        long lit = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) lit += image.pixelColor(x, y) != QColor(Qt::black) ? 1 : 0;
        return lit;
    }
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
    ProgramState& state() { return window->state(); }

    fixtures::TempDir dir;
    ScriptedPrompts prompts;
    fixtures::ScriptedColours colours;
    FakeClock clock;
    std::unique_ptr<MainWindow> window;
    ViewWidget* view = nullptr;
};

TEST_F(ViewWidgetTest, DrawsTheSampleCarAsTheInspectorDoes) {
    window->openModel(KORVEX_SAMPLE_CAR);
    ASSERT_TRUE(state().ModelLoaded);
    EXPECT_NE(state().view.EnvTexture, 0u);
    const QImage drawn = frame();
    EXPECT_GT(litPixels(drawn), drawn.width() * drawn.height() / 20);

    QProcess inspector;
    const QString png = QString::fromStdString((dir / "car.png").string());
    // With the samples the display granted the view's smooth edges.
    EXPECT_GT(view->samplesDrawn(), 0);
    inspector.start(KORVEX_INSPECT, {"render", KORVEX_SAMPLE_CAR, "--png", png, "--size",
                                     QString("%1x%2").arg(drawn.width()).arg(drawn.height()), "--samples",
                                     QString::number(view->samplesDrawn())});
    ASSERT_TRUE(inspector.waitForFinished(60000));
    ASSERT_EQ(inspector.exitCode(), 0) << inspector.readAllStandardError().toStdString();
    const QImage rendered = QImage(png).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(rendered.size(), drawn.size());
    long differing = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor a = drawn.pixelColor(x, y), b = rendered.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) > 2 || std::abs(a.green() - b.green()) > 2 ||
                std::abs(a.blue() - b.blue()) > 2)
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0) << "of " << drawn.width() * drawn.height() << " pixels";
}

TEST_F(ViewWidgetTest, FramesFollowOneAnotherOnlyWhileALoadedModelTurnsUntilTheLoopIsHeld) {
    clock.step = 10;
    // Frames drawn over `ms` with the loop let go; a loaded machine draws
    // the car slowly, so a running loop is given up to 5 s for `enough`.
    const auto framesOver = [&](int ms, uint64_t enough = 0) {
        const uint64_t before = view->framesDrawn();
        QTest::qWait(ms);
        if (enough > 0) (void)QTest::qWaitFor([&] { return view->framesDrawn() - before >= enough; }, 5000);
        return view->framesDrawn() - before;
    };
    ASSERT_TRUE(window->rotatingAction->isChecked());
    view->setFrameLoopHeld(false);
    QTest::qWait(100);
    EXPECT_EQ(framesOver(300), 0u) << "nothing open: nothing turns, however Rotating is set";

    window->openModel(KORVEX_SAMPLE_CAR);
    ASSERT_TRUE(state().ModelLoaded);
    EXPECT_GT(framesOver(300, 6), 5u) << "input and timers are handled between the frames";
    // Ten milliseconds per frame: the model turns by the clock.
    EXPECT_NEAR(state().view.RotationY, static_cast<float>(state().view.PreviousFrameTime) / 50.0f, 0.5f);
    EXPECT_GT(state().view.RotationY, 0.0f);

    window->hideAllAction->trigger();
    QTest::qWait(100);
    EXPECT_EQ(framesOver(300), 0u) << "every part hidden";
    window->showAllAction->trigger();
    EXPECT_GT(framesOver(300, 6), 5u) << "shown again";

    view->setFrameLoopHeld(true);
    QTest::qWait(50);
    EXPECT_EQ(framesOver(200), 0u) << "held";

    window->rotatingAction->trigger();  // "Rotating" off
    const float angle = state().view.RotationY;
    frame();
    frame();
    EXPECT_EQ(state().view.RotationY, angle);

    window->closeAction->trigger();
    window->rotatingAction->trigger();  // on again, with nothing open
    view->setFrameLoopHeld(false);
    QTest::qWait(100);
    EXPECT_EQ(framesOver(300), 0u) << "closed";
}

TEST_F(ViewWidgetTest, AFrameSlowerThanHalfASecondStopsTheViewMovingUntilAFrameIsQuickAgain) {
    window->openModel(KORVEX_SAMPLE_CAR);
    ASSERT_TRUE(window->rotatingAction->isChecked());
    // Each frame reads the clock before and after drawing: 600 ms a frame.
    clock.step = 600;
    view->setFrameLoopHeld(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->slowToDraw(); }, 5000));
    EXPECT_EQ(window->statusBar()->currentMessage(),
              "The model is slow to draw (0.6 s a frame): the view no longer moves by itself and draws only when "
              "something changes.");
    QTest::qWait(50);
    const uint64_t stopped = view->framesDrawn();
    QTest::qWait(300);
    EXPECT_EQ(view->framesDrawn(), stopped) << "no frame follows by itself";
    // A change is still drawn, once.
    view->requestFrame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->framesDrawn() == stopped + 1; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(view->framesDrawn(), stopped + 1);

    // A quick frame sets the view moving again and takes the note away.
    clock.step = 10;
    view->requestFrame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->framesDrawn() > stopped + 5; }, 5000));
    EXPECT_FALSE(view->slowToDraw());
    EXPECT_EQ(window->statusBar()->currentMessage(), "");
}

TEST_F(ViewWidgetTest, MouseDragsTurnTiltAndZoomUntilAnyRelease) {
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {10, 10});
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {14, 90});
    EXPECT_EQ(state().view.ZoomZ, 0.0f);
    EXPECT_EQ(state().view.RotationY, 2.0f);
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton | Qt::RightButton, {14, 90});
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::RightButton, {14, 100});
    EXPECT_EQ(state().view.RotationX, 22.0f) << "the second button restarted the drag";
    EXPECT_EQ(state().view.ZoomZ, 0.0f);
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton, {-50, 900});  // outside the view
    EXPECT_FALSE(state().view.Dragging);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {200, 200});
    EXPECT_EQ(state().view.RotationX, 22.0f);
}

TEST_F(ViewWidgetTest, SceneColourCommandsChangeTheNextFrameAndCancelChangesNothing) {
    colours.answers = {0x00FFFFFFu, std::nullopt, 0x000000FFu, std::nullopt};
    window->backgroundColourAction->trigger();
    EXPECT_EQ(frame().pixelColor(0, 0), QColor(254, 254, 254));
    window->backgroundColourAction->trigger();
    EXPECT_EQ(frame().pixelColor(0, 0), QColor(254, 254, 254)) << "cancelled";

    const auto specular = [this] {
        std::array<GLfloat, 4> colour{};
        view->withContext([&] { glGetLightfv(GL_LIGHT1, GL_SPECULAR, colour.data()); });
        return colour;
    };
    window->backlightColourAction->trigger();
    EXPECT_EQ(specular(), (std::array<GLfloat, 4>{1.296875f, 0.5f, 0.5f, 1.0f}));
    window->backlightColourAction->trigger();
    EXPECT_EQ(specular(), (std::array<GLfloat, 4>{1.296875f, 0.5f, 0.5f, 1.0f})) << "cancelled";
    EXPECT_TRUE(colours.answers.empty());
}

TEST_F(ViewWidgetTest, WireframeButtonOutlinesTheCarAndBack) {
    window->openModel(KORVEX_SAMPLE_CAR);
    const QImage solid = frame();
    const auto polygonMode = [this] {
        GLint modes[2] = {0, 0};
        view->withContext([&] { glGetIntegerv(GL_POLYGON_MODE, modes); });
        return modes[0];
    };
    window->wireframeAction->trigger();
    EXPECT_TRUE(state().view.Wireframe);
    EXPECT_EQ(polygonMode(), GL_LINE);
    const QImage outlined = frame();
    EXPECT_NE(outlined, solid);
    EXPECT_GT(litPixels(outlined), litPixels(solid) / 4);
    window->wireframeAction->trigger();
    EXPECT_EQ(polygonMode(), GL_FILL);
    EXPECT_EQ(frame(), solid);
}

}  // namespace

int main(int argc, char** argv) {
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
