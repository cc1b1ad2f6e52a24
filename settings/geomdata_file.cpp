#include "geomdata_file.h"

#include "model/shape_names.h"
#include "model/text_conversion.h"
#include "text_line_reader.h"

#include <algorithm>
#include <optional>

namespace korvex {

namespace {

constexpr std::string_view GeomDataFileName = "geomdata.ini";
constexpr std::string_view MissingFileText =
    "Cannot find geomdata.ini.\r\rWhile this file is not essential, it provides some enhanced features.\r"
    "The program will now request that you find the file. If you do not want to use it, press cancel.";
constexpr std::string_view FewerRowsText =
    "Error!\r\rThis geomdata.ini file has less parts than the model you are viewing.\r\r"
    "Do you still want to use this geomdata.ini?";
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

bool isFile(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

// The settings file of `folder`: the exact name first, then the first name
// in the order of bytes that matches it without regard to case (files
// copied from systems whose names ignore case: "GEOMDATA.INI").
std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& folder) {
    if (const auto exact = folder / GeomDataFileName; isFile(exact)) return exact;
    std::optional<std::filesystem::path> found;
    std::error_code failed;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, failed), end; !failed && entry != end;
         entry.increment(failed)) {
        const std::string name = entry->path().filename().string();
        if (upperAscii(name) != upperAscii(GeomDataFileName) || !isFile(folder / name)) continue;
        if (!found || name < found->filename().string()) found = folder / name;
    }
    return found;
}

std::optional<std::filesystem::path> findGeomDataFile(const std::filesystem::path& modelPath, Prompts& prompts) {
    if (auto found = findGeomDataBesideModel(modelPath)) return found;
    prompts.message("Finding Geomdata.ini", MissingFileText, BoxIcon::Information);
    // The file most likely lies near the model: the dialog starts there.
    std::error_code failed;
    const std::filesystem::path model = std::filesystem::absolute(modelPath, failed);
    if (!failed) prompts.startIn(GeomDataFileFilter, model.parent_path());
    return prompts.chooseFile(GeomDataFileFilter, GeomDataDialogCaption);
}

// Up to `count` characters from 1-based position `first`; fewer, or none, near the end.
std::string_view characters(std::string_view line, std::size_t first, std::size_t count) {
    return first - 1 < line.size() ? line.substr(first - 1, count) : std::string_view{};
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

void dropFront(std::string& text, std::size_t count) {
    text.erase(0, std::min(count, text.size()));
}

// The words a block line is looked through for, wherever they stand.
constexpr std::string_view BlockWords[] = {"lodon", "lodoff"};

// Treats one line of a block for row `row`; a line may carry several forms.
// Answers whether it carried any.
bool applyBlockLine(GeomDataTable& table, const TextLine& line, int32_t row) {
    const std::string_view text = line.text;
    const bool header = text.front() == '[';
    // The header is the text between the brackets: the line's last character
    // is dropped, unless the line went on past what was kept of it.
    if (header)
        ApplyGeomDataHeader(
            table, text.substr(1, line.cut ? text.npos : text.size() - std::min<std::size_t>(text.size(), 2)), row);
    GeomDataEntry& entry = table[static_cast<std::size_t>(row)];
    const bool top = line.has(0);
    if (top) entry.LodOn = strToInt(characters(text, 7, 3));
    const bool bottom = line.has(1);
    if (bottom) entry.LodOff = strToInt(characters(text, 8, 3));
    return header || top || bottom;
}

// Every blank line ends the current block and moves to the next row; lines
// past the end of the file read as blank. Answers, for each row of the
// table, whether the file gave it anything.
std::vector<bool> readBlocks(TextLineReader& reader, GeomDataTable& table, int32_t count) {
    std::vector<bool> given(table.size(), false);
    for (int32_t row = 0; row < count;) {
        const TextLine line = reader.readLine(TextLineReader::MostKept, BlockWords);
        if (line.blank)
            ++row;
        else if (applyBlockLine(table, line, row))
            given[static_cast<std::size_t>(row)] = true;
    }
    return given;
}

std::string readFirstLine(TextLineReader& reader) {
    std::string line = reader.readLine().text;
    // Editors that save with a byte-order mark put it before the first line.
    if (line.starts_with(Utf8ByteOrderMark)) line.erase(0, Utf8ByteOrderMark.size());
    return line;
}

// The row's entry, or nullptr for a row the table does not have; `Table` may be const.
template <typename Table>
auto rowAt(Table& table, int32_t row) -> decltype(&table[0]) {
    if (row < 0 || static_cast<std::size_t>(row) >= table.size()) return nullptr;
    return &table[static_cast<std::size_t>(row)];
}

// round(numerator / denominator) with halves to the even neighbour, exactly.
int32_t roundHalfEven(int64_t numerator, int64_t denominator) {
    const int64_t quotient = numerator / denominator;
    const int64_t twiceRemainder = 2 * (numerator % denominator);
    const bool up = twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0);
    return static_cast<int32_t>(quotient + (up ? 1 : 0));
}

}  // namespace

std::optional<std::filesystem::path> findGeomDataBesideModel(const std::filesystem::path& modelPath) {
    // The folder above the model's wins over the model's own.
    const std::filesystem::path folder = modelPath.parent_path();
    for (const auto& candidate : {folder / "..", folder})
        if (auto found = findInFolder(candidate)) return found;
    return std::nullopt;
}

std::optional<std::filesystem::path> findGeomDataAgain(const ProgramState& state) {
    if (!state.SettingsPath.empty() && isFile(state.SettingsPath)) return state.SettingsPath;
    return findGeomDataBesideModel(state.ModelPath);
}

bool LoadGeomData(ProgramState& state, const std::filesystem::path& modelPath, UserIo io) {
    state.SettingsPath.clear();
    const auto file = findGeomDataFile(modelPath, io.prompts);
    return file && loadGeomDataFile(state, *file, io);
}

bool loadGeomDataFile(ProgramState& state, const std::filesystem::path& file, UserIo io) {
    io.log.LogLine("");
    io.log.LogLine("LOADING Geomdata.ini...");
    io.log.LogLine(file.string());

    // A file that fails half-way is still the one the rows came from.
    state.SettingsPath = file;
    TextLineReader reader(file);
    if (readGeomData(state, reader, io)) return true;
    state.SettingsPath.clear();
    return false;
}

bool readGeomData(ProgramState& state, TextLineReader& reader, UserIo io) {
    if (upperAscii(readFirstLine(reader)) != "[GEOMDATA]") {
        io.prompts.message("Error", "File is not valid.", BoxIcon::Error);
        return false;
    }
    const std::string countLine = reader.readLine().text;
    // A count below zero cannot size a table; it reads as no rows at all.
    const int32_t count = std::max(0, strToInt(characters(countLine, 9, 3)));
    state.geomData.resize(static_cast<std::size_t>(count));
    io.log.LogLine(countLine);

    const std::size_t partCount = state.partList.Parts.size();
    if (state.geomData.size() < partCount) {
        if (!io.prompts.askYesNo("Error", FewerRowsText, BoxIcon::Error)) return false;
        state.geomData.resize(partCount);
    }
    reader.readLine();
    const std::vector<bool> given = readBlocks(reader, state.geomData, count);
    reader.close();
    // A row the file said nothing of (past a short file's count, past its
    // end, or skipped by two blank lines) would leave its part nameless and
    // never drawn: it gets the default row instead.
    if (state.ModelLoaded)
        for (std::size_t row = 0; row < given.size(); ++row)
            if (!given[row]) fillDefaultRow(state.geomData[row], row, partCount);
    restoreFileSettings(state);
    return true;
}

void ApplyGeomDataHeader(GeomDataTable& table, std::string_view header, int32_t row) {
    GeomDataEntry* entry = rowAt(table, row);
    if (entry == nullptr) return;
    std::string text(header);
    if (contains(text, "ALPHA_")) {
        // The prefix is expected at the start; six characters go wherever it stands.
        dropFront(text, 6);
        const auto underscore = text.find('_');
        const std::string_view word = std::string_view(text).substr(0, underscore);
        if (word == "OPAQUE") {
            entry->Transparent = 0;
            entry->EnvironmentMapped = 1;
        } else if (word == "TRANS" || word == "ADD") {
            entry->Transparent = 1;
            entry->EnvironmentMapped = 1;
        }
        if (underscore != std::string::npos) text.erase(0, underscore + 1);
    }
    if (const auto tilde = text.find('~'); tilde != std::string::npos) {
        const std::string_view material = std::string_view(text).substr(tilde + 1);
        if (material == "EASVehicleRubber" || material == "EASVehicleGeneric") entry->EnvironmentMapped = 0;
        text.resize(tilde);
    }
    // A six-letter prefix and its separator.
    if (contains(text, "RUBBER")) dropFront(text, 7);
    entry->Name = cutToNameLength(readableShapeName(text));
}

void fillDefaultRow(GeomDataEntry& entry, std::size_t row, std::size_t partCount) {
    entry.Name = "Part " + std::to_string(row);
    entry.LodOn = 100;
    entry.LodOff =
        partCount <= 1 ? 90 : 90 - roundHalfEven(static_cast<int64_t>(row) * 80, static_cast<int64_t>(partCount) - 1);
}

void FillDefaultGeomData(ProgramState& state) {
    const std::size_t n = state.partList.Parts.size();
    state.geomData.resize(n);
    for (std::size_t i = 0; i < n; ++i) fillDefaultRow(state.geomData[i], i, n);
}

void restoreFileSettings(ProgramState& state) {
    if (!state.ModelLoaded) return;
    std::vector<GeometryPart>& parts = state.partList.Parts;
    for (PartNodeData& node : state.tree.PartNodes) {
        if (node.PartIndex < 0 || static_cast<std::size_t>(node.PartIndex) >= parts.size()) continue;
        GeometryPart& part = parts[static_cast<std::size_t>(node.PartIndex)];
        const GeomDataEntry* row = rowAt(state.geomData, part.SettingsRow);
        if (row == nullptr) continue;
        part.Name = cutToNameLength(row->Name);
        node.Caption = latin1ToWide(part.Name);
        part.Transparent = row->Transparent;
        part.EnvironmentMapped = row->EnvironmentMapped;
    }
}

const GeomDataEntry* settingsRowOf(const ProgramState& state, int32_t partIndex) {
    const std::vector<GeometryPart>& parts = state.partList.Parts;
    if (partIndex < 0 || static_cast<std::size_t>(partIndex) >= parts.size()) return nullptr;
    return rowAt(state.geomData, parts[static_cast<std::size_t>(partIndex)].SettingsRow);
}

bool passesLevelOfDetail(const ProgramState& state, int32_t partIndex, int32_t level) {
    const GeomDataEntry* row = settingsRowOf(state, partIndex);
    return row == nullptr || (row->LodOff <= level && level <= row->LodOn);
}

}  // namespace korvex
