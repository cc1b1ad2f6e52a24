#pragma once
// Which loader an image file goes to, and where the program's own data
// files are found.

#include <filesystem>
#include <string_view>

namespace korvex {

enum class TextureFileKind { Tga, Jpeg, Bmp, Unknown };

// Chosen by the first letter of the file name's extension, upper-cased:
// T, J or B. A name without an extension, or with a bare dot, is Unknown.
TextureFileKind textureFileKind(const std::filesystem::path& path);

// "Data/<name>" in the working folder, then beside the executable, then in
// the installed data folder; the working folder's path when none has it,
// so that whoever reads it reports that path.
std::filesystem::path locateDataFile(std::string_view name, const std::filesystem::path& executableFolder,
                                     const std::filesystem::path& installedDataFolder);

// locateDataFile for this program: beside its executable, then in the
// folder it was installed to.
std::filesystem::path locateProgramDataFile(std::string_view name);

}  // namespace korvex
