#include "text_line_reader.h"

#include <algorithm>

namespace korvex {

namespace {

constexpr std::size_t ChunkSize = 4096;

bool isLineBreak(uint8_t byte) { return byte == '\r' || byte == '\n'; }

}  // namespace

std::string TextLineReader::readLine() {
    std::string line;
    while (!atEnd()) {
        const auto bytes = stream_.peek(ChunkSize);
        const auto lineEnd = std::find_if(bytes.begin(), bytes.end(), isLineBreak);
        const auto length = static_cast<std::size_t>(lineEnd - bytes.begin());
        line.append(reinterpret_cast<const char*>(bytes.data()), length);
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
