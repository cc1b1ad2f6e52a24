#include "korvex_application.h"

#include "main_window.h"
#include "qt_prompts.h"

#include <new>

namespace korvex {

KorvexApplication::KorvexApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // No display name: on X11 it would be appended to every window's title,
    // and each message box must show its caption alone.
    setApplicationName("korvex-viewer");
    setApplicationVersion("1.0");
    // Lets the desktop match the windows to the installed launcher and icon.
    setDesktopFileName("org.example.KorvexViewer");
}

bool KorvexApplication::notify(QObject* receiver, QEvent* event) {
    std::string failure;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        failure = "Out of memory.";
    } catch (const std::exception& escaped) {
        failure = escaped.what();
    }
    QtPrompts fallback(activeWindow());
    showEscapedFailure(prompts_ != nullptr ? *prompts_ : fallback, failure);
    return false;
}

}  // namespace korvex
