#include "model/model_stream.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace korvex {
namespace {

std::string openFailure(const std::filesystem::path& path) {
    try {
        ModelStream::open(path);
    } catch (const LoadError& failure) {
        return failure.what();
    }
    return "opened";
}

TEST(ModelStream, OpenFailuresNameThePathAndTheSystemsReason) {
    fixtures::TempDir dir;
    EXPECT_EQ(openFailure(dir / "missing.o"),
              "Cannot open file \"" + (dir / "missing.o").string() + "\". No such file or directory");
    EXPECT_EQ(openFailure(dir.path()), "Cannot open file \"" + dir.path().string() + "\". Is a directory");
    EXPECT_EQ(openFailure("/dev/zero"), "Cannot open file \"/dev/zero\". Not a regular file");
}

TEST(ModelStream, ReadsDeliverExactlyOrFailWithoutMoving) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir / "six", {1, 2, 3, 4, 5, 6});
    ModelStream stream = ModelStream::open(dir / "six");
    EXPECT_EQ(stream.size(), 6);

    stream.seek(2);
    EXPECT_EQ(stream.readValue<uint16_t>(), 0x0403);
    EXPECT_EQ(stream.position(), 4);
    uint8_t four[4];
    EXPECT_THROW(stream.read(four, 4), LoadError);
    EXPECT_EQ(stream.position(), 4);
    stream.read(four, 2);
    EXPECT_EQ(four[1], 6);
    stream.read(four, 0);  // nothing asked at the very end is no failure

    for (int64_t outside : {int64_t{-1}, int64_t{7}, std::numeric_limits<int64_t>::min()}) {
        stream.seek(outside);
        try {
            stream.read(four, 1);
            ADD_FAILURE() << "read at " << outside;
        } catch (const LoadError& failure) {
            EXPECT_STREQ(failure.what(), "Stream read error");
        }
    }
}

// Reads of every size, near and across the edges of what is held in memory,
// deliver the file's bytes.
TEST(ModelStream, ReadsAnywhereDeliverTheFilesBytes) {
    fixtures::TempDir dir;
    std::vector<uint8_t> pattern(300 * 1024);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 7 + i / 251);
    fixtures::writeFile(dir / "big", pattern);
    ModelStream stream = ModelStream::open(dir / "big");

    const std::pair<int64_t, std::size_t> reads[] = {
        {0, 4}, {65530, 12}, {65536, 1}, {100, 40000}, {1000, 200000}, {pattern.size() - 3, 3}, {70000, 2}, {69999, 4},
    };
    for (const auto& [at, count] : reads) {
        std::vector<uint8_t> got(count);
        stream.seek(at);
        stream.read(got.data(), count);
        ASSERT_TRUE(std::equal(got.begin(), got.end(), pattern.begin() + at)) << at << "+" << count;
        EXPECT_EQ(stream.position(), at + static_cast<int64_t>(count));
    }

    stream.seek(static_cast<int64_t>(pattern.size()) - 10);
    const auto tail = stream.peek(1000);
    ASSERT_EQ(tail.size(), 10u);
    EXPECT_EQ(tail[9], pattern.back());
    EXPECT_EQ(stream.position(), static_cast<int64_t>(pattern.size()) - 10);
    stream.seek(static_cast<int64_t>(pattern.size()));
    EXPECT_TRUE(stream.peek(1000).empty());
    stream.seek(-1);
    EXPECT_TRUE(stream.peek(1000).empty());
}

TEST(ModelStream, AFileThatShrinksWhileOpenFailsToRead) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir / "shrinks", std::vector<uint8_t>(200000, 1));
    ModelStream stream = ModelStream::open(dir / "shrinks");
    std::filesystem::resize_file(dir / "shrinks", 100);
    std::vector<uint8_t> got(150000);
    stream.seek(1000);
    EXPECT_THROW(stream.read(got.data(), got.size()), LoadError);
    stream.seek(90);
    EXPECT_THROW(stream.read(got.data(), 20), LoadError);
}

TEST(ModelStream, CanHoldNeverOverflows) {
    ModelStream stream = ModelStream::fromBytes(std::vector<uint8_t>(100));
    stream.seek(20);
    EXPECT_TRUE(stream.canHold(2, 40));
    EXPECT_FALSE(stream.canHold(3, 40));
    EXPECT_TRUE(stream.canHold(80, 1));
    EXPECT_FALSE(stream.canHold(81, 1));
    EXPECT_FALSE(stream.canHold(-1, 40));
    EXPECT_FALSE(stream.canHold(std::numeric_limits<int32_t>::max(), 40));
    EXPECT_FALSE(stream.canHold(std::numeric_limits<int64_t>::max(), 2));
    stream.seek(100);
    EXPECT_TRUE(stream.canHold(0, 40));
    stream.seek(101);
    EXPECT_TRUE(stream.canHold(0, 40));
    EXPECT_FALSE(stream.canHold(1, 1));
}

}  // namespace
}  // namespace korvex
