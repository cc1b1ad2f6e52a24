#include "model_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

constexpr std::size_t WindowSize = 64 * 1024;

[[noreturn]] void failToOpen(const std::filesystem::path& path, const std::string& reason) {
    throw LoadError("Cannot open file \"" + path.string() + "\". " + reason);
}

}  // namespace

void ModelStream::FileHandle::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

ModelStream::ModelStream(FileHandle file, int64_t size, std::vector<uint8_t> bytes)
    : file_(std::move(file)), bytes_(std::move(bytes)), size_(size) {}

ModelStream ModelStream::open(const std::filesystem::path& path) {
    // Without blocking: opening a named pipe would otherwise wait for a writer for ever.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) failToOpen(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) failToOpen(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) failToOpen(path, std::strerror(EISDIR));
    // Only a regular file has a size to trust; a device or a pipe could stream forever.
    if (!S_ISREG(info.st_mode)) failToOpen(path, "Not a regular file");
    return ModelStream(std::move(file), static_cast<int64_t>(info.st_size), {});
}

ModelStream ModelStream::fromBytes(std::vector<uint8_t> bytes) {
    const auto size = static_cast<int64_t>(bytes.size());
    return ModelStream(FileHandle(), size, std::move(bytes));
}

void ModelStream::close() {
    file_.reset();
    bytes_ = {};
    window_ = {};
    size_ = 0;
    position_ = 0;
}

void ModelStream::fetch(int64_t offset, void* destination, std::size_t count) {
    if (file_.get() < 0) {
        std::memcpy(destination, bytes_.data() + offset, count);
        return;
    }
    auto* out = static_cast<uint8_t*>(destination);
    while (count > 0) {
        const ssize_t got = ::pread(file_.get(), out, count, offset);
        if (got < 0 && errno == EINTR) continue;
        // An error, or a file that shrank after it was opened.
        if (got <= 0) throw LoadError(StreamReadError);
        out += got;
        offset += got;
        count -= static_cast<std::size_t>(got);
    }
}

bool ModelStream::inWindow(int64_t offset, std::size_t count) const {
    return offset >= windowStart_ &&
           offset - windowStart_ + static_cast<int64_t>(count) <= static_cast<int64_t>(window_.size());
}

void ModelStream::fillWindow(int64_t offset, std::size_t atLeast) {
    const auto length = static_cast<std::size_t>(std::min<int64_t>(std::max(WindowSize, atLeast), size_ - offset));
    window_.resize(length);
    windowStart_ = offset;
    try {
        fetch(offset, window_.data(), length);
    } catch (...) {
        window_.clear();
        throw;
    }
}

void ModelStream::read(void* destination, std::size_t count) {
    if (count == 0) return;
    if (position_ < 0 || position_ > size_ || count > static_cast<uint64_t>(size_ - position_))
        throw LoadError(StreamReadError);
    if (inWindow(position_, count)) {
        std::memcpy(destination, window_.data() + (position_ - windowStart_), count);
    } else if (count >= WindowSize / 2) {
        fetch(position_, destination, count);
    } else {
        fillWindow(position_, count);
        std::memcpy(destination, window_.data(), count);
    }
    position_ += static_cast<int64_t>(count);
}

std::span<const uint8_t> ModelStream::peek(std::size_t count) {
    if (position_ < 0 || position_ >= size_) return {};
    count = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(count), size_ - position_));
    if (!inWindow(position_, count)) fillWindow(position_, count);
    return {window_.data() + (position_ - windowStart_), count};
}

}  // namespace korvex
