#include "geometry_decoder.h"

#include <algorithm>
#include <string>

namespace korvex {

namespace {

constexpr int MarkerLength = 8;
constexpr int SearchLimit = 1000;  // bytes read at most while looking for the marker
constexpr int64_t SkippedHeaderBytes = 32;

// Moves the stream past the marker. The marker counts only when its last
// byte is among the first SearchLimit - 1 bytes; reading past the end throws.
bool findMarker(ModelStream& stream) {
    const auto available = stream.peek(SearchLimit);
    int run = 0;
    for (int read = 1; read <= SearchLimit; ++read) {
        if (static_cast<std::size_t>(read) > available.size()) {
            stream.skip(read - 1);
            throw LoadError(StreamReadError);
        }
        run = available[read - 1] == 0xFF ? run + 1 : 0;
        if (run == MarkerLength) {
            stream.skip(read);
            return read < SearchLimit;
        }
    }
    stream.skip(SearchLimit);
    return false;
}

void showFailure(Prompts& prompts, std::string_view what, const std::exception& failure) {
    prompts.message("Error", std::string(what) + "\rMessage: " + failure.what(), BoxIcon::Error);
}

// Sizes `records` from a count in the file only once the file is known to hold them.
template <typename Records>
void readRecords(ModelStream& stream, Records& records, int32_t count) {
    using Record = typename Records::value_type;
    if (!stream.canHold(count, sizeof(Record))) throw LoadError(StreamReadError);
    records.resize(static_cast<std::size_t>(count));
    try {
        stream.read(records.data(), records.size() * sizeof(Record));
    } catch (...) {
        records.clear();  // never keep records that were not read
        throw;
    }
}

// One step of the decoder: seek, then read `count` records; a failure shows
// the step's error box.
template <typename Records>
bool readStep(ModelStream& stream, int64_t at, Records& records, int32_t count, std::string_view what,
              Prompts& prompts) {
    try {
        stream.seek(at);
        readRecords(stream, records, count);
        return true;
    } catch (const LoadError& failure) {
        showFailure(prompts, what, failure);
        return false;
    }
}

}  // namespace

bool DecodeGeometry(ModelStream& stream, VertexArray& vertices, TriArray& indices, int64_t base, Prompts& prompts) {
    if (!findMarker(stream)) {
        prompts.message("Error", "Could not find the start of the geometry section in the file.", BoxIcon::Error);
        return false;
    }

    int32_t vertexOffset = 0, vertexCount = 0, indexOffset = 0, indexCount = 0;
    try {
        vertexOffset = stream.readValue<int32_t>();
        vertexCount = stream.readValue<int32_t>();
        stream.skip(SkippedHeaderBytes);
        indexOffset = stream.readValue<int32_t>();
        indexCount = stream.readValue<int32_t>();
    } catch (const LoadError& failure) {
        showFailure(prompts, "Error while loading geometry offsets and lengths. ", failure);
        return false;
    }

    if (!readStep(stream, base + vertexOffset, vertices, vertexCount, "Error while loading vertexes. ", prompts))
        return false;
    for (ModelVertex& vertex : vertices) vertex.TexCoord[1] = 1.0f - vertex.TexCoord[1];

    if (!readStep(stream, base + indexOffset, indices, indexCount, "Error while loading triangle list. ", prompts))
        return false;
    // Files often end the strip with a filler index; only the very last one is checked.
    if (!indices.empty() && (indices.back() == 0 || int64_t{indices.back()} > int64_t{vertexCount} - 1))
        indices.pop_back();
    return true;
}

bool indicesInRange(const TriArray& indices, std::size_t vertexCount) {
    return std::all_of(indices.begin(), indices.end(), [&](uint16_t index) { return index < vertexCount; });
}

}  // namespace korvex
