#pragma once
// Which loader an image file goes to, and where the program's own data
// files are found.

#include <filesystem>
#include <string_view>
#include <vector>

namespace korvex {

enum class TextureFileKind { Tga, Jpeg, Bmp, Unknown };

// Chosen by the first letter of the file name's extension, upper-cased:
// T, J or B. A name without an extension, or with a bare dot, is Unknown.
TextureFileKind textureFileKind(const std::filesystem::path& path);

// Where a data file is looked for: the working folder first (the
// reflection picture), or only the program's own folders (the help page).
enum class DataSearch { WorkingFolderFirst, ProgramOnly };

// The folders that may hold the program's Data/ folder, after the working
// folder: the executable's own, then each installed data folder in turn, a
// relative one taken from the executable's folder.
struct DataFolders {
    std::filesystem::path executable;
    std::vector<std::filesystem::path> installed;
};

// "Data/<name>" in the first folder that has it as a file. When none has
// it, the path a reader should report missing: "Data/<name>" in the working
// folder for WorkingFolderFirst, beside the executable for ProgramOnly.
std::filesystem::path locateDataFile(std::string_view name, const DataFolders& folders,
                                     DataSearch search = DataSearch::WorkingFolderFirst);

// locateDataFile from this program's executable folder and installed data folder.
std::filesystem::path locateProgramDataFile(std::string_view name,
                                            DataSearch search = DataSearch::WorkingFolderFirst);

}  // namespace korvex
