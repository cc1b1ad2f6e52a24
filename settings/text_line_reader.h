#pragma once
// Reads a text file line by line. A line ends at CR LF, at LF, or at a lone
// CR; the bytes of a line are kept as they are, up to a length, so that a
// file of one endless line costs no more memory than a short one.

#include "model/model_stream.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace korvex {

// What a reader keeps of one line: its first bytes, and what holds for the
// whole of it.
struct TextLine {
    std::string text;    // the first bytes, at most as many as the reader keeps
    bool cut = false;    // the line went on past `text`
    bool blank = true;   // nothing in the whole line but blanks and control characters
    uint32_t found = 0;  // bit k: watched word k occurs somewhere in the line

    bool has(std::size_t word) const { return (found >> word & 1u) != 0; }
};

class TextLineReader {
public:
    // What a line keeps unless the caller asks for less: far more than any
    // honest line of a settings file, and small beside a file that is all
    // one line.
    static constexpr std::size_t MostKept = std::size_t{16} << 20;

    // Throws LoadError("Cannot open file \"PATH\". REASON").
    explicit TextLineReader(const std::filesystem::path& path) : stream_(ModelStream::open(path)) {}
    explicit TextLineReader(ModelStream stream) : stream_(std::move(stream)) {}

    // The next line without its line break, its first `keep` bytes kept and
    // each of `watched` (at most 32 words) looked for in all of it; past the
    // end of the file, an empty line. Throws LoadError when the file cannot be read.
    TextLine readLine(std::size_t keep = MostKept, std::span<const std::string_view> watched = {});
    bool atEnd() const { return stream_.position() >= stream_.size(); }
    void close() { stream_.close(); }

private:
    ModelStream stream_;
};

}  // namespace korvex
