#pragma once
// Reads a text file line by line. A line ends at CR LF, at LF, or at a lone
// CR; the bytes of a line are kept as they are.

#include "model/model_stream.h"

#include <filesystem>
#include <string>

namespace korvex {

class TextLineReader {
public:
    // Throws LoadError("Cannot open file \"PATH\". REASON").
    explicit TextLineReader(const std::filesystem::path& path) : stream_(ModelStream::open(path)) {}
    explicit TextLineReader(ModelStream stream) : stream_(std::move(stream)) {}

    // The next line without its line break; past the end of the file, an
    // empty line. Throws LoadError when the file cannot be read.
    std::string readLine();
    bool atEnd() const { return stream_.position() >= stream_.size(); }
    void close() { stream_.close(); }

private:
    ModelStream stream_;
};

}  // namespace korvex
