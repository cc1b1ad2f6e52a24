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

TEST(TextureFiles, DataFilesAreFoundInTheirOrder) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("data_files_" + std::to_string(::getpid()));
    const fs::path work = root / "work", exe = root / "bin", installed = root / "share";
    for (const fs::path& dir : {work, exe, installed}) fs::create_directories(dir / "Data");
    const fs::path before = fs::current_path();
    fs::current_path(work);

    auto put = [](const fs::path& file) { std::ofstream(file) << "x"; };
    EXPECT_EQ(locateDataFile("Env.jpg", exe, installed), fs::path("Data/Env.jpg"));  // none: the working folder's
    put(installed / "Data/Env.jpg");
    EXPECT_EQ(locateDataFile("Env.jpg", exe, installed), installed / "Data/Env.jpg");
    put(exe / "Data/Env.jpg");
    EXPECT_EQ(locateDataFile("Env.jpg", exe, installed), exe / "Data/Env.jpg");
    put(work / "Data/Env.jpg");
    EXPECT_EQ(locateDataFile("Env.jpg", exe, installed), fs::path("Data/Env.jpg"));
    // A folder of that name is not the file.
    fs::create_directories(work / "Data/help.htm");
    put(exe / "Data/help.htm");
    EXPECT_EQ(locateDataFile("help.htm", exe, installed), exe / "Data/help.htm");

    fs::current_path(before);
    fs::remove_all(root);
}

TEST(TextureFiles, TheReflectionImageIsABrightSkyOverADarkFloor) {
    const auto path = locateDataFile("Env.jpg", KORVEX_SOURCE_DIR, "/nonexistent");
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
