#include "tools/korvex-inspect/inspect.h"
#include "tests/support/inspect_run.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace korvex {
namespace {

using fixtures::Bytes;
using fixtures::ModelDescription;

std::string loadLines(const std::string& path, std::size_t size) {
    return "Opening " + path + "\nFile has a size of: " + std::to_string(size) +
           "\nIdentification Found.\n\nLOADING Section Headers...\nLOADING String Tables\nLOADING Symbol Table\n\n"
           "Loading Model Geometry.\n";
}

const std::string FindingBox =
    "box\tFinding Geomdata.ini\tCannot find geomdata.ini.\\r\\rWhile this file is not essential, it provides some "
    "enhanced features.\\rThe program will now request that you find the file. If you do not want to use it, press "
    "cancel.\n";

ModelDescription frontAndTop() {
    ModelDescription model;
    model.parts.push_back({"geo_r_0_FRNShape", fixtures::quadBlock()});
    model.parts.push_back({"geo_r_7_TOPShape", fixtures::quadBlock()});
    model.parts[1].block.indices = {0, 1, 2, 3, 0};  // the trailing index is not read
    return model;
}

TEST(KorvexInspect, PrintsTheLogThenOnePartPerLineWithItsSettings) {
    fixtures::CarFolder folder;
    const Bytes bytes = frontAndTop().build();
    const std::string path = folder.model().string();
    fixtures::writeFile(path, bytes);
    const std::string partLines = "0\tPart 0\t0\t4\t4\t0\t0\t100\t90\n1\t7\t7\t4\t4\t0\t0\t-\t-\n";

    const InspectRun defaults = inspect({"model", path});
    EXPECT_EQ(defaults.status, 0);
    EXPECT_EQ(defaults.out,
              loadLines(path, bytes.size()) + "Loaded 2 parts successfully.\n---\n" + partLines + FindingBox);
    EXPECT_EQ(defaults.err, "");

    const auto settings = folder.modelFolder() / "geomdata.ini";
    fixtures::writeText(settings,
                        "[GEOMDATA]\nnumpart=8\n\n[ALPHA_OPAQUE_FRNShape]\nlodon=100\nlodoff=40\n\n\n\n\n\n\n\n"
                        "[ALPHA_TRANS_TOPShape]\nlodon=39\nlodoff=0\n");
    const InspectRun withFile = inspect({"model", path});
    EXPECT_EQ(withFile.out, loadLines(path, bytes.size()) +
                                "Loaded 2 parts successfully.\n\nLOADING Geomdata.ini...\n" + settings.string() +
                                "\nnumpart=8\n---\n0\tFront\t0\t4\t4\t0\t1\t100\t40\n" +
                                "1\tTop\t7\t4\t4\t1\t1\t39\t0\n");
}

TEST(KorvexInspect, AnswersTheFewerRowsQuestionAsTold) {
    fixtures::CarFolder folder;
    const std::string path = folder.model().string();
    fixtures::writeFile(path, frontAndTop().build());
    fixtures::writeText(folder.cars() / "geomdata.ini", "[geomdata]\r\nnumpart=1\r\n\r\n[WINShape]\r\n");
    const std::string question =
        "box\tError\tError!\\r\\rThis geomdata.ini file has less parts than the model you are viewing.\\r\\r"
        "Do you still want to use this geomdata.ini?\n";

    const InspectRun yes = inspect({"model", path});
    EXPECT_EQ(yes.out.substr(yes.out.find("---\n")),
              "---\n0\tWindow (Front)\t0\t4\t4\t0\t0\t0\t0\n1\t7\t7\t4\t4\t0\t0\t-\t-\n" + question);
    const InspectRun no = inspect({"model", path, "--answer", "no"});
    EXPECT_EQ(no.out.substr(no.out.find("---\n")),
              "---\n0\tPart 0\t0\t4\t4\t0\t0\t100\t90\n1\t7\t7\t4\t4\t0\t0\t-\t-\n" + question);
}

TEST(KorvexInspect, RowsASettingsFileLeavesOutGetTheDefaultRows) {
    fixtures::CarFolder folder;
    ModelDescription model;
    for (const char* name :
         {"geo_r_0_FRNShape", "geo_r_1_REARShape", "geo_r_2_TOPShape", "geo_r_3_HOODShape", "geo_r_4_TRNKShape"})
        model.parts.push_back({name, fixtures::quadBlock()});
    const std::string path = folder.model().string();
    fixtures::writeFile(path, model.build());
    // Row 1 is skipped by two blank lines, row 2 has a header alone, row 3
    // lies past the end of the file and row 4 past its count.
    fixtures::writeText(folder.modelFolder() / "geomdata.ini",
                        "[GEOMDATA]\nnumpart=4\n\n[FRNShape]\nlodon=100\nlodoff=40\n\n\n[TOPShape]\n");
    const InspectRun run = inspect({"model", path});
    const std::string parts = run.out.substr(run.out.find("---\n"));
    EXPECT_EQ(parts.substr(0, parts.find("box\t")),
              "---\n0\tFront\t0\t4\t4\t0\t0\t100\t40\n1\tPart 1\t1\t4\t4\t0\t0\t100\t70\n"
              "2\tTop\t2\t4\t4\t0\t0\t0\t0\n3\tPart 3\t3\t4\t4\t0\t0\t100\t30\n"
              "4\tPart 4\t4\t4\t4\t0\t0\t100\t10\n");

    // Answered No, the whole table is the default one, as before.
    const InspectRun no = inspect({"model", path, "--answer", "no"});
    EXPECT_NE(no.out.find("2\tPart 2\t2\t4\t4\t0\t0\t100\t50\n"), std::string::npos) << no.out;
}

TEST(KorvexInspect, FindsTheSettingsFileWhateverTheCaseOfItsName) {
    fixtures::CarFolder folder;
    const std::string path = folder.model().string();
    fixtures::writeFile(path, frontAndTop().build());
    const auto usedFile = [&] {
        const std::string out = inspect({"model", path}).out;
        const auto loading = out.find("LOADING Geomdata.ini...\n");
        if (loading == std::string::npos) return std::string("(none)");
        const auto start = loading + std::string("LOADING Geomdata.ini...\n").size();
        return std::filesystem::path(out.substr(start, out.find('\n', start) - start)).filename().string();
    };
    const std::string settings = "[GEOMDATA]\nnumpart=8\n\n[FRNShape]\n";
    fixtures::writeText(folder.modelFolder() / "Geomdata.ini", settings);
    EXPECT_EQ(usedFile(), "Geomdata.ini");
    // The folder above still wins, and in each folder the exact name first.
    fixtures::writeText(folder.cars() / "GEOMDATA.INI", settings);
    EXPECT_EQ(usedFile(), "GEOMDATA.INI");
    fixtures::writeText(folder.cars() / "geomdata.ini", settings);
    EXPECT_EQ(usedFile(), "geomdata.ini");
    // A folder of that name is no settings file.
    std::filesystem::remove(folder.cars() / "geomdata.ini");
    std::filesystem::remove(folder.cars() / "GEOMDATA.INI");
    std::filesystem::create_directory(folder.cars() / "GeomData.INI");
    EXPECT_EQ(usedFile(), "Geomdata.ini");
}

TEST(KorvexInspect, DumpPrintsVerticesAndStripsOfEachPart) {
    fixtures::CarFolder dir;
    ModelDescription model;
    auto block = fixtures::quadBlock();
    block.vertices.resize(2);
    block.vertices[1] = fixtures::vertex(0.1f, -2.5f, 1e-7f, 0, 1, 0, 0.25f, 0.25f);
    block.indices = {1, 0, 1};
    model.parts.push_back({"geo_r_3_a", block});
    fixtures::writeFile(dir.modelFolder() / "one.o", model.build());

    const InspectRun run = inspect({"model", (dir.modelFolder() / "one.o").string(), "--dump"});
    const std::string expected =
        "---\n0\t3\t3\t2\t3\t0\t0\t-\t-\nv 0 0 0 0 0 1 0 1\nv 0.100000001 -2.5 1.00000001e-07 0 1 0 0.25 0.75\ni 1 0 "
        "1\n";
    ASSERT_GE(run.out.size(), expected.size());
    EXPECT_EQ(run.out.substr(run.out.find("---\n")), expected + FindingBox);
}

TEST(KorvexInspect, BoxesFollowThePartsAndEscapedFailuresComeLast) {
    fixtures::CarFolder dir;
    ModelDescription model;
    model.parts.push_back({"geo_r_0_a", fixtures::quadBlock()});
    model.parts.push_back({"geo_r_1_b", fixtures::quadBlock()});
    model.parts[1].block.vertexCount = -3;
    fixtures::writeFile(dir.modelFolder() / "bad.o", model.build());
    const InspectRun bad = inspect({"model", (dir.modelFolder() / "bad.o").string(), "--answer", "no"});
    EXPECT_EQ(bad.status, 0);
    // The load failed, so the default rows are made but not applied.
    const std::string tail =
        "Got up to geometry section 1\nMessage: \"Error Loading Geometry Part.\"\n---\n"
        "0\t0_a\t0\t4\t4\t0\t0\t100\t90\n1\t1_b\t0\t0\t0\t0\t0\t100\t90\n"
        "box\tError\tError while loading vertexes. \\rMessage: Stream read error\n" +
        FindingBox;
    EXPECT_EQ(bad.out.substr(bad.out.size() - tail.size()), tail);

    const std::string missing = (dir.modelFolder() / "missing.o").string();
    const InspectRun gone = inspect({"model", missing});
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.out,
              "Opening " + missing + "\n---\nerror\tCannot open file \"" + missing + "\". No such file or directory\n");

    // A settings file with a bad number stops the open after its rows were read.
    fixtures::writeFile(dir.model(), frontAndTop().build());
    fixtures::writeText(dir.modelFolder() / "geomdata.ini", "[GEOMDATA]\nnumpart=2\n\n[TOPShape]\nlodon=x\n");
    const InspectRun badSettings = inspect({"model", dir.model().string()});
    EXPECT_EQ(badSettings.out.substr(badSettings.out.find("---\n")),
              "---\n0\t0\t0\t4\t4\t0\t0\t0\t0\n1\t7\t7\t4\t4\t0\t0\t-\t-\nerror\t'x' is not a valid integer value\n");
}

TEST(KorvexInspect, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"model"},
        {"parts", "x.o"},
        {"model", "x.o", "--answer"},
        {"model", "x.o", "--answer", "maybe"},
        {"model", "x.o", "--dumps"},
        {"texture"},
        {"texture", "x.tga", "--png"},
        {"texture", "x.tga", "--max-texture-size", "0"},
        {"texture", "x.tga", "--max-texture-size", "12x"},
        {"texture", "x.tga", "--max-texture-size", "-5"},
        {"texture", "x.tga", "--dump"},
        {"uv", "x.o"},
        {"uv", "x.o", "--png", "a.png", "--part", "-1"},
        {"uv", "x.o", "--png", "a.png", "--size", "20000x10"},
        {"uv", "x.o", "--png", "a.png", "--texture", "2"},
        {"uv", "x.o", "--png"},
        {"render", "x.o", "--png", "a.png", "--samples", "3"},
        {"turntable", "x.o"},
        {"turntable", "x.o", "--out", "a.mp4", "--png", "a.png"},
        {"turntable", "x.o", "--out", "a.mp4", "--seconds", "601"},
        {"turntable", "x.o", "--out", "a.mp4", "--wireframe"},
        {"sheet", "x.o"},
        {"sheet", "x.o", "--png", "a.png", "--size", "10x10"},
        {"sheet", "x.o", "--png", "a.png", "--fit"},
        {"thumbnail", "x.o"},
        {"thumbnail", "x.o", "a.png", "b.png"},
        {"thumbnail", "-s", "0", "x.o", "a.png"},
        {"thumbnail", "-s", "4097", "x.o", "a.png"},
        {"thumbnail", "x.o", "a.png", "-s"},
        {"thumbnail", "--size", "64", "x.o", "a.png"},
    };
    for (const auto& args : wrong) {
        const InspectRun run = inspect(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(
            run.err,
            "usage: korvex-inspect model PATH [--answer yes|no] [--dump]\n"
            "       korvex-inspect texture PATH [--png OUT.png] [--max-texture-size N]\n"
            "       korvex-inspect render MODEL|LOOK --png OUT.png [--size WxH] [--yaw DEG] [--tilt DEG] [--zoom Z] "
            "[--view front|side|top|three-quarter] [--fit] [--env FILE] [--wireframe] [--lod-off] [--slider N] "
            "[--select PART] [--frame-time MS] [--background R,G,B] [--backlight R,G,B] [--texture PART=PICTURE]... "
            "[--samples 0|2|4|8] [--transparent] [--answer yes|no]\n"
            "       korvex-inspect export MODEL|LOOK [--glb OUT.glb] [--obj OUT.obj] [--texture PART=PICTURE]... "
            "[--answer yes|no]\n"
            "       korvex-inspect uv MODEL|LOOK --png OUT.png [--part N]... [--texture PART=PICTURE]... [--size WxH] "
            "[--over] [--answer yes|no]\n"
            "       korvex-inspect turntable MODEL|LOOK --out FILE.mp4|FILE.webp [--size WxH] [--seconds S] [--fps N] "
            "[--samples 0|2|4|8] [--transparent] [--view front|side|top|three-quarter] [--fit] [--answer yes|no]\n"
            "       korvex-inspect sheet MODEL|LOOK --png OUT.png [--size WxH] [--samples 0|2|4|8] [--transparent] "
            "[--answer yes|no]\n"
            "       korvex-inspect thumbnail [-s SIZE] INPUT OUTPUT\n");
    }
}

}  // namespace
}  // namespace korvex
