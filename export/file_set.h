#pragma once
// The files of one export, written beside the names they will have and put
// in place together once every one of them is complete, so that a failure
// part-way leaves no half-written file and the old files, if any, untouched.

#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace korvex {

class FileSet {
public:
    FileSet();
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;
    // Removes every file not yet put in place.
    ~FileSet();

    // A file the set must never write, described as in "it is WHAT" (the
    // model being exported, a picture it uses).
    void protect(const std::filesystem::path& path, std::string what);

    // A new, empty file that will become `path`; throws ExportError
    // ("cannot write PATH: reason") when its folder takes no new file, when
    // `path` is a protected file, or when the set already writes it.
    std::ostream& add(const std::filesystem::path& path);

    // Finishes every file and renames each onto its name, the first one
    // added last, so that a set's main file is never there without the
    // rest. Should any of it fail, every name is given back what it held
    // before, and ExportError names the first file that could not be written.
    void commit();

private:
    struct Pending;
    std::vector<std::unique_ptr<Pending>> files_;
    std::vector<std::pair<std::filesystem::path, std::string>> protected_;
};

// Whether `a` and `b` name the same file, whether or not it exists yet.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Writes `bytes` as the file `path` through a FileSet: whole, or not at all.
void writeWholeFile(const std::filesystem::path& path, std::span<const char> bytes);

}  // namespace korvex
