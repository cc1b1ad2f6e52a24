// The main window on a display that offers no OpenGL at all.

#include "app/korvex_application.h"
#include "app/main_window.h"
#include "model/recording_io.h"
#include "tests/support/gui_test_main.h"
#include "tests/support/scripted_colours.h"
#include "ui/part_tree_model.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

using namespace korvex;

namespace {

TEST(NoOpenGl, TheWindowSaysSoOnceAndEverythingButThePictureWorks) {
    ScriptedPrompts prompts;
    fixtures::ScriptedColours colours;
    colours.answers = {0x00FFFFFFu};
    MainWindow window(prompts, colours);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);

    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].caption, "Korvex Model Viewer");
    EXPECT_EQ(prompts.shown[0].text, NoOpenGlMessage);
    EXPECT_EQ(prompts.shown[0].icon, BoxIcon::Error);
    EXPECT_EQ(window.view3d(), nullptr);
    EXPECT_EQ(window.view->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(window.view->x(), 233);

    window.openModel(KORVEX_SAMPLE_CAR);
    EXPECT_TRUE(window.state().ModelLoaded);
    EXPECT_EQ(window.treeModel->rowCount(window.treeModel->rootIndex()), 23);
    window.wireframeAction->trigger();
    EXPECT_TRUE(window.state().view.Wireframe);
    window.backgroundColourAction->trigger();
    EXPECT_EQ(colours.asked, 1);
    window.closeAction->trigger();
    EXPECT_FALSE(window.state().ModelLoaded);
    EXPECT_EQ(prompts.shown.size(), 1u);
}

}  // namespace

int main(int argc, char** argv) {
    // The X server is there, but the toolkit is told to use no OpenGL on it.
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    return korvex::fixtures::runGuiTests<KorvexApplication>(argc, argv);
}
