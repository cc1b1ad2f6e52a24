#include "model_stream.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

[[noreturn]] void FailToOpen(const std::filesystem::path& path, const std::string& reason) {
    throw LoadError("Cannot open file \"" + path.string() + "\". " + reason);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

ModelStream ModelStream::Open(const std::filesystem::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) FailToOpen(path, std::strerror(errno));

    struct stat info {};
    if (::fstat(file.get(), &info) != 0) FailToOpen(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) FailToOpen(path, std::strerror(EISDIR));
    // Only a regular file has a size to trust; a device or pipe could stream forever.
    if (!S_ISREG(info.st_mode)) FailToOpen(path, "Not a regular file");

    const auto size = static_cast<int64_t>(info.st_size);
    auto data = std::make_unique_for_overwrite<uint8_t[]>(static_cast<std::size_t>(size));
    int64_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(file.get(), data.get() + done, static_cast<std::size_t>(size - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) FailToOpen(path, std::strerror(errno));
        if (got == 0) break;  // the file shrank while we read it: keep what is there
        done += got;
    }
    return ModelStream(std::move(data), done);
}

ModelStream ModelStream::FromBytes(std::vector<uint8_t> bytes) {
    auto data = std::make_unique_for_overwrite<uint8_t[]>(bytes.size());
    if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
    return ModelStream(std::move(data), static_cast<int64_t>(bytes.size()));
}

void ModelStream::Close() {
    data_.reset();
    size_ = 0;
    position_ = 0;
}

}  // namespace korvex
