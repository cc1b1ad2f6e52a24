// Files made to cost the program as much as possible, each opened by the real
// inspector in a process of its own: it must end soon, in the messages the
// program gives for a damaged file, with its memory bounded.

#include "tests/support/hostile_files.h"
#include "model/text_conversion.h"
#include "tests/support/image_writers.h"
#include "tests/support/sanitizers.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <linux/capability.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace korvex {
namespace {

constexpr uint64_t MiB = uint64_t{1} << 20;

struct Finished {
    std::string out, err;
    int status = -1;
    uint64_t peakBytes = 0;
    double seconds = 0;
};

// Root reads any file whatever its permissions say; a child run as root
// gives up that power, so that an unreadable file is unreadable to it too.
void dropReadingAnyFile() {
    if (::geteuid() != 0) return;
    ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
    ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The inspector under test: this build's, or the one KORVEX_INSPECT_UNDER_TEST
// names, so that another build's figures can be had from the same files.
std::string inspectorUnderTest() {
    const char* other = std::getenv("KORVEX_INSPECT_UNDER_TEST");
    return other != nullptr && *other != 0 ? other : KORVEX_INSPECT;
}

// Everything written to `fd` until its writer closes it.
std::string drain(int fd) {
    std::string text;
    char chunk[65536];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

// Runs the inspector on `args`. Outside the sanitizer build its address
// space is limited to 1 GiB, so that a fault cannot take the machine; what
// the tests check is the memory it really used. A `fileSizeLimit` makes
// every file it writes end there, as on a full disk; what it says goes
// through pipes, which no such limit stops.
Finished inspect(const std::vector<std::string>& args, rlim_t fileSizeLimit = 0) {
    std::vector<std::string> words{inspectorUnderTest()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const bool limit = !fixtures::UnderAddressSanitizer;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
    // A forked child starts with this process's memory counted as its own:
    // what the generators freed goes back to the system first.
    ::malloc_trim(0);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (limit) {
            const rlimit space{1024 * MiB, 1024 * MiB};
            ::setrlimit(RLIMIT_AS, &space);
        }
        if (fileSizeLimit != 0) {
            // A write past the limit fails with EFBIG instead of ending the process.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &size);
        }
        dropReadingAnyFile();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    Finished run;
    std::thread errors([&] { run.err = drain(err[0]); });
    run.out = drain(out[0]);
    errors.join();
    rusage usage{};
    ::wait4(child, &run.status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakBytes = static_cast<uint64_t>(usage.ru_maxrss) * 1024;
    return run;
}

// The sanitizer's shadow memory and its store of freed blocks count too there.
void expectCheapEnd(const Finished& run, uint64_t mostBytes, const std::string& expected) {
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status << "\n" << run.out;
    EXPECT_LT(run.peakBytes, fixtures::UnderAddressSanitizer ? 3 * mostBytes : mostBytes);
    EXPECT_LT(run.seconds, 5.0);
    EXPECT_NE(run.out.find(expected), std::string::npos) << run.out.substr(0, 2000);
}

// One 10,000-vertex block that 200,000 geometry symbols all point at.
fixtures::Bytes sharedBlockModel() {
    fixtures::ModelDescription model;
    fixtures::GeometryBlock block;
    for (int i = 0; i < 10000; ++i) block.vertices.push_back(fixtures::vertex(static_cast<float>(i), 0, 0));
    for (int i = 0; i < 10000; ++i) block.indices.push_back(static_cast<uint16_t>(i));
    model.parts.push_back({"geo_r_0_part", std::move(block)});
    for (int i = 1; i < 200000; ++i) model.extraSymbols.push_back({"geo_r_1_part", std::nullopt, 0});
    return model.build();
}

// 65,535 string-table headers, all of one 64 KiB table.
fixtures::Bytes sharedStringTables() {
    fixtures::ElfImage elf;
    elf.sections.push_back({fixtures::SectionNull, {}, 0u, 0u});
    fixtures::Bytes table(64 * 1024, 'a');
    table[0] = 0;
    table.back() = 0;
    elf.sections.push_back({fixtures::SectionStrTab, std::move(table), {}, {}});
    for (int i = 2; i < 65535; ++i) elf.sections.push_back({fixtures::SectionStrTab, {}, 52u, 64u * 1024});
    return elf.build();
}

// The message of a load over its budget: four times the file's size and
// one mebibyte.
std::string overBudget(const std::filesystem::path& file) {
    const uint64_t tenths = (4 * std::filesystem::file_size(file) + MiB) * 10 / MiB;
    const std::string size =
        tenths >= 100 ? std::to_string(tenths / 10) : std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    return "Message: \"The model needs more than " + size + " MiB, more than its file can hold\"";
}

TEST(HostileFiles, AModelCostsNoMoreThanItsFileCanHold) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir / "shared.o", sharedBlockModel());
    const Finished shared = inspect({"model", (dir / "shared.o").string()});
    expectCheapEnd(shared, 256 * MiB, "ERROR! while loading model geometry.\nGot up to geometry section ");
    EXPECT_NE(shared.out.find(overBudget(dir / "shared.o")), std::string::npos) << shared.out.substr(0, 2000);
    fixtures::writeFile(dir / "tables.o", sharedStringTables());
    expectCheapEnd(inspect({"model", (dir / "tables.o").string()}), 256 * MiB,
                   "ERROR! while loading string table number 179\n" + overBudget(dir / "tables.o"));
}

TEST(HostileFiles, PicturesCostNoMoreThanTheirBudget) {
    fixtures::TempDir dir;
    // A run-length TGA of 20,000 x 20,000 pixels (1.2 GB) in 12.5 MB: runs
    // of 128 grey pixels, four bytes each.
    fixtures::Bytes tga(18 + 12'500'000, 0x80);
    for (std::size_t i = 18; i < tga.size(); i += 4) tga[i] = 0xFF;
    std::fill(tga.begin(), tga.begin() + 18, uint8_t{0});
    tga[2] = 10;
    tga[12] = 20000 & 0xFF, tga[13] = 20000 >> 8, tga[14] = 20000 & 0xFF, tga[15] = 20000 >> 8;
    tga[16] = 24;
    fixtures::writeFile(dir / "big.tga", tga);
    expectCheapEnd(inspect({"texture", (dir / "big.tga").string()}), 256 * MiB, "fail\n");

    // A 1 KB run-length bitmap of 16,000 x 16,000 pixels.
    images::BmpOptions rle8;
    rle8.depth = 8;
    rle8.runLength = true;
    fixtures::Bytes bmp = images::writeBmp(images::testPattern(2, 2), rle8);
    const int32_t side = 16000;
    std::memcpy(bmp.data() + 18, &side, 4);
    std::memcpy(bmp.data() + 22, &side, 4);
    fixtures::writeFile(dir / "big.bmp", bmp);
    expectCheapEnd(inspect({"texture", (dir / "big.bmp").string()}), 256 * MiB, "fail\n");
}

// A progressive picture whose last scan header is repeated 100,000 times
// with no data after it.
fixtures::Bytes emptyScans() {
    images::JpegOptions options;
    options.progressive = true;
    const fixtures::Bytes jpeg = images::writeJpeg(images::testPattern(1024, 1024), options);
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) lastScan = i;
    const std::size_t headerLength = 2 + (jpeg[lastScan + 2] << 8 | jpeg[lastScan + 3]);
    fixtures::Bytes file(jpeg.begin(), jpeg.end() - 2);  // without the end marker
    for (int i = 0; i < 100000; ++i)
        file.insert(file.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan),
                    jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan + headerLength));
    file.push_back(0xFF);
    file.push_back(0xD9);
    return file;
}

TEST(HostileFiles, AJpegOfEmptyScansEndsSoon) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir / "scans.jpg", emptyScans());
    expectCheapEnd(inspect({"texture", (dir / "scans.jpg").string()}), 256 * MiB,
                   "box\tBMP Unit\tCouldn't load JPG - \"" + (dir / "scans.jpg").string() + "\"\nfail\n");
}

TEST(HostileFiles, APictureFileLongerThanItsFormatCanUseIsNotRead) {
    fixtures::TempDir dir;
    // Two gigabytes that take no room on the disk.
    const std::filesystem::path sparse = dir / "sparse.jpg";
    fixtures::writeFile(sparse, images::writeJpeg(images::testPattern(8, 8)));
    std::filesystem::resize_file(sparse, 2048 * MiB);
    expectCheapEnd(inspect({"texture", sparse.string()}), 256 * MiB,
                   "box\tBMP Unit\tCouldn't load JPG - \"" + sparse.string() + "\"\nfail\n");
}

TEST(HostileFiles, ANamedPipeIsRefusedAtOnce) {
    fixtures::TempDir dir;
    for (const char* name : {"pipe.o", "pipe.jpg"}) ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0);
    // Should the program wait for a writer after all, one comes after five
    // seconds and the time shows it.
    std::atomic<bool> done = false;
    std::thread writer([&] {
        for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (const char* name : {"pipe.o", "pipe.jpg"}) {
            const int fd = ::open((dir / name).c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    });
    const Finished model = inspect({"model", (dir / "pipe.o").string()});
    const Finished texture = inspect({"texture", (dir / "pipe.jpg").string()});
    done = true;
    writer.join();
    EXPECT_LT(model.seconds, 2.0);
    EXPECT_NE(model.out.find("error\tCannot open file \"" + (dir / "pipe.o").string() + "\". Not a regular file"),
              std::string::npos)
        << model.out;
    EXPECT_LT(texture.seconds, 2.0);
    EXPECT_NE(texture.out.find("Couldn't load JPG"), std::string::npos) << texture.out;
}

// ---- The table of hostile files ----------------------------------------

using fixtures::Bytes;
using namespace fixtures::hostile;

struct HostileFile {
    using Maker = std::function<std::vector<std::string>(const fixtures::CarFolder&)>;
    using Check = std::function<void(const fixtures::CarFolder&)>;
    HostileFile(std::string what, Maker make, std::vector<std::string> expected, int status = 0, Check check = {},
                rlim_t fileSizeLimit = 0)
        : what(std::move(what)),
          make(std::move(make)),
          expected(std::move(expected)),
          status(status),
          check(std::move(check)),
          fileSizeLimit(fileSizeLimit) {}
    HostileFile(std::string what, Maker make, const std::string& expected, int status = 0, Check check = {},
                rlim_t fileSizeLimit = 0)
        : HostileFile(std::move(what), std::move(make), std::vector<std::string>{expected}, status, std::move(check),
                      fileSizeLimit) {}

    std::string what;
    // Writes the file (and what goes with it) into the folder; answers the
    // inspector's arguments, the file's path second.
    Maker make;
    // Texts the output, then the error output, must hold in this order,
    // "PATH" standing for the file's path.
    std::vector<std::string> expected;
    // A bad model or picture is reported in the lines, with status 0; a
    // file that cannot be written ends the command with 1.
    int status;
    // Looks at the files the run left.
    Check check;
    // Files written stop at this size, as on a full disk.
    rlim_t fileSizeLimit;
};

std::vector<std::string> model(const fixtures::CarFolder& folder, const Bytes& bytes) {
    fixtures::writeFile(folder.model(), bytes);
    return {"model", folder.model().string()};
}

std::vector<std::string> modelWithSettings(const fixtures::CarFolder& folder, const std::string& settings) {
    fixtures::writeText(folder.modelFolder() / "geomdata.ini", settings);
    return model(folder, oneQuad().build());
}

std::vector<std::string> picture(const fixtures::CarFolder& folder, const std::string& name, const Bytes& bytes) {
    fixtures::writeFile(folder.modelFolder() / name, bytes);
    return {"texture", (folder.modelFolder() / name).string()};
}

const std::string Loaded = "\nLoading Model Geometry.\nLoaded 1 parts successfully.\n---\n";

const std::string OverBudget = "more than its file can hold\"\n";

// The export of the quad model with `options` after its path.
std::vector<std::string> exportQuad(const fixtures::CarFolder& folder, const std::vector<std::string>& options) {
    std::vector<std::string> args = model(folder, oneQuad().build());
    args[0] = "export";
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

std::string inFolder(const fixtures::CarFolder& folder, const std::string& name) {
    return (folder.modelFolder() / name).string();
}

std::string contents(const std::filesystem::path& path) {
    return readText(path.string());
}

// Old files beside the model, for an export that must leave them as they were.
void writeOldFiles(const fixtures::CarFolder& folder) {
    for (const char* name : {"out.glb", "out.obj", "out.mtl"}) fixtures::writeText(folder.modelFolder() / name, "old");
}

void expectOldFilesOnly(const fixtures::CarFolder& folder) {
    for (const char* name : {"out.glb", "out.obj", "out.mtl"})
        EXPECT_TRUE(contents(folder.modelFolder() / name) == "old") << name << " was replaced";
    EXPECT_EQ(fixtures::filesIn(folder.modelFolder()),
              (std::vector<std::string>{"car.o", "out.glb", "out.mtl", "out.obj"}));
}

// One part of 2,000 vertices whose numbers take many digits as text.
Bytes longNumbers() {
    fixtures::ModelDescription model;
    fixtures::GeometryBlock block;
    for (int i = 0; i < 2000; ++i) {
        const float x = static_cast<float>(i) * 0.123456789f;
        block.vertices.push_back(fixtures::vertex(x, x / 3, x / 7, 0.267f, 0.534f, 0.802f, x / 11, x / 13));
        block.indices.push_back(static_cast<uint16_t>(i));
    }
    model.parts.push_back({"geo_r_0_FRNShape", std::move(block)});
    return model.build();
}

bool validUtf8Text(const std::string& text) {
    return validUtf8(text) == text;
}

std::vector<HostileFile> hostileFiles() {
    using Folder = const fixtures::CarFolder&;
    return {
        {"an empty file", [](Folder f) { return model(f, {}); }, "error\tStream read error\n"},
        {"51 bytes", [](Folder f) { return model(f, Bytes(51, 0x7F)); }, "error\tStream read error\n"},
        {"a directory given as the path",
         [](Folder f) {
             std::filesystem::create_directory(f.model());
             return std::vector<std::string>{"model", f.model().string()};
         },
         "error\tCannot open file \"PATH\". Is a directory\n"},
        {"an unreadable file",
         [](Folder f) {
             auto args = model(f, oneQuad().build());
             std::filesystem::permissions(f.model(), std::filesystem::perms::none);
             return args;
         },
         "error\tCannot open file \"PATH\". Permission denied\n"},
        {"e_shnum 65535 with the table past the end", [](Folder f) { return model(f, sectionTablePastTheEnd()); },
         "ERROR! while loading Section Headers.\nMessage: \"Stream read error\"\n"},
        {"a section size of 4 GB in a small file", [](Folder f) { return model(f, fourGigabyteSection()); },
         "ERROR! while loading string table number 0\nMessage: \"Stream read error\"\n"},
        // The part's name is the one left without its 0: it has no name, so no part.
        {"a string table without a final NUL", [](Folder f) { return model(f, unterminatedStrings()); },
         "\nLoading Model Geometry.\nLoaded 0 parts successfully.\n---\nbox\tFinding Geomdata.ini\t"},
        {"symbols whose names point past every table", [](Folder f) { return model(f, namesPastEveryTable()); },
         Loaded},
        {"a geometry header at the very end of the file", [](Folder f) { return model(f, headerAtTheEnd()); },
         std::vector<std::string>{
             "ERROR! while loading model geometry.\nGot up to geometry section 1\n"
             "Message: \"Error Loading Geometry Part.\"\n---\n",
             "box\tError\tError while loading geometry offsets and lengths. \\rMessage: Stream read error\n"}},
        {"65535 indices all beyond the vertex count", [](Folder f) { return model(f, indicesBeyondTheVertices()); },
         "Loaded 1 parts successfully.\nWARNING! Part 0 has vertex indices out of range; it will not be drawn.\n---\n"
         "0\tPart 0\t0\t4\t65534\t0\t0\t100\t90\n"},
        {"a TGA claiming 65535 x 65535 pixels",
         [](Folder f) { return picture(f, "huge.tga", tgaHeader(65535, 65535)); }, "fail\n"},
        {"a JPEG claiming 65500 x 65500 pixels", [](Folder f) { return picture(f, "huge.jpg", hugeJpeg()); },
         "box\tBMP Unit\tCouldn't load JPG - \"PATH\"\nfail\n"},
        {"a BMP with a huge header size", [](Folder f) { return picture(f, "huge.bmp", hugeBitmapHeader()); },
         "box\tBMP Unit\tCouldn't load BMP - \"PATH\"\nfail\n"},
        {"a geomdata.ini of a million lines", [](Folder f) { return modelWithSettings(f, millionLineSettings()); },
         "numpart=1\n---\n0\tFront\t0\t4\t4\t0\t1\t50\t0\n"},
        {"a geomdata.ini line of 10 MB", [](Folder f) { return modelWithSettings(f, tenMegabyteLine()); },
         "numpart=1\n---\n0\tFront\t0\t4\t4\t1\t1\t0\t20\n"},
        // Drawing work: one block of 65,535 indices, each triangle the whole
        // view, under 500 parts. Each use of the block counts.
        {"500 parts on one block of full-view triangles", [](Folder f) { return model(f, fullViewStrip(500)); },
         std::vector<std::string>{"ERROR! while loading model geometry.\nGot up to geometry section ", OverBudget}},
        {"a texture file name that is not UTF-8, exported as .glb",
         [](Folder f) {
             const std::string picture = inFolder(f, "\xff\xfe.tga");
             fixtures::writeFile(picture, images::writeTga(images::testPattern(4, 4)));
             return exportQuad(f, {"--glb", inFolder(f, "out.glb"), "--texture", "0=" + picture});
         },
         Loaded, 0,
         [](Folder f) {
             const std::string glb = contents(f.modelFolder() / "out.glb");
             ASSERT_GT(glb.size(), 20u);
             EXPECT_TRUE(validUtf8Text(glb.substr(20, glb.find("BIN") - 20)));
             EXPECT_NE(glb.find("\"\xEF\xBF\xBD\xEF\xBF\xBD.tga\""), std::string::npos);
         }},
        {"a model named with line breaks, exported as .obj",
         [](Folder f) {
             const std::filesystem::path named = f.modelFolder() / "car\nmtllib evil.mtl\nv 9 9 9\nf 1 1 1\n.o";
             fixtures::writeFile(named, oneQuad().build());
             return std::vector<std::string>{"export", named.string(), "--obj", inFolder(f, "out.obj")};
         },
         "Loaded 1 parts successfully.\n", 0,
         [](Folder f) {
             const std::string obj = contents(f.modelFolder() / "out.obj");
             const std::string mtl = contents(f.modelFolder() / "out.mtl");
             EXPECT_TRUE(
                 obj.starts_with("# Korvex Model Viewer 1.0, from car mtllib evil.mtl v 9 9 9 f 1 1 1 .o\n"
                                 "mtllib out.mtl\n"))
                 << obj.substr(0, 200);
             EXPECT_EQ(obj.find("\nv 9 9 9"), std::string::npos);
             EXPECT_TRUE(mtl.starts_with("# Korvex Model Viewer 1.0, from car mtllib evil.mtl v 9 9 9 f 1 1 1 .o\n\n"));
         }},
        {"20,000 parts exported as .glb",
         [](Folder f) {
             auto args = model(f, manySmallParts(20000));
             args[0] = "export";
             args.insert(args.end(), {"--glb", inFolder(f, "out.glb")});
             return args;
         },
         "Loaded 20000 parts successfully.\n", 0,
         [](Folder f) { EXPECT_GT(contents(f.modelFolder() / "out.glb").size(), 20000u * 300); }},
        {"a string table of 32 MiB of zeros",
         [](Folder f) {
             writeTableOfZeros(f.model(), 32 << 20);
             return std::vector<std::string>{"model", f.model().string()};
         },
         std::vector<std::string>{"ERROR! while loading string table number 0\n", OverBudget}},
        {"a JPEG claiming 16384 x 16384 pixels", [](Folder f) { return picture(f, "big.jpg", boastfulJpeg(16384)); },
         "box\tBMP Unit\tCouldn't load JPG - \"PATH\"\nfail\n"},
        {"a geomdata.ini line of 128 MiB, most of it a hole",
         [](Folder f) {
             writeEndlessLineSettings(f.modelFolder() / "geomdata.ini", 128 << 20);
             return model(f, oneQuad().build());
         },
         std::vector<std::string>{"numpart=1\n---\n0\t", "\t0\t4\t4\t1\t1\t0\t20\n"}},
        {"a texture's PNG written to a full disk",
         [](Folder f) {
             auto args = picture(f, "paint.tga", images::writeTga(images::testPattern(64, 64)));
             args.insert(args.end(), {"--png", inFolder(f, "paint.png")});
             return args;
         },
         "paint.png: File too large\n", 1,
         [](Folder f) { EXPECT_EQ(fixtures::filesIn(f.modelFolder()), (std::vector<std::string>{"paint.tga"})); }, 64},
        {"a drawn frame's PNG written to a full disk",
         [](Folder f) {
             auto args = model(f, oneQuad().build());
             args[0] = "render";
             args.insert(args.end(), {"--png", inFolder(f, "frame.png"), "--size", "64x64"});
             return args;
         },
         "frame.png: File too large\n", 1,
         [](Folder f) { EXPECT_EQ(fixtures::filesIn(f.modelFolder()), (std::vector<std::string>{"car.o"})); }, 64},
        // The .glb (about 70 KB) fits under the limit, the .obj's text
        // (about 200 KB) does not.
        {"an export of both formats to a full disk",
         [](Folder f) {
             writeOldFiles(f);
             auto args = model(f, longNumbers());
             args[0] = "export";
             args.insert(args.end(), {"--glb", inFolder(f, "out.glb"), "--obj", inFolder(f, "out.obj")});
             return args;
         },
         "out.obj: File too large\n", 1, expectOldFilesOnly, 128 << 10},
        {"an export whose second target is a folder",
         [](Folder f) {
             writeOldFiles(f);
             std::filesystem::create_directory(f.modelFolder() / "folder.obj");
             return exportQuad(f, {"--glb", inFolder(f, "out.glb"), "--obj", inFolder(f, "folder.obj")});
         },
         "folder.obj: Is a directory\n", 1,
         [](Folder f) {
             EXPECT_TRUE(contents(f.modelFolder() / "out.glb") == "old") << "out.glb was replaced";
             EXPECT_FALSE(std::filesystem::exists(f.modelFolder() / "folder.mtl"));
         }},
        {"an export onto its own model",
         [](Folder f) {
             return exportQuad(f, {"--glb", f.model().string()});
         },
         "korvex-inspect: cannot write PATH: it is the model being exported\n", 1,
         [](Folder f) {
             EXPECT_EQ(contents(f.model()).substr(0, 4),
                       "\x7F"
                       "ELF");
         }},
        {"a drawn frame's PNG onto its own model",
         [](Folder f) {
             auto args = model(f, oneQuad().build());
             args[0] = "render";
             args.insert(args.end(), {"--png", f.model().string(), "--size", "16x16"});
             return args;
         },
         "korvex-inspect: cannot write PATH: it is the model being drawn\n", 1,
         [](Folder f) {
             EXPECT_EQ(contents(f.model()).substr(0, 4),
                       "\x7F"
                       "ELF");
         }},
        {"an OBJ named as its own material file",
         [](Folder f) {
             return exportQuad(f, {"--obj", inFolder(f, "x.mtl")});
         },
         "x.mtl: another file of this export is written there", 1,
         [](Folder f) { EXPECT_EQ(fixtures::filesIn(f.modelFolder()), (std::vector<std::string>{"car.o"})); }},
        {"an export to a name of 250 bytes",
         [](Folder f) {
             return exportQuad(f, {"--glb", inFolder(f, std::string(246, 'n') + ".glb")});
         },
         Loaded, 0,
         [](Folder f) {
             EXPECT_EQ(contents(f.modelFolder() / (std::string(246, 'n') + ".glb")).substr(0, 4), "glTF");
         }},
        {"a million empty parts on one block", [](Folder f) { return model(f, manyEmptyParts(1'000'000)); },
         std::vector<std::string>{"ERROR! while loading model geometry.\nGot up to geometry section ", OverBudget}},
    };
}

// Each file ends in the program's messages for it, in a process that stays
// under 1 GB of address space (outside the sanitizer build), within 5 seconds.
TEST(HostileFiles, EachEndsInItsMessagesWithMemoryBounded) {
    for (const HostileFile& hostile : hostileFiles()) {
        SCOPED_TRACE(hostile.what);
        fixtures::CarFolder folder;
        const std::vector<std::string> args = hostile.make(folder);
        const std::string& path = args[1];
        const Finished run = inspect(args, hostile.fileSizeLimit);
        std::printf("%-56s %6.2f s %5llu MiB  status %d\n", hostile.what.c_str(), run.seconds,
                    static_cast<unsigned long long>(run.peakBytes / MiB),
                    WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -WTERMSIG(run.status));
        // The folder's removal needs the unreadable file readable again.
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == hostile.status)
            << run.status << "\n"
            << run.out.substr(0, 2000) << run.err;
        EXPECT_LT(run.peakBytes, fixtures::UnderAddressSanitizer ? 768 * MiB : 256 * MiB);
        EXPECT_LT(run.seconds, 5.0);
        const std::string said = run.out + run.err;
        std::size_t from = 0;
        for (const std::string& text : hostile.expected) {
            from = said.find(withPath(text, path), from);
            EXPECT_NE(from, std::string::npos) << text << "\nnot found in:\n" << said.substr(0, 2000);
            if (from == std::string::npos) break;
        }
        if (hostile.check) hostile.check(folder);
    }
}

}  // namespace
}  // namespace korvex
