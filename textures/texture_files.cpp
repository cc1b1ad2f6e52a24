#include "texture_files.h"

#include <QCoreApplication>

#include <system_error>

namespace korvex {

TextureFileKind textureFileKind(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 >= name.size()) return TextureFileKind::Unknown;
    switch (name[dot + 1]) {
        case 't':
        case 'T':
            return TextureFileKind::Tga;
        case 'j':
        case 'J':
            return TextureFileKind::Jpeg;
        case 'b':
        case 'B':
            return TextureFileKind::Bmp;
        default:
            return TextureFileKind::Unknown;
    }
}

std::filesystem::path locateDataFile(std::string_view name, const std::filesystem::path& executableFolder,
                                     const std::filesystem::path& installedDataFolder) {
    const std::filesystem::path relative = std::filesystem::path("Data") / name;
    for (const std::filesystem::path& candidate :
         {relative, executableFolder / relative, installedDataFolder / relative}) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) return candidate;
    }
    return relative;
}

std::filesystem::path locateProgramDataFile(std::string_view name) {
    std::error_code ignored;
    // Without an application object (the inspector) the executable is found through /proc.
    const std::filesystem::path executableFolder =
        QCoreApplication::instance() != nullptr
            ? std::filesystem::path(QCoreApplication::applicationDirPath().toStdString())
            : std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
    return locateDataFile(name, executableFolder, KORVEX_INSTALLED_DATA_DIR);
}

}  // namespace korvex
