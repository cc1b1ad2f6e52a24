#include "tools/korvex-inspect/inspect.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <sstream>

namespace korvex {
namespace {

using fixtures::Bytes;
using fixtures::ModelDescription;

struct InspectRun {
    int status;
    std::string out;
    std::string err;
};

InspectRun inspect(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    ProgramState state;
    const int status = runInspect(args, state, out, err);
    return {status, out.str(), err.str()};
}

std::string loadLines(const std::string& path, std::size_t size) {
    return "Opening " + path + "\nFile has a size of: " + std::to_string(size) +
           "\nIdentification Found.\n\nLOADING Section Headers...\nLOADING String Tables\nLOADING Symbol Table\n\n"
           "Loading Model Geometry.\n";
}

TEST(KorvexInspect, PrintsTheLogThenOnePartPerLine) {
    fixtures::TempDir dir;
    ModelDescription model;
    model.parts.push_back({"geo_r_0_FRNShape", fixtures::quadBlock()});
    model.parts.push_back({"geo_r_7_TOPShape", fixtures::quadBlock()});
    model.parts[1].block.indices = {0, 1, 2, 3, 0};
    const Bytes bytes = model.build();
    const std::string path = (dir / "car.o").string();
    fixtures::writeFile(path, bytes);

    const InspectRun run = inspect({"model", path});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              loadLines(path, bytes.size()) + "Loaded 2 parts successfully.\n---\n0\t0\t0\t4\t4\n1\t7\t7\t4\t4\n");
    EXPECT_EQ(run.err, "");
}

TEST(KorvexInspect, DumpPrintsVerticesAndStripsOfEachPart) {
    fixtures::TempDir dir;
    ModelDescription model;
    auto block = fixtures::quadBlock();
    block.vertices.resize(2);
    block.vertices[1] = fixtures::vertex(0.1f, -2.5f, 1e-7f, 0, 1, 0, 0.25f, 0.25f);
    block.indices = {1, 0, 1};
    model.parts.push_back({"geo_r_3_a", block});
    fixtures::writeFile(dir / "one.o", model.build());

    const InspectRun run = inspect({"model", (dir / "one.o").string(), "--dump"});
    const std::string expected =
        "---\n0\t3\t3\t2\t3\nv 0 0 0 0 0 1 0 1\nv 0.100000001 -2.5 1.00000001e-07 0 1 0 0.25 0.75\ni 1 0 1\n";
    ASSERT_GE(run.out.size(), expected.size());
    EXPECT_EQ(run.out.substr(run.out.find("---\n")), expected);
}

TEST(KorvexInspect, BoxesFollowThePartsAndEscapedFailuresComeLast) {
    fixtures::TempDir dir;
    ModelDescription model;
    model.parts.push_back({"geo_r_0_a", fixtures::quadBlock()});
    model.parts.push_back({"geo_r_1_b", fixtures::quadBlock()});
    model.parts[1].block.vertexCount = -3;
    fixtures::writeFile(dir / "bad.o", model.build());
    const InspectRun bad = inspect({"model", (dir / "bad.o").string(), "--answer", "no"});
    EXPECT_EQ(bad.status, 0);
    const std::string tail =
        "Got up to geometry section 1\nMessage: \"Error Loading Geometry Part.\"\n---\n"
        "0\t0_a\t0\t4\t4\n1\t1_b\t0\t0\t0\n"
        "box\tError\tError while loading vertexes. \\rMessage: Stream read error\n";
    EXPECT_EQ(bad.out.substr(bad.out.size() - tail.size()), tail);

    const std::string missing = (dir / "missing.o").string();
    const InspectRun gone = inspect({"model", missing});
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.out,
              "Opening " + missing + "\n---\nerror\tCannot open file \"" + missing + "\". No such file or directory\n");
}

TEST(KorvexInspect, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"model"},
        {"parts", "x.o"},
        {"model", "x.o", "--answer"},
        {"model", "x.o", "--answer", "maybe"},
        {"model", "x.o", "--dumps"},
    };
    for (const auto& args : wrong) {
        const InspectRun run = inspect(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "usage: korvex-inspect model PATH [--answer yes|no] [--dump]\n");
    }
}

}  // namespace
}  // namespace korvex
