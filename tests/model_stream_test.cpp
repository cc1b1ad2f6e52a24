#include "model/model_stream.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace korvex {
namespace {

std::string OpenFailure(const std::filesystem::path& path) {
    try {
        ModelStream::Open(path);
    } catch (const LoadError& failure) {
        return failure.what();
    }
    return "opened";
}

TEST(ModelStream, OpenFailuresNameThePathAndTheSystemsReason) {
    fixtures::TempDir dir;
    EXPECT_EQ(OpenFailure(dir / "missing.o"), "Cannot open file \"" + (dir / "missing.o").string() + "\". No such file or directory");
    EXPECT_EQ(OpenFailure(dir.path()), "Cannot open file \"" + dir.path().string() + "\". Is a directory");
    EXPECT_EQ(OpenFailure("/dev/zero"), "Cannot open file \"/dev/zero\". Not a regular file");
}

TEST(ModelStream, ReadsDeliverExactlyOrFailWithoutMoving) {
    fixtures::TempDir dir;
    fixtures::WriteFile(dir / "six", {1, 2, 3, 4, 5, 6});
    ModelStream stream = ModelStream::Open(dir / "six");
    EXPECT_EQ(stream.Size(), 6);

    stream.Seek(2);
    EXPECT_EQ(stream.ReadValue<uint16_t>(), 0x0403);
    EXPECT_EQ(stream.Position(), 4);
    uint8_t four[4];
    EXPECT_THROW(stream.Read(four, 4), LoadError);
    EXPECT_EQ(stream.Position(), 4);
    stream.Read(four, 2);
    EXPECT_EQ(four[1], 6);
    stream.Read(four, 0);  // nothing asked at the very end is no failure

    for (int64_t outside : {int64_t{-1}, int64_t{7}, std::numeric_limits<int64_t>::min()}) {
        stream.Seek(outside);
        try {
            stream.Read(four, 1);
            ADD_FAILURE() << "read at " << outside;
        } catch (const LoadError& failure) {
            EXPECT_STREQ(failure.what(), "Stream read error");
        }
    }
}

TEST(ModelStream, CanHoldNeverOverflows) {
    ModelStream stream = ModelStream::FromBytes(std::vector<uint8_t>(100));
    stream.Seek(20);
    EXPECT_TRUE(stream.CanHold(2, 40));
    EXPECT_FALSE(stream.CanHold(3, 40));
    EXPECT_TRUE(stream.CanHold(80, 1));
    EXPECT_FALSE(stream.CanHold(81, 1));
    EXPECT_FALSE(stream.CanHold(-1, 40));
    EXPECT_FALSE(stream.CanHold(std::numeric_limits<int32_t>::max(), 40));
    EXPECT_FALSE(stream.CanHold(std::numeric_limits<int64_t>::max(), 2));
    stream.Seek(100);
    EXPECT_TRUE(stream.CanHold(0, 40));
    stream.Seek(101);
    EXPECT_TRUE(stream.CanHold(0, 40));
    EXPECT_FALSE(stream.CanHold(1, 1));
}

}  // namespace
}  // namespace korvex
