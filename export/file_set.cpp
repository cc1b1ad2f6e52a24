#include "file_set.h"

#include "export_scene.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <streambuf>
#include <string>

namespace korvex {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
    throw ExportError(path, std::strerror(error));
}

// Writes to a file descriptor through a buffer of its own; a large write
// goes straight to the file. Remembers the first error.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd), buffer_(BufferSize) {
        setp(buffer_.data(), buffer_.data() + BufferSize);
    }

    int error() const { return error_; }

    // Writes what is buffered; false once anything failed.
    bool flushAll() { return sync() == 0; }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* data, std::streamsize size) override {
        if (size < epptr() - pptr()) {
            std::memcpy(pptr(), data, static_cast<std::size_t>(size));
            pbump(static_cast<int>(size));
            return size;
        }
        if (!drain() || !writeAll(data, static_cast<std::size_t>(size))) return 0;
        return size;
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    static constexpr std::size_t BufferSize = std::size_t{1} << 20;

    bool drain() {
        const bool written = writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        setp(buffer_.data(), buffer_.data() + BufferSize);
        return written;
    }

    bool writeAll(const char* data, std::size_t size) {
        while (error_ == 0 && size > 0) {
            const ssize_t written = ::write(fd_, data, size);
            if (written < 0) {
                if (errno != EINTR) error_ = errno;
                continue;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return error_ == 0;
    }

    int fd_;
    std::vector<char> buffer_;
    int error_ = 0;
};

// The longest file name the folder takes, in bytes.
std::size_t longestName(const std::filesystem::path& folder) {
    const long most = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return most > 0 ? static_cast<std::size_t>(most) : 255;
}

// A name beside `target` that no file has: ".NAME.NUMBER.SUFFIX", with NAME
// cut short where the whole would be longer than the folder allows.
std::filesystem::path besideName(const std::filesystem::path& target, std::mt19937& pick, const char* suffix) {
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    const std::string tail = "." + std::to_string(pick() % 1000000) + suffix;
    std::string name = target.filename().string();
    const std::size_t room = longestName(folder);
    if (1 + name.size() + tail.size() > room) name.resize(room > tail.size() + 1 ? room - tail.size() - 1 : 0);
    return folder / ("." + name + tail);
}

std::mt19937 seededPick() {
    std::random_device seed;
    return std::mt19937(seed());
}

// A new empty file beside `target`, readable and writable as the user's umask allows.
int createBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    std::mt19937 pick = seededPick();
    for (int attempt = 0;; ++attempt) {
        temporary = besideName(target, pick, ".part");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST || attempt == 100) fail(target, errno);
    }
}

// Keeps what `target` holds under a second name beside it, for as long as
// the set may still have to give it back; nothing when there is no such file.
std::filesystem::path keepOld(const std::filesystem::path& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno == ENOENT) return {};
        fail(target, errno);
    }
    std::mt19937 pick = seededPick();
    for (int attempt = 0;; ++attempt) {
        std::filesystem::path kept = besideName(target, pick, ".old");
        if (::link(target.c_str(), kept.c_str()) == 0) return kept;
        if (errno == EEXIST && attempt < 100) continue;
        // A file system without hard links: the old file steps aside instead.
        if ((errno == EPERM || errno == ENOTSUP || errno == EMLINK) && ::rename(target.c_str(), kept.c_str()) == 0)
            return kept;
        fail(target, errno);
    }
}

}  // namespace

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code failed;
    if (std::filesystem::equivalent(a, b, failed) && !failed) return true;
    const std::filesystem::path left = std::filesystem::weakly_canonical(std::filesystem::absolute(a), failed);
    if (failed) return false;
    const std::filesystem::path right = std::filesystem::weakly_canonical(std::filesystem::absolute(b), failed);
    return !failed && left == right;
}


struct FileSet::Pending {
    std::filesystem::path target, temporary, kept;
    int fd = -1;
    bool placed = false;
    DescriptorBuffer buffer;
    std::ostream stream;

    Pending(std::filesystem::path path, std::filesystem::path temp, int descriptor)
        : target(std::move(path)), temporary(std::move(temp)), fd(descriptor), buffer(descriptor), stream(&buffer) {}

    // Writes out and closes the file; the reason it failed, or 0.
    int finish() {
        const bool flushed = stream.good() && buffer.flushAll();
        int error = flushed ? 0 : buffer.error() != 0 ? buffer.error() : EIO;
        if (::close(fd) != 0 && error == 0) error = errno;
        fd = -1;
        return error;
    }

    // Gives the name back what it held before the set was put in place.
    void restore() {
        if (!kept.empty()) {
            ::rename(kept.c_str(), target.c_str());
            kept.clear();
        } else if (placed) {
            ::unlink(target.c_str());
        }
        placed = false;
    }
};

FileSet::FileSet() = default;

FileSet::~FileSet() {
    for (const auto& file : files_) {
        if (file->fd >= 0) ::close(file->fd);
        if (!file->temporary.empty()) ::unlink(file->temporary.c_str());
        if (!file->kept.empty()) file->restore();
    }
}

void FileSet::protect(const std::filesystem::path& path, std::string what) {
    protected_.emplace_back(path, std::move(what));
}

std::ostream& FileSet::add(const std::filesystem::path& path) {
    for (const auto& [input, what] : protected_)
        if (sameFile(path, input)) throw ExportError(path, "it is " + what);
    for (const auto& file : files_)
        if (sameFile(path, file->target))
            throw ExportError(path, "another file of this export is written there (" + file->target.string() + ")");
    std::filesystem::path temporary;
    const int fd = createBeside(path, temporary);
    files_.push_back(std::make_unique<Pending>(path, temporary, fd));
    return files_.back()->stream;
}

void FileSet::commit() {
    for (const auto& file : files_)
        if (const int error = file->finish()) fail(file->target, error);
    // Renaming onto a folder is the one failure that can be seen coming;
    // it is looked for before any file is put in place.
    for (const auto& file : files_) {
        std::error_code ignored;
        if (std::filesystem::is_directory(file->target, ignored)) fail(file->target, EISDIR);
    }
    try {
        for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
            Pending& pending = **file;
            pending.kept = keepOld(pending.target);
            if (::rename(pending.temporary.c_str(), pending.target.c_str()) != 0) fail(pending.target, errno);
            pending.temporary.clear();
            pending.placed = true;
        }
    } catch (...) {
        for (const auto& file : files_) file->restore();
        throw;
    }
    // Every file is in place: what they replaced can go.
    for (const auto& file : files_) {
        if (!file->kept.empty()) ::unlink(file->kept.c_str());
        file->kept.clear();
    }
}

void writeWholeFile(const std::filesystem::path& path, std::span<const char> bytes) {
    FileSet files;
    files.add(path).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    files.commit();
}

}  // namespace korvex
