#include "model/bulk_memory.h"
#include "model/model_commands.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace korvex {
namespace {

constexpr std::size_t MiB = std::size_t{1} << 20;

struct Array {
    void* memory;
    std::size_t bytes;
};

class BulkMemory : public testing::Test {
protected:
    void SetUp() override {
        if (!servedByBulkBlocks(4096)) GTEST_SKIP() << "this build takes every array from the heap";
        before_ = bulkMemoryUse();
    }
    void TearDown() override {
        for (const Array& array : arrays_) releaseBulk(array.memory, array.bytes);
    }

    // An array of `bytes` whose every byte is written, as a load writes it.
    void* take(std::size_t bytes, uint8_t fill) {
        void* memory = allocateBulk(bytes);
        std::memset(memory, fill, bytes);
        arrays_.push_back({memory, bytes});
        return memory;
    }
    void giveBack(std::size_t index) {
        releaseBulk(arrays_[index].memory, arrays_[index].bytes);
        arrays_.erase(arrays_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    std::size_t mappingsAdded() const { return bulkMemoryUse().mappings - before_.mappings; }

    BulkMemoryUse before_;
    std::vector<Array> arrays_;
};

TEST_F(BulkMemory, ArraysAreAlignedApartAndKeepTheirBytes) {
    const std::size_t sizes[] = {4096, 5000, 64 * 1024 + 3, 3 * MiB, 40 * MiB, 4097};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const auto address = reinterpret_cast<std::uintptr_t>(take(sizes[i], static_cast<uint8_t>(i + 1)));
        EXPECT_EQ(address % 64, 0u) << sizes[i];
    }
    for (std::size_t i = 0; i < arrays_.size(); ++i) {
        const auto* bytes = static_cast<const uint8_t*>(arrays_[i].memory);
        const std::size_t size = arrays_[i].bytes;
        // The first and last byte of each still hold its own fill: no array overlaps another.
        EXPECT_EQ(bytes[0], i + 1);
        EXPECT_EQ(bytes[size - 1], i + 1);
    }
    EXPECT_EQ(bulkMemoryUse().liveArrays - before_.liveArrays, std::size(sizes));
    // A size no mapping can have is refused, not wrapped round to a small one.
    EXPECT_THROW(allocateBulk(std::size_t(-1) - 4), std::bad_alloc);
    EXPECT_EQ(bulkMemoryUse().mappings - before_.mappings, 2u);
}

TEST_F(BulkMemory, EveryMappingGoesBackWithItsLastArray) {
    // Thirteen 5 MiB arrays fill two 32 MiB blocks, six each, and start a
    // third; a 40 MiB one has a mapping of its own.
    for (int i = 0; i < 13; ++i) take(5 * MiB, 0xA5);
    take(40 * MiB, 0x5A);
    EXPECT_EQ(mappingsAdded(), 4u);

    giveBack(13);
    EXPECT_EQ(mappingsAdded(), 3u);
    // The first block goes once all six of its arrays are freed, not before.
    for (int i = 0; i < 5; ++i) giveBack(0);
    EXPECT_EQ(mappingsAdded(), 3u);
    giveBack(0);
    EXPECT_EQ(mappingsAdded(), 2u);
    // So does the block still being filled.
    while (!arrays_.empty()) giveBack(arrays_.size() - 1);
    EXPECT_EQ(mappingsAdded(), 0u);
    EXPECT_EQ(bulkMemoryUse().liveArrays, before_.liveArrays);
}

TEST_F(BulkMemory, AModelsArraysAreFreedByTheNextLoadAndByClose) {
    fixtures::ModelDescription model;
    for (int p = 0; p < 3; ++p) {
        fixtures::GeometryBlock block;
        for (int i = 0; i < 2000; ++i)
            block.vertices.push_back(fixtures::vertex(static_cast<float>(i), 0, static_cast<float>(p), 0, 1, 0, 0, 0));
        for (int i = 0; i < 2000; ++i) block.indices.push_back(static_cast<uint16_t>(i));
        model.parts.push_back({"geo_r_" + std::to_string(p) + "_part", std::move(block)});
    }
    fixtures::TempDir dir;
    fixtures::LoadOutcome outcome = fixtures::loadBytes(dir, model.build());
    ASSERT_TRUE(outcome.state.ModelLoaded);
    const BulkMemoryUse loaded = bulkMemoryUse();
    // Three vertex arrays of 80,000 bytes and three strips of 4,000.
    EXPECT_EQ(loaded.liveArrays - before_.liveArrays, 3u);

    fixtures::loadInto(outcome, dir / "car.o");
    ASSERT_TRUE(outcome.state.ModelLoaded);
    EXPECT_EQ(bulkMemoryUse().liveArrays, loaded.liveArrays);
    EXPECT_EQ(bulkMemoryUse().mappings, loaded.mappings);

    ASSERT_TRUE(CloseModel(outcome.state, outcome.log, outcome.controls));
    EXPECT_EQ(bulkMemoryUse().liveArrays, before_.liveArrays);
    EXPECT_EQ(mappingsAdded(), 0u);
}

// How many of the 4 KiB pages of [begin, begin + bytes) the process holds.
std::size_t residentPages(const void* begin, std::size_t bytes) {
    std::vector<unsigned char> pages(bytes / 4096);
    if (::mincore(const_cast<void*>(begin), bytes, pages.data()) != 0) return 0;
    return static_cast<std::size_t>(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }));
}

bool kernelPreparesPagesAhead() {
    void* scratch = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    const bool works = ::madvise(scratch, 4096, 23 /* MADV_POPULATE_WRITE */) == 0;
    ::munmap(scratch, 4096);
    return works;
}

// Waits up to two seconds for `test` to hold.
template <typename Test>
bool within2Seconds(Test&& test) {
    for (int i = 0; i < 200 && !test(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return test();
}

TEST_F(BulkMemory, PagesAreMadeReadyAheadOfTheArraysButNotFarBeyond) {
    if (!kernelPreparesPagesAhead()) GTEST_SKIP() << "this kernel cannot make pages ready ahead";
    // Nothing is written to these arrays here: what is resident was made so
    // by the allocator. Each array starts 64 bytes into its mapping.
    const auto mappingOf = [](void* array) { return static_cast<const char*>(array) - 64; };

    // A 40 MiB array has a mapping of its own, made ready whole.
    void* big = allocateBulk(40 * MiB);
    arrays_.push_back({big, 40 * MiB});
    EXPECT_TRUE(within2Seconds([&] { return residentPages(mappingOf(big), 40 * MiB) == 40 * MiB / 4096; }));
    giveBack(0);

    // In a fresh block, the 4 MiB past the last array, and nothing past those.
    void* small = allocateBulk(8192);
    arrays_.push_back({small, 8192});
    const char* block = mappingOf(small);
    EXPECT_TRUE(within2Seconds([&] { return residentPages(block + 2 * MiB, 4 * MiB) == 4 * MiB / 4096; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(residentPages(block + 8 * MiB, 24 * MiB), 0u);
}

TEST(BulkAllocator, VectorsGrowShrinkAndCopyThroughIt) {
    std::vector<uint32_t, BulkAllocator<uint32_t>> numbers;
    for (uint32_t i = 0; i < 100000; ++i) numbers.push_back(i * 7);
    auto copy = numbers;
    numbers.resize(10);
    numbers.shrink_to_fit();
    ASSERT_EQ(copy.size(), 100000u);
    EXPECT_EQ(copy[99999], 99999u * 7);
    EXPECT_EQ(numbers.back(), 63u);
}

}  // namespace
}  // namespace korvex
