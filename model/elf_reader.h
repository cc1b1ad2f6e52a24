#pragma once
// Reads a model file: a 32-bit little-endian ELF relocatable object whose
// symbols named "...geo..." point at the geometry blocks of the car's parts.

#include "model_stream.h"
#include "program_state.h"
#include "user_io.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace korvex {

// Loads the file at `path` into `state`, logging every stage. A stage that
// fails logs why and ends the load with ModelLoaded false. Three failures
// escape as LoadError: a file that cannot be opened, a file shorter than its
// header, and a part whose name does not start with a number.
void LoadModel(ProgramState& state, const std::filesystem::path& path, UserIo io);

// The same from an already opened stream, from the size line on.
void loadModelFromStream(ProgramState& state, ModelStream& stream, std::u16string_view fileName, UserIo io);

// Makes tables[number] the names found in one string-table section.
void ParseStringTable(StringTables& tables, std::vector<char> bytes, int number);

// The symbol name at `offset` in string table number 1; a name may share the
// tail of a longer one. Empty when there is no such table or name.
std::string_view SymbolName(const StringTables& tables, uint32_t offset);

// Finishes part `index` after decoding (name, settings row, colour) and adds
// its node under the file node. Throws LoadError when the name does not
// start with a number.
void AddPartNode(ProgramState& state, int32_t index);

}  // namespace korvex
