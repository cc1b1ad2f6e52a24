// korvex-viewer [MODEL]: the viewer, opening MODEL at start when given.

#include "korvex_application.h"
#include "main_window.h"
#include "qt_prompts.h"

#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

int main(int argc, char** argv) {
    korvex::KorvexApplication app(argc, argv);
    // The application has taken its own options (-platform, ...) out of argv.
    if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))) {
        std::fputs("usage: korvex-viewer [MODEL]\n", argc > 2 ? stderr : stdout);
        return argc > 2 ? 2 : 0;
    }
    const std::optional<std::filesystem::path> model =
        argc == 2 ? std::optional<std::filesystem::path>(argv[1]) : std::nullopt;

    korvex::QtPrompts prompts;
    korvex::QtColourChooser colours;
    auto window = std::make_unique<korvex::MainWindow>(prompts, colours);
    prompts.setParent(window.get());
    colours.setParent(window.get());
    app.setErrorPrompts(&prompts);
    window->show();
    if (model) QTimer::singleShot(0, window.get(), [&] { window->openModel(*model); });
    const int status = app.exec();
    app.setErrorPrompts(nullptr);
    window.reset();  // closes a model left open
    return status;
}
