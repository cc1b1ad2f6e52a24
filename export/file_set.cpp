#include "file_set.h"

#include "export_scene.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <streambuf>
#include <string>

namespace korvex {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
    throw ExportError("cannot write " + path.string() + ": " + std::strerror(error));
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

// A name beside `target` that no file has, made as an empty file readable
// and writable as the user's umask allows.
int createBeside(const std::filesystem::path& target, std::filesystem::path& temporary) {
    std::random_device seed;
    std::mt19937 pick(seed());
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (int attempt = 0;; ++attempt) {
        temporary = folder / ("." + target.filename().string() + "." + std::to_string(pick() % 1000000) + ".part");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST || attempt == 100) fail(target, errno);
    }
}

}  // namespace

struct FileSet::Pending {
    std::filesystem::path target, temporary;
    int fd = -1;
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
};

FileSet::FileSet() = default;

FileSet::~FileSet() {
    for (const auto& file : files_) {
        if (file->fd >= 0) ::close(file->fd);
        if (!file->temporary.empty()) ::unlink(file->temporary.c_str());
    }
}

std::ostream& FileSet::add(const std::filesystem::path& path) {
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
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
        if (::rename((*file)->temporary.c_str(), (*file)->target.c_str()) != 0) fail((*file)->target, errno);
        (*file)->temporary.clear();
    }
}

}  // namespace korvex
