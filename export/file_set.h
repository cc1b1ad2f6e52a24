#pragma once
// The files of one export, written beside the names they will have and put
// in place together once every one of them is complete, so that a failure
// part-way leaves no half-written file and the old files, if any, untouched.

#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

namespace korvex {

class FileSet {
public:
    FileSet();
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;
    // Removes every file not yet put in place.
    ~FileSet();

    // A new, empty file that will become `path`; throws ExportError
    // ("cannot write PATH: reason") when its folder takes no new file.
    std::ostream& add(const std::filesystem::path& path);

    // Finishes every file and renames each onto its name, the first one
    // added last, so that a set's main file is never there without the rest; throws
    // ExportError naming the first file that could not be written.
    void commit();

private:
    struct Pending;
    std::vector<std::unique_ptr<Pending>> files_;
};

}  // namespace korvex
