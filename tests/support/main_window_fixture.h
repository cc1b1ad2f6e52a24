#pragma once
// The real main window, shown and holding the keyboard focus, with scripted
// dialogs; the view draws only when asked.

#include "app/main_window.h"
#include "model/recording_io.h"
#include "render/view_widget.h"
#include "tests/support/scripted_colours.h"

#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvex::fixtures {

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(prompts, colours);
        if (window->view3d() != nullptr) window->view3d()->setFrameLoopHeld(true);
        // Smooth edges cost llvmpipe about twice the drawing; the tests that
        // are about them turn them on.
        window->smoothEdgesAction->setChecked(false);
        window->show();
        // Short-cuts and focus changes need the window to hold the X focus.
        // Wayland lets no program take the focus for itself: there the
        // window is ready once the compositor has shown it.
        if (QGuiApplication::platformName().startsWith("wayland")) {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
            return;
        }
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // The lines of the "Log" tab.
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        for (const QString& line : window->logView->toPlainText().split('\n')) lines.push_back(line.toStdString());
        return lines;
    }

    ScriptedPrompts prompts;
    ScriptedColours colours;
    std::unique_ptr<MainWindow> window;
};

}  // namespace korvex::fixtures
