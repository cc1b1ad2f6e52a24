#include "textures/texture_files.h"

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

}  // namespace
}  // namespace korvex
