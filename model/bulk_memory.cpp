#include "bulk_memory.h"

#include <cstdint>
#include <mutex>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define KORVEX_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_HEAP_ONLY 1
#endif
#endif

namespace korvex {

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;
constexpr std::size_t BlockSize = std::size_t{32} << 20;
constexpr std::size_t Alignment = 64;
constexpr std::size_t SmallestBulkArray = 4096;

// The first 64 bytes of every block and own mapping.
struct alignas(Alignment) BlockHeader {
    std::size_t mappedBytes;  // from the header on
    std::size_t used;         // bytes handed out, the header's included
    std::size_t live;         // arrays not yet freed
};
static_assert(sizeof(BlockHeader) == Alignment);

// Arrays bigger than this do not fit a block with its header.
constexpr std::size_t LargestInBlock = BlockSize - sizeof(BlockHeader);

constexpr std::size_t roundUp(std::size_t n, std::size_t step) { return (n + step - 1) / step * step; }

// `bytes` (a multiple of the huge-page size) at an address that is a
// multiple of `alignment`, offered to huge pages.
void* mapAligned(std::size_t bytes, std::size_t alignment) {
    const std::size_t reserved = bytes + alignment;
    void* mapped = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = roundUp(start, alignment);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const std::size_t tail = start + reserved - (aligned + bytes);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    // Refused where the kernel has no huge pages: the memory is then simply ordinary.
    ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

class Blocks {
public:
    void* allocate(std::size_t bytes) {
        const std::lock_guard lock(mutex_);
        void* memory = nullptr;
        if (bytes > LargestInBlock) {
            if (bytes > std::size_t(-1) / 2) throw std::bad_alloc();
            BlockHeader* own = map(roundUp(sizeof(BlockHeader) + bytes, HugePage), HugePage);
            own->live = 1;
            memory = own + 1;
        } else {
            const std::size_t need = roundUp(bytes, Alignment);
            if (current_ == nullptr || current_->used + need > BlockSize) {
                // A full block goes when its last array is freed.
                current_ = map(BlockSize, BlockSize);
            }
            memory = reinterpret_cast<char*>(current_) + current_->used;
            current_->used += need;
            ++current_->live;
        }
        ++liveArrays_;
        return memory;
    }

    void release(void* memory, std::size_t bytes) noexcept {
        const std::lock_guard lock(mutex_);
        BlockHeader* header =
            bytes > LargestInBlock
                ? static_cast<BlockHeader*>(memory) - 1
                : reinterpret_cast<BlockHeader*>(reinterpret_cast<std::uintptr_t>(memory) & ~(BlockSize - 1));
        --liveArrays_;
        if (--header->live > 0) return;
        if (header == current_) current_ = nullptr;
        unmap(header);
    }

    BulkMemoryUse use() {
        const std::lock_guard lock(mutex_);
        return {mappings_, liveArrays_};
    }

private:
    BlockHeader* map(std::size_t bytes, std::size_t alignment) {
        auto* header = static_cast<BlockHeader*>(mapAligned(bytes, alignment));
        header->mappedBytes = bytes;
        header->used = sizeof(BlockHeader);
        header->live = 0;
        ++mappings_;
        return header;
    }
    void unmap(BlockHeader* header) noexcept {
        ::munmap(header, header->mappedBytes);
        --mappings_;
    }

    std::mutex mutex_;
    BlockHeader* current_ = nullptr;
    std::size_t mappings_ = 0;
    std::size_t liveArrays_ = 0;
};

Blocks& blocks() {
    static Blocks instance;
    return instance;
}

}  // namespace

bool servedByBulkBlocks(std::size_t bytes) {
#if defined(KORVEX_HEAP_ONLY)
    (void)bytes;
    return false;
#else
    return bytes >= SmallestBulkArray;
#endif
}

void* allocateBulk(std::size_t bytes) {
    if (!servedByBulkBlocks(bytes)) return ::operator new(bytes, std::align_val_t{Alignment});
    return blocks().allocate(bytes);
}

void releaseBulk(void* memory, std::size_t bytes) noexcept {
    if (memory == nullptr) return;
    if (!servedByBulkBlocks(bytes)) return ::operator delete(memory, std::align_val_t{Alignment});
    blocks().release(memory, bytes);
}

BulkMemoryUse bulkMemoryUse() { return blocks().use(); }

}  // namespace korvex
