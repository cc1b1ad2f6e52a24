// Files made to cost the program as much as possible, each opened by the real
// inspector in a process of its own: it must end soon, in the messages the
// program gives for a damaged file, with its memory bounded.

#include "tests/support/hostile_files.h"
#include "tests/support/image_writers.h"
#include "tests/support/sanitizers.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <linux/capability.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
    std::string out;
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

// Runs the inspector on `args`. Outside the sanitizer build its address
// space is limited to 1 GiB, so that a fault cannot take the machine; what
// the tests check is the memory it really used.
Finished inspect(const fixtures::TempDir& dir, const std::vector<std::string>& args) {
    const std::string outPath = (dir / "out.txt").string();
    std::vector<std::string> words{KORVEX_INSPECT};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const bool limit = !fixtures::UnderAddressSanitizer;

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        if (limit) {
            const rlimit space{1024 * MiB, 1024 * MiB};
            ::setrlimit(RLIMIT_AS, &space);
        }
        dropReadingAnyFile();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Finished run;
    rusage usage{};
    ::wait4(child, &run.status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakBytes = static_cast<uint64_t>(usage.ru_maxrss) * 1024;
    std::ifstream in(outPath);
    std::stringstream text;
    text << in.rdbuf();
    run.out = text.str();
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

TEST(HostileFiles, AModelCostsNoMoreThanItsFileCanHold) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir / "shared.o", sharedBlockModel());
    const Finished shared = inspect(dir, {"model", (dir / "shared.o").string()});
    expectCheapEnd(shared, 256 * MiB, "ERROR! while loading model geometry.\nGot up to geometry section ");
    EXPECT_NE(shared.out.find("Message: \"The model needs more than 64 MiB, more than its file can hold\""),
              std::string::npos);
    fixtures::writeFile(dir / "tables.o", sharedStringTables());
    expectCheapEnd(inspect(dir, {"model", (dir / "tables.o").string()}), 256 * MiB,
                   "ERROR! while loading string table number 1024\n"
                   "Message: \"The model needs more than 64 MiB, more than its file can hold\"");
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
    expectCheapEnd(inspect(dir, {"texture", (dir / "big.tga").string()}), 256 * MiB, "fail\n");

    // A 1 KB run-length bitmap of 16,000 x 16,000 pixels.
    images::BmpOptions rle8;
    rle8.depth = 8;
    rle8.runLength = true;
    fixtures::Bytes bmp = images::writeBmp(images::testPattern(2, 2), rle8);
    const int32_t side = 16000;
    std::memcpy(bmp.data() + 18, &side, 4);
    std::memcpy(bmp.data() + 22, &side, 4);
    fixtures::writeFile(dir / "big.bmp", bmp);
    expectCheapEnd(inspect(dir, {"texture", (dir / "big.bmp").string()}), 256 * MiB, "fail\n");
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
    expectCheapEnd(inspect(dir, {"texture", (dir / "scans.jpg").string()}), 256 * MiB,
                   "box\tBMP Unit\tCouldn't load JPG - \"" + (dir / "scans.jpg").string() + "\"\nfail\n");
}

TEST(HostileFiles, APictureFileLongerThanItsFormatCanUseIsNotRead) {
    fixtures::TempDir dir;
    // Two gigabytes that take no room on the disk.
    const std::filesystem::path sparse = dir / "sparse.jpg";
    fixtures::writeFile(sparse, images::writeJpeg(images::testPattern(8, 8)));
    std::filesystem::resize_file(sparse, 2048 * MiB);
    expectCheapEnd(inspect(dir, {"texture", sparse.string()}), 256 * MiB,
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
    const Finished model = inspect(dir, {"model", (dir / "pipe.o").string()});
    const Finished texture = inspect(dir, {"texture", (dir / "pipe.jpg").string()});
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
    HostileFile(std::string what, Maker make, std::vector<std::string> expected)
        : what(std::move(what)), make(std::move(make)), expected(std::move(expected)) {}
    HostileFile(std::string what, Maker make, const std::string& expected)
        : HostileFile(std::move(what), std::move(make), std::vector<std::string>{expected}) {}

    std::string what;
    // Writes the file (and what goes with it) into the folder; answers the
    // inspector's arguments, the file's path second.
    Maker make;
    // Texts the output must hold in this order, "PATH" standing for the file's path.
    std::vector<std::string> expected;
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
        fixtures::TempDir scratch;
        const Finished run = inspect(scratch, args);
        // The folder's removal needs the unreadable file readable again.
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
        // A bad file is reported in the lines, not by the exit status.
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status << "\n"
                                                                           << run.out.substr(0, 2000);
        EXPECT_LT(run.peakBytes, fixtures::UnderAddressSanitizer ? 768 * MiB : 256 * MiB);
        EXPECT_LT(run.seconds, 5.0);
        std::size_t from = 0;
        for (const std::string& text : hostile.expected) {
            from = run.out.find(withPath(text, path), from);
            ASSERT_NE(from, std::string::npos) << text << "\nnot found in:\n" << run.out.substr(0, 2000);
        }
        std::printf("%-46s %5.2f s %4llu MiB\n", hostile.what.c_str(), run.seconds,
                    static_cast<unsigned long long>(run.peakBytes / MiB));
    }
}

}  // namespace
}  // namespace korvex
