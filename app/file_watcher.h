#pragma once
// Watches files that other programs change: the open model, its settings
// file, the pictures behind the textures. Editors save in three ways (write
// in place; write a new file and rename it over the old one; delete and
// create), so the folders are watched as well as the files. After a quiet
// spell with no more news, each file is looked at once, and those whose
// identity or content changed (size, modification time, inode) are reported.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

namespace korvex {

// What tells one state of a file from another.
struct FileIdentity {
    bool exists = false;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity identityOf(const std::filesystem::path& path);

// The form under which a file is watched and reported: absolute, with no
// "." or ".." left in it.
std::filesystem::path watchedForm(const std::filesystem::path& path);

class FileWatcher : public QObject {
public:
    explicit FileWatcher(QObject* parent = nullptr);

    // Milliseconds without news before the files are looked at.
    static constexpr int QuietSpellMs = 150;

    // Watches exactly `files`. A file new to the list is taken as it is now;
    // one that stays keeps what was known of it.
    void watch(const std::vector<std::filesystem::path>& files);
    std::vector<std::filesystem::path> watched() const;

    // The files that changed, in their watched form.
    std::function<void(const std::vector<std::filesystem::path>&)> onChanged;
    // Files that look changed while news is still coming in, each state of
    // a file told once: work that takes long may start on them early, but
    // only onChanged says the saving is over.
    std::function<void(const std::vector<std::filesystem::path>&)> onStirring;

private:
    void news();
    void settle();
    void watchSystemPaths();

    QFileSystemWatcher system_;
    QTimer quiet_;
    std::map<std::filesystem::path, FileIdentity> files_;
    // The states of files told to onStirring since the spell began.
    std::map<std::filesystem::path, FileIdentity> stirring_;
};

}  // namespace korvex
