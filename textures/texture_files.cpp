#include "texture_files.h"

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

}  // namespace korvex
