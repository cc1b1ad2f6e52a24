#pragma once
// A model file held in memory, read with the semantics of a file stream:
// a position, seeks anywhere, and reads that deliver exactly what was asked
// or fail with "Stream read error".

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "load_error.h"

namespace korvex {

class ModelStream {
public:
    // Reads the whole file; throws LoadError("Cannot open file \"PATH\". REASON").
    static ModelStream Open(const std::filesystem::path& path);
    static ModelStream FromBytes(std::vector<uint8_t> bytes);

    int64_t Size() const { return size_; }
    int64_t Position() const { return position_; }
    // Any position is allowed; reading from outside the file fails.
    void Seek(int64_t position) { position_ = position; }
    void Skip(int64_t count) { position_ += count; }

    // True when `count` records of `recordSize` bytes lie between the
    // position and the end of the file; written so that no product can overflow.
    // Checked before a vector is sized from a count found in a file.
    bool CanHold(int64_t count, int64_t recordSize) const;

    void Read(void* destination, std::size_t count);
    template <typename T>
    T ReadValue() {
        T value;
        Read(&value, sizeof value);
        return value;
    }
    // The bytes from the position to the end of the file (empty outside it).
    std::span<const uint8_t> Remaining() const;

    // Frees the file's bytes; nothing can be read afterwards.
    void Close();

private:
    ModelStream(std::unique_ptr<uint8_t[]> data, int64_t size) : data_(std::move(data)), size_(size) {}

    std::unique_ptr<uint8_t[]> data_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

inline bool ModelStream::CanHold(int64_t count, int64_t recordSize) const {
    if (count == 0) return true;  // nothing to read fits anywhere
    if (count < 0 || position_ < 0 || position_ > size_) return false;
    return count <= (size_ - position_) / recordSize;
}

inline void ModelStream::Read(void* destination, std::size_t count) {
    if (count == 0) return;
    if (position_ < 0 || position_ > size_ || count > static_cast<uint64_t>(size_ - position_))
        throw LoadError(StreamReadError);
    std::memcpy(destination, data_.get() + position_, count);
    position_ += static_cast<int64_t>(count);
}

inline std::span<const uint8_t> ModelStream::Remaining() const {
    if (position_ < 0 || position_ >= size_) return {};
    return {data_.get() + position_, static_cast<std::size_t>(size_ - position_)};
}

}  // namespace korvex
