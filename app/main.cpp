// korvex-viewer [MODEL|LOOK]: the viewer, opening MODEL or LOOK at start when given.

#include "korvex_application.h"
#include "main_window.h"
#include "qt_prompts.h"
#include "ui/window_common.h"

#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* UsageText =
    "usage: korvex-viewer [MODEL|LOOK]\n"
    "Shows the car-model file MODEL (an ELF object, .o) as a 3-D model, or opens\n"
    "the look LOOK (.kvlook): a model with the names, colours and textures saved for it.\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the program's version and exit\n";

bool isArgument(const char* given, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (std::strcmp(given, name) == 0) return true;
    return false;
}

// The arguments left for this program once the toolkit's own options (and
// the values of those that take one) are set aside, as the application
// object will take them: "-platform xcb", "-style=fusion", "-reverse", ...
std::vector<const char*> programArguments(int argc, char** argv) {
    static const std::initializer_list<const char*> withValue = {"-platform",
                                                                 "-platformpluginpath",
                                                                 "-platformtheme",
                                                                 "-plugin",
                                                                 "-qwindowgeometry",
                                                                 "-qwindowicon",
                                                                 "-qwindowtitle",
                                                                 "-display",
                                                                 "-geometry",
                                                                 "-title",
                                                                 "-name",
                                                                 "-style",
                                                                 "-stylesheet",
                                                                 "-session",
                                                                 "-inputstyle",
                                                                 "-fn",
                                                                 "-font",
                                                                 "-bg",
                                                                 "-background",
                                                                 "-fg",
                                                                 "-foreground",
                                                                 "-btn",
                                                                 "-button",
                                                                 "-im",
                                                                 "-visual",
                                                                 "-cmap",
                                                                 "-ncols",
                                                                 "-qmljsdebugger",
                                                                 "-graphicssystem"};
    static const std::initializer_list<const char*> alone = {"-reverse", "-nograb",      "-dograb",
                                                             "-sync",    "-testability", "-widgetcount"};
    std::vector<const char*> left;
    for (int i = 1; i < argc; ++i) {
        const char* given = argv[i];
        // The toolkit takes them with one dash or two, and "-name=value" too.
        const char* bare = std::strncmp(given, "--", 2) == 0 ? given + 1 : given;
        const std::string name(bare, std::strcspn(bare, "="));
        if (isArgument(name.c_str(), withValue)) {
            if (std::strchr(bare, '=') == nullptr) ++i;
            continue;
        }
        if (isArgument(name.c_str(), alone)) continue;
        left.push_back(given);
    }
    return left;
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
    // A wrong command line is answered before the display is opened, so it
    // is answered where there is none. Any word that starts with "--" and
    // is not the toolkit's is an option this program lacks.
    const std::vector<const char*> arguments = programArguments(argc, argv);
    if (arguments.size() > 1 || (arguments.size() == 1 && std::strncmp(arguments[0], "--", 2) == 0)) {
        std::fputs(UsageText, stderr);
        return 2;
    }
    const std::optional<std::filesystem::path> model =
        arguments.size() == 1 ? std::optional<std::filesystem::path>(arguments[0]) : std::nullopt;
    korvex::KorvexApplication app(argc, argv);

    // What the window remembers across runs, in the user's configuration
    // folder ($XDG_CONFIG_HOME/korvex-viewer/korvex-viewer.conf).
    QSettings memory(QSettings::NativeFormat, QSettings::UserScope, "korvex-viewer", "korvex-viewer");
    korvex::QtPrompts prompts;
    prompts.useMemory(&memory);
    korvex::QtColourChooser colours;
    auto window = std::make_unique<korvex::MainWindow>(prompts, colours);
    prompts.setParent(window.get());
    colours.setParent(window.get());
    window->useMemory(&memory);
    app.setErrorPrompts(&prompts);
    window->show();
    if (model) QTimer::singleShot(0, window.get(), [&] { window->openFile(*model); });
    const int status = app.exec();
    app.setErrorPrompts(nullptr);
    window.reset();  // closes a model left open
    return status;
}
