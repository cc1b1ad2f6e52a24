#include "picture_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace korvex {

namespace {

constexpr const char* ModuleName = "korvex-inspect-pictures.so";

using PictureCommand = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

// The module's file: beside the executable in the build tree, else where
// the installation put it, reached from the executable's folder first.
std::filesystem::path pictureModulePath(const std::filesystem::path& executableFolder) {
    const std::filesystem::path candidates[] = {
        executableFolder / ModuleName,
        executableFolder / KORVEX_RELATIVE_MODULE_DIR / ModuleName,
        std::filesystem::path(KORVEX_INSTALLED_MODULE_DIR) / ModuleName,
    };
    for (const std::filesystem::path& candidate : candidates) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) return candidate;
    }
    return candidates[0];
}

}  // namespace

int runPictureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::error_code ignored;
    const std::filesystem::path module =
        pictureModulePath(std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path());
    // Kept loaded until the process ends: its libraries' exit handlers run then.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto command = handle != nullptr
                             ? reinterpret_cast<PictureCommand>(::dlsym(handle, "korvexInspectPictures"))
                             : nullptr;
    if (command == nullptr) {
        const char* why = ::dlerror();
        err << "korvex-inspect: cannot load the picture commands: " << (why != nullptr ? why : module.string())
            << '\n';
        return 1;
    }
    return command(args, out, err);
}

}  // namespace korvex
