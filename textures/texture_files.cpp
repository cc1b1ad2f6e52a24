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

std::filesystem::path locateDataFile(std::string_view name, const DataFolders& folders, DataSearch search) {
    const std::filesystem::path relative = std::filesystem::path("Data") / name;
    std::vector<std::filesystem::path> candidates;
    if (search == DataSearch::WorkingFolderFirst) candidates.push_back(relative);
    candidates.push_back(folders.executable / relative);
    for (const std::filesystem::path& installed : folders.installed)
        candidates.push_back(folders.executable / installed / relative);  // an absolute one replaces the base
    for (const std::filesystem::path& candidate : candidates) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) return candidate;
    }
    return candidates.front();
}

std::filesystem::path locateProgramDataFile(std::string_view name, DataSearch search) {
    std::error_code ignored;
    // Without an application object (the inspector) the executable is found through /proc.
    const std::filesystem::path executableFolder =
        QCoreApplication::instance() != nullptr
            ? std::filesystem::path(QCoreApplication::applicationDirPath().toStdString())
            : std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
    // The relative folder finds an installation moved to another prefix.
    return locateDataFile(name, {executableFolder, {KORVEX_RELATIVE_DATA_DIR, KORVEX_INSTALLED_DATA_DIR}}, search);
}

}  // namespace korvex
