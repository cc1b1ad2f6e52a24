#include "text_line_reader.h"

#include <algorithm>

namespace korvex {

namespace {

constexpr std::size_t ChunkSize = 4096;

bool isLineBreak(uint8_t byte) {
    return byte == '\r' || byte == '\n';
}

// Looks for the watched words in a line that arrives piece by piece; a word
// may straddle two pieces, so the end of each piece is kept for the next.
class WordWatch {
public:
    WordWatch(std::span<const std::string_view> words, TextLine& line) : words_(words), line_(line) {
        for (const std::string_view word : words_) overlap_ = std::max(overlap_, word.size());
    }

    void look(std::string_view piece) {
        if (words_.empty()) return;
        window_.append(piece);
        for (std::size_t k = 0; k < words_.size() && k < 32; ++k)
            if (window_.find(words_[k]) != std::string::npos) line_.found |= 1u << k;
        if (window_.size() >= overlap_) window_.erase(0, window_.size() - (overlap_ - 1));
    }

private:
    std::span<const std::string_view> words_;
    TextLine& line_;
    std::size_t overlap_ = 1;
    std::string window_;
};

}  // namespace

TextLine TextLineReader::readLine(std::size_t keep, std::span<const std::string_view> watched) {
    TextLine line;
    WordWatch watch(watched, line);
    while (!atEnd()) {
        const auto bytes = stream_.peek(ChunkSize);
        const auto lineEnd = std::find_if(bytes.begin(), bytes.end(), isLineBreak);
        const auto length = static_cast<std::size_t>(lineEnd - bytes.begin());
        const std::string_view piece(reinterpret_cast<const char*>(bytes.data()), length);
        const std::size_t room = keep - std::min(keep, line.text.size());
        line.text.append(piece.substr(0, room));
        line.cut = line.cut || piece.size() > room;
        line.blank = line.blank && std::all_of(piece.begin(), piece.end(),
                                               [](char c) { return static_cast<unsigned char>(c) <= ' '; });
        watch.look(piece);
        stream_.skip(static_cast<int64_t>(length));
        if (lineEnd == bytes.end()) continue;

        const uint8_t lineBreak = *lineEnd;
        stream_.skip(1);
        if (lineBreak == '\r') {
            const auto next = stream_.peek(1);
            if (!next.empty() && next[0] == '\n') stream_.skip(1);
        }
        return line;
    }
    return line;
}

}  // namespace korvex
