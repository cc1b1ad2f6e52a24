#include "elf_reader.h"

#include "geometry_decoder.h"
#include "text_conversion.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string>

namespace korvex {

static_assert(std::endian::native == std::endian::little, "records are copied straight from little-endian files");

namespace {

constexpr uint8_t ElfMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr std::size_t ElfHeaderSize = 52;
constexpr uint16_t SectionHeaderSize = 40;

enum SectionType : uint32_t { ProgBits = 1, SymTab = 2, StrTab = 3 };

struct ElfHeader {
    uint8_t bytes[ElfHeaderSize];

    template <typename T>
    T at(std::size_t offset) const {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
    bool hasMagic() const { return std::memcmp(bytes, ElfMagic, sizeof ElfMagic) == 0; }
    uint32_t sectionHeaderOffset() const { return at<uint32_t>(32); }
    uint16_t sectionHeaderEntrySize() const { return at<uint16_t>(46); }
    uint16_t sectionHeaderCount() const { return at<uint16_t>(48); }
};

struct SectionHeader {
    uint32_t sh_name, sh_type, sh_flags, sh_addr, sh_offset, sh_size, sh_link, sh_info, sh_addralign, sh_entsize;
};
static_assert(sizeof(SectionHeader) == SectionHeaderSize);

struct SymbolEntry {
    uint32_t st_name, st_value, st_size;
    uint8_t st_info, st_other;
    uint16_t st_shndx;
};
static_assert(sizeof(SymbolEntry) == 16);

// A load refused for the memory it would take.
class OverBudget : public LoadError {
public:
    using LoadError::LoadError;
};

// What a load may hold: an honest file holds each part's records once, so
// its arrays, tables and part records come to about the file's size; a
// file whose symbols or section headers all point at one block, one table
// or one name would have it decoded again and again.
class LoadBudget {
public:
    explicit LoadBudget(int64_t fileSize) : left_(fileSize * 4 + (int64_t{1} << 20)), total_(left_) {}

    // Counts `bytes` about to be held; throws once the load would take more than its budget.
    void take(uint64_t bytes) {
        if (bytes > static_cast<uint64_t>(left_))
            throw OverBudget("The model needs more than " + mebibytes(total_) + ", more than its file can hold");
        left_ -= static_cast<int64_t>(bytes);
    }

private:
    // "1.5 MiB" below ten, "64 MiB" from there on.
    static std::string mebibytes(int64_t bytes) {
        const int64_t tenths = bytes * 10 / (int64_t{1} << 20);
        if (tenths >= 100) return std::to_string(tenths / 10) + " MiB";
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MiB";
    }

    int64_t left_;
    int64_t total_;
};

// What one part holds beside its geometry: its record, its arrays' headers,
// its check box, its settings row and its node in the tree, with room for
// the growth of the sequences that hold them.
constexpr uint64_t PartRecordBytes = 2 * (sizeof(GeometryPart) + sizeof(VertexArray) + sizeof(TriArray) + 1 +
                                          sizeof(GeomDataEntry) + sizeof(PartNodeData));

void logMessageLine(LogSink& log, const std::exception& failure) {
    log.LogLine(std::string("Message: \"") + failure.what() + "\"");
}

// Runs one stage; on failure logs `failureLine`, the message line, and answers false.
template <typename Stage>
bool runStage(LogSink& log, const std::string& failureLine, Stage&& stage) {
    try {
        stage();
        return true;
    } catch (const std::exception& failure) {
        log.LogLine(failureLine);
        logMessageLine(log, failure);
        return false;
    }
}

std::vector<SectionHeader> readSectionHeaders(ModelStream& stream, const ElfHeader& header, LogSink& log) {
    std::vector<SectionHeader> headers(header.sectionHeaderCount());
    log.LogLine("");
    log.LogLine("LOADING Section Headers...");
    stream.seek(header.sectionHeaderOffset());
    stream.read(headers.data(), headers.size() * sizeof(SectionHeader));
    return headers;
}

std::vector<char> readSectionBytes(ModelStream& stream, const SectionHeader& section, LoadBudget& budget) {
    stream.seek(section.sh_offset);
    if (!stream.canHold(section.sh_size, 1)) throw LoadError(StreamReadError);
    budget.take(section.sh_size);
    std::vector<char> bytes(section.sh_size);
    stream.read(bytes.data(), bytes.size());
    return bytes;
}

// A table's entries are counted before they are made: one for every 0 after
// the first byte, so that a table of nothing but zeros costs eight times its size.
void readStringTable(StringTables& tables, ModelStream& stream, const SectionHeader& section, int number,
                     LoadBudget& budget) {
    std::vector<char> bytes = readSectionBytes(stream, section, budget);
    const auto entries = bytes.empty() ? 0 : std::count(bytes.begin() + 1, bytes.end(), '\0');
    budget.take(static_cast<uint64_t>(entries) * sizeof(StringTableEntry));
    ParseStringTable(tables, std::move(bytes), number);
}

std::vector<SymbolEntry> readSymbols(ModelStream& stream, const std::vector<SectionHeader>& headers) {
    const auto table =
        std::find_if(headers.begin(), headers.end(), [](const SectionHeader& h) { return h.sh_type == SymTab; });
    if (table == headers.end()) return {};
    // A size that is not a multiple of the entry size still ends with a whole entry.
    const int64_t count = (int64_t{table->sh_size} + sizeof(SymbolEntry) - 1) / int64_t{sizeof(SymbolEntry)};
    stream.seek(table->sh_offset);
    if (!stream.canHold(count, sizeof(SymbolEntry))) throw LoadError(StreamReadError);
    std::vector<SymbolEntry> symbols(static_cast<std::size_t>(count));
    stream.read(symbols.data(), symbols.size() * sizeof(SymbolEntry));
    return symbols;
}

// The part's name while it is decoded: up to ten characters after the first
// "r_", or from the second character when there is no "r_".
std::string decodingName(std::string_view symbolName) {
    const auto marker = symbolName.find("r_");
    const std::size_t start = marker == std::string_view::npos ? 1 : marker + 2;
    return std::string(symbolName.substr(std::min(start, symbolName.size()), 10));
}

void decodeParts(ProgramState& state, ModelStream& stream, const std::vector<SymbolEntry>& symbols,
                 const SectionHeader& progBits, Prompts& prompts, LoadBudget& budget) {
    PartList& list = state.partList;
    for (const SymbolEntry& symbol : symbols) {
        const std::string_view name = SymbolName(state.stringTables, symbol.st_name);
        if (name.find("geo") == std::string_view::npos) continue;

        const auto i = static_cast<std::size_t>(list.PartCount);
        // Records at indices a previous model used keep their appearance;
        // that model's arrays are freed, not refilled, so that its memory
        // goes back as this one's arrives.
        budget.take(PartRecordBytes);
        list.grow(i + 1);
        list.PartVisible[i] = 1;
        list.Parts[i].Name = decodingName(name);
        budget.take(name.size());
        list.Parts[i].SymbolName = name;
        list.PartVertices[i] = VertexArray();
        list.PartIndices[i] = TriArray();

        stream.seek(int64_t{symbol.st_value} + progBits.sh_offset);
        if (!DecodeGeometry(stream, list.PartVertices[i], list.PartIndices[i], progBits.sh_offset, prompts))
            throw LoadError("Error Loading Geometry Part.");
        budget.take(list.PartVertices[i].size() * sizeof(ModelVertex) + list.PartIndices[i].size() * sizeof(uint16_t));
        list.Parts[i].IndicesInRange = indicesInRange(list.PartIndices[i], list.PartVertices[i].size());
        ++list.PartCount;
    }
}

// Records left over from a bigger model that was open before are no parts of this one.
void dropRecordsBeyond(PartList& list, int32_t count) {
    if (list.Parts.size() > static_cast<std::size_t>(count)) list.resize(static_cast<std::size_t>(count));
}

// The records stay for the tree's sake; the memory of their geometry goes.
void releaseArrays(PartList& list) {
    for (VertexArray& vertices : list.PartVertices) vertices = VertexArray();
    for (TriArray& indices : list.PartIndices) indices = TriArray();
}

void logUndrawableParts(const PartList& list, LogSink& log) {
    for (int32_t i = 0; i < list.PartCount; ++i) {
        if (!list.Parts[static_cast<std::size_t>(i)].IndicesInRange)
            log.LogLine("WARNING! Part " + std::to_string(i) +
                        " has vertex indices out of range; it will not be drawn.");
    }
}

}  // namespace

void LoadModel(ProgramState& state, const std::filesystem::path& path, UserIo io) {
    io.log.clear();
    state.ModelLoaded = false;
    state.ModelPath = path;
    io.log.LogLine("Opening " + path.string());
    ModelStream stream = ModelStream::open(path);
    loadModelFromStream(state, stream, utf8ToWide(path.filename().string()), io);
}

void loadModelFromStream(ProgramState& state, ModelStream& stream, std::u16string_view fileName, UserIo io) {
    LogSink& log = io.log;
    state.ModelLoaded = false;
    // The names are needed only while the parts are found; whatever way the
    // load ends, their tables go.
    struct ReleaseTables {
        StringTables& tables;
        ~ReleaseTables() { StringTables().swap(tables); }
    } releaseTables{state.stringTables};
    log.LogLine("File has a size of: " + std::to_string(stream.size()));

    ElfHeader header;
    stream.read(header.bytes, sizeof header.bytes);  // too short a file escapes
    if (!header.hasMagic()) {
        log.LogLine("BAD FILE! No Identification found.");
        return stream.close();
    }
    log.LogLine("Identification Found.");
    if (header.sectionHeaderEntrySize() != SectionHeaderSize) {
        log.LogLine("Section Header Size Mismatch.");
        return stream.close();
    }

    std::vector<SectionHeader> headers;
    if (!runStage(log, "ERROR! while loading Section Headers.",
                  [&] { headers = readSectionHeaders(stream, header, log); }))
        return stream.close();

    LoadBudget budget(stream.size());
    log.LogLine("LOADING String Tables");
    state.stringTables.clear();
    int tableNumber = 0;
    for (const SectionHeader& section : headers) {
        if (section.sh_type != StrTab) continue;
        if (!runStage(log, "ERROR! while loading string table number " + std::to_string(tableNumber),
                      [&] { readStringTable(state.stringTables, stream, section, tableNumber, budget); }))
            return stream.close();
        ++tableNumber;
    }

    log.LogLine("LOADING Symbol Table");
    log.LogLine("");
    std::vector<SymbolEntry> symbols;
    if (!runStage(log, "ERROR! while loading symbol table.", [&] { symbols = readSymbols(stream, headers); }))
        return stream.close();

    const auto progBits =
        std::find_if(headers.rbegin(), headers.rend(), [](const SectionHeader& h) { return h.sh_type == ProgBits; });
    if (progBits == headers.rend()) {
        log.LogLine("ERROR! Could not find the Progbits Section of this file.");
        log.LogLine("This file may be corrupt.");
        return stream.close();
    }

    SetFileRoot(state, fileName);

    PartList& list = state.partList;
    list.PartCount = 0;
    log.LogLine("Loading Model Geometry.");
    try {
        decodeParts(state, stream, symbols, *progBits, io.prompts, budget);
        dropRecordsBeyond(list, list.PartCount);
    } catch (const std::exception& failure) {
        dropRecordsBeyond(list, list.PartCount + 1);
        // A load that ran out of room gives all of it back at once.
        if (dynamic_cast<const OverBudget*>(&failure) != nullptr || dynamic_cast<const std::bad_alloc*>(&failure))
            releaseArrays(list);
        log.LogLine("ERROR! while loading model geometry.");
        log.LogLine("Got up to geometry section " + std::to_string(list.PartCount));
        logMessageLine(log, failure);
        return stream.close();
    }
    log.LogLine("Loaded " + std::to_string(list.PartCount) + " parts successfully.");
    logUndrawableParts(list, log);

    for (int32_t i = 0; i < list.PartCount; ++i) AddPartNode(state, i);
    state.ModelLoaded = true;
    stream.close();
}

void ParseStringTable(StringTables& tables, std::vector<char> bytes, int number) {
    tables.resize(static_cast<std::size_t>(number) + 1);
    StringTable& table = tables[static_cast<std::size_t>(number)];
    table = StringTable{};
    // An empty section holds no names at all.
    if (bytes.empty()) return;
    if (bytes[0] != 0)
        throw LoadError("First Character of string table not #0 in string table number " + std::to_string(number));

    table.Bytes = std::move(bytes);
    table.Entries.reserve(static_cast<std::size_t>(std::count(table.Bytes.begin() + 1, table.Bytes.end(), '\0')));
    const char* const begin = table.Bytes.data();
    const char* const end = begin + table.Bytes.size();
    for (const char* previous = begin;;) {
        const auto* zero =
            static_cast<const char*>(std::memchr(previous + 1, 0, static_cast<std::size_t>(end - previous - 1)));
        if (zero == nullptr) break;
        table.Entries.push_back(
            {static_cast<uint32_t>(previous + 1 - begin), static_cast<uint32_t>(zero - previous - 1)});
        previous = zero;
    }
}

std::string_view SymbolName(const StringTables& tables, uint32_t offset) {
    if (tables.size() < 2) return {};
    const StringTable& table = tables[1];
    // The last entry starting at or before `offset`.
    const auto after =
        std::upper_bound(table.Entries.begin(), table.Entries.end(), offset,
                         [](uint32_t value, const StringTableEntry& entry) { return value < entry.Offset; });
    if (after == table.Entries.begin()) return {};
    const StringTableEntry& entry = *(after - 1);
    const std::string_view text = table.text(entry);
    const std::size_t skip = offset - entry.Offset;
    return skip <= text.size() ? text.substr(skip) : std::string_view{};
}

void AddPartNode(ProgramState& state, int32_t index) {
    const auto i = static_cast<std::size_t>(index);
    GeometryPart& part = state.partList.Parts[i];
    const auto underscore = part.Name.find('_');
    part.Name = underscore == std::string::npos ? std::string() : part.Name.substr(0, underscore);
    part.SettingsRow = strToInt(part.Name);
    part.Colour[0] = part.Colour[1] = part.Colour[2] = 0.7f;

    const auto vertexCount = static_cast<int32_t>(state.partList.PartVertices[i].size());
    state.tree.PartNodes.push_back(PartNodeData{latin1ToWide(part.Name), PartNodeImage, vertexCount - 1, index});
}

}  // namespace korvex
