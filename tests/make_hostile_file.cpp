// Writes one of the hostile files of the tests to disk, at any size, for
// measuring a build by hand: make-hostile-file KIND PATH [COUNT].
//   strip N   N parts on one block of 65,535 indices of one full-view triangle
//   empty N   N empty parts on one block
//   small N   N parts of one triangle each
//   zeros N   a model whose section-name table is N zero bytes, mostly a hole
//   jpeg N    a small JPEG claiming N x N pixels
//   picture N a progressive JPEG of N x N pixels of the test pattern
//   line N    a geomdata.ini whose block header runs on for N zero bytes

#include "tests/support/hostile_files.h"
#include "tests/support/image_writers.h"

#include <cstdio>
#include <string>

using namespace korvex::fixtures;
using namespace korvex::fixtures::hostile;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: make-hostile-file KIND PATH COUNT\n", stderr);
        return 2;
    }
    const std::string kind = argv[1];
    const std::filesystem::path path = argv[2];
    const unsigned long long count = std::stoull(argv[3]);
    if (kind == "strip")
        writeFile(path, fullViewStrip(static_cast<int>(count)));
    else if (kind == "empty")
        writeFile(path, manyEmptyParts(static_cast<int>(count)));
    else if (kind == "small")
        writeFile(path, manySmallParts(static_cast<int>(count)));
    else if (kind == "zeros")
        writeTableOfZeros(path, static_cast<uint32_t>(count));
    else if (kind == "jpeg")
        writeFile(path, boastfulJpeg(static_cast<uint16_t>(count)));
    else if (kind == "picture")
        writeFile(path, korvex::images::writeJpeg(
                            korvex::images::testPattern(static_cast<uint32_t>(count), static_cast<uint32_t>(count)),
                            {.progressive = true}));
    else if (kind == "line")
        writeEndlessLineSettings(path, count);
    else
        return 2;
    return 0;
}
