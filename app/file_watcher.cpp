#include "file_watcher.h"

#include "ui/window_common.h"

#include <sys/stat.h>

#include <set>

namespace korvex {

FileIdentity identityOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return FileIdentity{true, static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
                        static_cast<uint64_t>(status.st_size),
                        int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec};
}

std::filesystem::path watchedForm(const std::filesystem::path& path) {
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    return (failed ? path : absolute).lexically_normal();
}

FileWatcher::FileWatcher(QObject* parent) : QObject(parent), system_(this) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(QuietSpellMs);
    quiet_.setTimerType(Qt::PreciseTimer);
    connect(&quiet_, &QTimer::timeout, this, [this] { settle(); });
    connect(&system_, &QFileSystemWatcher::fileChanged, this, [this] { news(); });
    connect(&system_, &QFileSystemWatcher::directoryChanged, this, [this] { news(); });
}

void FileWatcher::watch(const std::vector<std::filesystem::path>& files) {
    std::map<std::filesystem::path, FileIdentity> wanted;
    for (const std::filesystem::path& file : files) {
        const std::filesystem::path form = watchedForm(file);
        const auto known = files_.find(form);
        wanted.emplace(form, known != files_.end() ? known->second : identityOf(form));
    }
    if (wanted.size() == files_.size() &&
        std::equal(wanted.begin(), wanted.end(), files_.begin(),
                   [](const auto& a, const auto& b) { return a.first == b.first; }))
        return;
    files_ = std::move(wanted);
    if (files_.empty()) quiet_.stop();
    watchSystemPaths();
}

std::vector<std::filesystem::path> FileWatcher::watched() const {
    std::vector<std::filesystem::path> paths;
    for (const auto& [path, identity] : files_) paths.push_back(path);
    return paths;
}

void FileWatcher::watchSystemPaths() {
    // The files that are there, and the folders of all of them: a file
    // renamed over, or deleted and made again, is seen through its folder.
    QStringList wanted;
    for (const auto& [path, identity] : files_) {
        if (identityOf(path).exists) wanted << toQPath(path);
        wanted << toQPath(path.parent_path());
    }
    wanted.removeDuplicates();
    const QStringList now = system_.files() + system_.directories();
    QStringList gone;
    for (const QString& path : now)
        if (!wanted.contains(path)) gone << path;
    if (!gone.isEmpty()) system_.removePaths(gone);
    QStringList added;
    for (const QString& path : wanted)
        if (!now.contains(path)) added << path;
    if (!added.isEmpty()) system_.addPaths(added);
}

void FileWatcher::news() {
    // Each piece of news starts the spell again: a save in several writes
    // is looked at once, when it is over.
    if (files_.empty()) return;
    quiet_.start();
    if (!onStirring) return;
    std::vector<std::filesystem::path> stirring;
    for (const auto& [path, identity] : files_) {
        const FileIdentity now = identityOf(path);
        if (now == identity) continue;
        const auto [told, added] = stirring_.try_emplace(path, now);
        if (!added && told->second == now) continue;
        told->second = now;
        stirring.push_back(path);
    }
    if (!stirring.empty()) onStirring(stirring);
}

void FileWatcher::settle() {
    stirring_.clear();
    std::vector<std::filesystem::path> changed;
    QStringList stale;
    for (auto& [path, identity] : files_) {
        const FileIdentity now = identityOf(path);
        if (now == identity) continue;
        // A file renamed over or made again is another file under the same
        // name: the watch on the old one would see nothing more.
        const QString name = toQPath(path);
        if ((now.inode != identity.inode || now.device != identity.device) && system_.files().contains(name))
            stale << name;
        identity = now;
        changed.push_back(path);
    }
    if (!stale.isEmpty()) system_.removePaths(stale);
    watchSystemPaths();
    if (!changed.empty() && onChanged) onChanged(changed);
}

}  // namespace korvex
