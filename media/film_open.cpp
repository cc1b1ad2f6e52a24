// FilmWriter::open on the program's side: the encoders are in a module of
// their own (film_module.cpp), loaded the first time a film is written.
// FFmpeg and libwebp bring a hundred shared libraries with them, which
// would otherwise be loaded by every start of the viewer and by every
// picture command of the inspector, most of which never write a film.

#include "media/film_writer.h"

#include <dlfcn.h>

#include <array>
#include <system_error>

namespace korvex {

namespace {

using OpenFilm = FilmWriter* (*)(const std::filesystem::path*, int, const FilmSettings*);

constexpr const char* ModuleName = "korvex-media.so";

// Beside the installed programs first, then where the installation put it,
// then where the build made it.
std::array<std::filesystem::path, 3> moduleCandidates() {
    std::error_code ignored;
    const std::filesystem::path executableFolder =
        std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
    return {executableFolder / KORVEX_RELATIVE_MODULE_DIR / ModuleName,
            std::filesystem::path(KORVEX_INSTALLED_MODULE_DIR) / ModuleName,
            std::filesystem::path(KORVEX_BUILT_MEDIA_MODULE)};
}

struct LoadedModule {
    OpenFilm open = nullptr;
    std::string whyNot;
};

LoadedModule loadModule() {
    LoadedModule loaded;
    for (const std::filesystem::path& candidate : moduleCandidates()) {
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(candidate, ignored)) continue;
        // Kept loaded until the process ends: its libraries' exit handlers run then.
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = ::dlerror();
            loaded.whyNot = why != nullptr ? why : candidate.string();
            return loaded;
        }
        loaded.open = reinterpret_cast<OpenFilm>(::dlsym(handle, "korvexOpenFilm"));
        if (loaded.open == nullptr) loaded.whyNot = candidate.string() + " is not the film encoders' module";
        return loaded;
    }
    loaded.whyNot = std::string(ModuleName) + " was not found";
    return loaded;
}

}  // namespace

std::unique_ptr<FilmWriter> FilmWriter::open(const std::filesystem::path& path, FilmKind kind,
                                             const FilmSettings& settings) {
    std::string whyNot;
    if (!filmSettingsValid(kind, settings, whyNot)) throw MediaError(whyNot);
    static const LoadedModule module = loadModule();
    if (module.open == nullptr) throw MediaError("the film encoders cannot be loaded: " + module.whyNot);
    return std::unique_ptr<FilmWriter>(module.open(&path, static_cast<int>(kind), &settings));
}

}  // namespace korvex
