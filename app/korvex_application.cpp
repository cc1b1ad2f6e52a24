#include "korvex_application.h"

#include "main_window.h"
#include "qt_prompts.h"

#include <cstdio>
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
        failure = "Out of memory.";  // short enough to need no memory of its own
    } catch (const std::exception& escaped) {
        try {
            failure = escaped.what();
        } catch (const std::bad_alloc&) {
            failure = "Out of memory.";
        }
    }
    // With memory short the box itself may fail; the message then goes to
    // standard error, and the program goes on.
    try {
        QtPrompts fallback(activeWindow());
        showEscapedFailure(prompts_ != nullptr ? *prompts_ : fallback, failure);
    } catch (const std::exception&) {
        std::fprintf(stderr, "korvex-viewer: %s\n", failure.c_str());
    }
    return false;
}

}  // namespace korvex
