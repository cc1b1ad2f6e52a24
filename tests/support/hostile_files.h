#pragma once
// Files made to hurt a reader: damaged and boastful models, pictures and
// settings files, for the tests that open them through the inspector and
// through the window.

#include "model_file_builder.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace korvex::fixtures::hostile {

// A sound model of one quad part, "geo_r_0_FRNShape".
ModelDescription oneQuad();
// e_shnum 65535, with the section header table running past the end of the file.
Bytes sectionTablePastTheEnd();
// A second block whose marker starts 20 bytes before the end of the file:
// the header after the marker is cut off.
Bytes headerAtTheEnd();
// A section-name table whose size says 4 GB, in a file of a few hundred bytes.
Bytes fourGigabyteSection();
// The symbol-name table ends in a name without its closing 0.
Bytes unterminatedStrings();
// Symbols whose names start far past the end of every string table.
Bytes namesPastEveryTable();
// One part of four vertices with 65,535 indices, all 60,000.
Bytes indicesBeyondTheVertices();

// One block of three vertices far out on every side of the view, whose
// strip of 65,535 indices goes round them again and again: one triangle
// that covers the whole view, 65,533 times. `parts` geometry symbols
// point at the block.
Bytes fullViewStrip(int parts);
// `count` parts whose symbols share one name and one empty block: 16 bytes
// of symbol each.
Bytes manyEmptyParts(int count);
// `count` honest parts, each a triangle of its own.
Bytes manySmallParts(int count);
// A model whose section-name table is `bytes` zeros, most of them a hole
// that takes no room on the disk.
void writeTableOfZeros(const std::filesystem::path& path, uint32_t bytes);

// An uncompressed 32-bit TGA header claiming width x height, with 64 bytes of pixels.
Bytes tgaHeader(uint16_t width, uint16_t height);
// A small JPEG whose frame header claims 65,500 x 65,500 pixels.
Bytes hugeJpeg();
// A bitmap whose info header says it is 4 GB long.
Bytes hugeBitmapHeader();
// A small JPEG whose frame header claims `side` x `side` pixels.
Bytes boastfulJpeg(uint16_t side);

// A settings file for oneQuad(): one block of a million lines.
std::string millionLineSettings();
// A settings file for oneQuad() whose one block header is 10 MB long.
std::string tenMegabyteLine();
// A settings file for oneQuad() whose block header runs on for `bytes`
// zeros, a hole in the file, before its name and its "lodoff" line.
void writeEndlessLineSettings(const std::filesystem::path& path, uint64_t bytes);

// `text` with every "PATH" in it replaced by `path`.
std::string withPath(std::string text, const std::string& path);

}  // namespace korvex::fixtures::hostile
