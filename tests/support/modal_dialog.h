#pragma once
// Answering a dialog that a command shows modally: the answer is queued to
// run inside the dialog's own event loop.

#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

namespace korvex::fixtures {

// Runs `command`, which may show `dialog` modally, and `whileShown` once it
// is up; the dialog is cancelled should `whileShown` leave it open. Answers
// whether the dialog was shown; a command that returns without showing it
// costs no waiting.
inline bool whileModal(QDialog& dialog, const std::function<void()>& command, const std::function<void()>& whileShown) {
    bool reached = false;
    bool returned = false;
    QTimer::singleShot(0, &dialog, [&] {
        if (QTest::qWaitFor([&] { return returned || (dialog.isVisible() && dialog.isModal()); }, 2000) && !returned) {
            reached = true;
            whileShown();
            if (dialog.isVisible()) dialog.reject();
        }
    });
    command();
    returned = true;
    // The queued answer runs now should the command not have shown the dialog.
    QCoreApplication::processEvents();
    return reached;
}

}  // namespace korvex::fixtures
