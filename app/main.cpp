// korvex-viewer [MODEL]: the viewer, opening MODEL at start when given.

#include "korvex_application.h"
#include "main_window.h"
#include "qt_prompts.h"
#include "ui/window_common.h"

#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

namespace {

constexpr const char* UsageText =
    "usage: korvex-viewer [MODEL]\n"
    "Shows the car-model file MODEL (an ELF object, .o) as a 3-D model.\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the program's version and exit\n";

bool isArgument(const char* given, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (std::strcmp(given, name) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Help and version are answered before any display is opened, so that
    // they work where there is none.
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], {"--help", "-h"})) {
            std::fputs(UsageText, stdout);
            return 0;
        }
        if (isArgument(argv[i], {"--version"})) {
            std::printf("korvex-viewer %s\n", korvex::ProgramVersion.data());
            return 0;
        }
    }
    korvex::KorvexApplication app(argc, argv);
    // The application has taken its own options (-platform, ...) out of argv;
    // any other word that starts with "--" is an option this program lacks.
    if (argc > 2 || (argc == 2 && std::strncmp(argv[1], "--", 2) == 0)) {
        std::fputs(UsageText, stderr);
        return 2;
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
