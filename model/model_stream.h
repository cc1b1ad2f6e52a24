#pragma once
// A model file read with the semantics of a file stream: a position, seeks
// anywhere, and reads that deliver exactly what was asked or fail with
// "Stream read error".
//
// Large reads (vertex and index records) go straight from the file into
// their destination; small ones are served from a window kept in memory, so
// the marker search and the header fields cost no system call per byte. The
// file is never copied whole: for a big model that would double both the
// memory and the time that fresh pages cost.

#include "load_error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <utility>
#include <vector>

namespace korvex {

class ModelStream {
public:
    // Throws LoadError("Cannot open file \"PATH\". REASON").
    static ModelStream open(const std::filesystem::path& path);
    static ModelStream fromBytes(std::vector<uint8_t> bytes);

    ModelStream(ModelStream&&) noexcept = default;
    ModelStream& operator=(ModelStream&&) noexcept = default;

    int64_t size() const { return size_; }
    int64_t position() const { return position_; }
    // Any position is allowed; reading from outside the file fails.
    void seek(int64_t position) { position_ = position; }
    void skip(int64_t count) { position_ += count; }

    // True when `count` records of `recordSize` bytes lie between the
    // position and the end of the file; written so that no product can overflow.
    // Checked before a vector is sized from a count found in a file.
    bool canHold(int64_t count, int64_t recordSize) const;

    void read(void* destination, std::size_t count);
    template <typename T>
    T readValue() {
        T value;
        read(&value, sizeof value);
        return value;
    }

    // Up to `count` bytes from the position on, fewer near the end of the
    // file, none outside it. The position does not move; the bytes stay
    // valid until the next read.
    std::span<const uint8_t> peek(std::size_t count);

    // Releases the file; nothing can be read afterwards.
    void close();

private:
    // Owns an open file descriptor, or none (-1).
    class FileHandle {
    public:
        explicit FileHandle(int fd = -1) : fd_(fd) {}
        FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
        FileHandle& operator=(FileHandle&& other) noexcept {
            std::swap(fd_, other.fd_);
            return *this;
        }
        ~FileHandle() { reset(); }
        int get() const { return fd_; }
        void reset();

    private:
        int fd_;
    };

    ModelStream(FileHandle file, int64_t size, std::vector<uint8_t> bytes);
    // Copies [offset, offset + count) of the file, which lies within size().
    void fetch(int64_t offset, void* destination, std::size_t count);
    bool inWindow(int64_t offset, std::size_t count) const;
    void fillWindow(int64_t offset, std::size_t atLeast);

    FileHandle file_;             // none for a stream over bytes_
    std::vector<uint8_t> bytes_;  // the whole "file" of a stream made from bytes
    int64_t size_ = 0;
    int64_t position_ = 0;
    std::vector<uint8_t> window_;
    int64_t windowStart_ = 0;
};

inline bool ModelStream::canHold(int64_t count, int64_t recordSize) const {
    if (count == 0) return true;  // nothing to read fits anywhere
    if (count < 0 || position_ < 0 || position_ > size_) return false;
    return count <= (size_ - position_) / recordSize;
}

}  // namespace korvex
