#include "textures/texture_files.h"

#include "model/recording_io.h"
#include "textures/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>

namespace korvex {
namespace {

TEST(TextureFiles, TheExtensionsFirstLetterChoosesTheLoader) {
    struct Case {
        const char* path;
        TextureFileKind kind;
    };
    const Case cases[] = {
        {"wood.tga", TextureFileKind::Tga},          {"WOOD.TGA", TextureFileKind::Tga},
        {"a.targa", TextureFileKind::Tga},           {"paint.jpg", TextureFileKind::Jpeg},
        {"paint.JPEG", TextureFileKind::Jpeg},       {"x.jfif", TextureFileKind::Jpeg},
        {"logo.bmp", TextureFileKind::Bmp},          {"logo.Bitmap", TextureFileKind::Bmp},
        {"dir.jpg/logo.bmp", TextureFileKind::Bmp},  {"a.png", TextureFileKind::Unknown},
        {"noextension", TextureFileKind::Unknown},   {"ends.", TextureFileKind::Unknown},
        {"dir.jpg/plain", TextureFileKind::Unknown}, {"", TextureFileKind::Unknown},
        {"two.tga.png", TextureFileKind::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(textureFileKind(c.path), c.kind) << c.path;
}

// Each step puts the file into one more folder, from the last looked at to
// the first, and that folder must win from then on.
TEST(TextureFiles, DataFilesAreFoundInTheirOrder) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("data_files_" + std::to_string(::getpid()));
    const fs::path work = root / "work", exe = root / "moved/bin", configured = root / "configured";
    const fs::path besideExe = exe / "../share/korvex-viewer";
    const DataFolders folders{exe, {"../share/korvex-viewer", configured}};
    for (const fs::path& dir : {work, exe, besideExe, configured}) fs::create_directories(dir / "Data");
    const fs::path before = fs::current_path();
    fs::current_path(work);
    auto put = [](const fs::path& file) { std::ofstream(file) << "x"; };

    struct Step {
        fs::path folder;  // where the file is put; empty: nowhere yet
        fs::path found;
    };
    struct Search {
        const char* name;
        DataSearch search;
        std::vector<Step> steps;
    };
    const Search searches[] = {
        {"Env.jpg",
         DataSearch::WorkingFolderFirst,
         {{{}, "Data/Env.jpg"},
          {configured, configured / "Data/Env.jpg"},
          {besideExe, exe / "../share/korvex-viewer/Data/Env.jpg"},
          {exe, exe / "Data/Env.jpg"},
          {work, "Data/Env.jpg"}}},
        // The working folder's copy is never the program's own.
        {"help.htm",
         DataSearch::ProgramOnly,
         {{work, exe / "Data/help.htm"},
          {configured, configured / "Data/help.htm"},
          {besideExe, exe / "../share/korvex-viewer/Data/help.htm"},
          {exe, exe / "Data/help.htm"}}},
    };
    for (const Search& s : searches)
        for (const Step& step : s.steps) {
            if (!step.folder.empty()) put(step.folder / "Data" / s.name);
            EXPECT_EQ(locateDataFile(s.name, folders, s.search), step.found) << s.name << " in " << step.folder;
        }
    // A folder of that name is not the file.
    fs::create_directories(exe / "Data/page.htm");
    put(configured / "Data/page.htm");
    EXPECT_EQ(locateDataFile("page.htm", folders, DataSearch::ProgramOnly), configured / "Data/page.htm");

    fs::current_path(before);
    fs::remove_all(root);
}

TEST(TextureFiles, TheProgramReportsAMissingFileWhereItLooksFirst) {
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(locateProgramDataFile("no-such-page.htm", DataSearch::ProgramOnly), exe / "Data/no-such-page.htm");
    EXPECT_EQ(locateProgramDataFile("no-such-picture.jpg"), std::filesystem::path("Data/no-such-picture.jpg"));
}

TEST(TextureFiles, TheReflectionImageIsABrightSkyOverADarkFloor) {
    const auto path = locateDataFile("Env.jpg", {KORVEX_SOURCE_DIR, {}});
    ASSERT_TRUE(std::filesystem::is_regular_file(path));
    ScriptedPrompts prompts;
    const auto sky = DecodeJpegFile(path, prompts);
    ASSERT_TRUE(sky);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(sky->width, 512u);
    EXPECT_EQ(sky->height, 512u);
    // Mean brightness of a buffer row; the bottom of the picture comes first.
    auto rowBrightness = [&](uint32_t row) {
        uint64_t sum = 0;
        for (uint32_t x = 0; x < sky->width; ++x)
            for (int c = 0; c < 3; ++c) sum += sky->pixels[(std::size_t{row} * sky->width + x) * 4 + c];
        return static_cast<double>(sum) / (sky->width * 3);
    };
    EXPECT_LT(rowBrightness(10), 60);
    EXPECT_GT(rowBrightness(300), 150);
    EXPECT_GT(rowBrightness(300), 3 * rowBrightness(100));
}

}  // namespace
}  // namespace korvex
