#include "bulk_memory.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include <sys/mman.h>

#if !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23
#endif

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

// How far beyond the last array handed out a block's pages are made ready.
constexpr std::size_t Lookahead = std::size_t{4} << 20;

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

// The kernel zeroes a fresh page when it is first written, and for a big
// model that zeroing is most of the load. A second thread therefore makes
// the pages of the next few megabytes of the block being filled ready while
// the loader reads into the ones before, and the pages of an array with a
// mapping of its own while its owner fills it. Where the kernel cannot make
// pages ready ahead (before 5.14), the thread stops and nothing changes.
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
            prepare(own, HugePage, own->mappedBytes);
        } else {
            const std::size_t need = roundUp(bytes, Alignment);
            if (current_ == nullptr || current_->used + need > BlockSize) {
                // A full block goes when its last array is freed; the pages
                // past its last array will not be needed.
                forgetPreparation(current_);
                current_ = map(BlockSize, BlockSize);
            }
            memory = reinterpret_cast<char*>(current_) + current_->used;
            current_->used += need;
            ++current_->live;
            prepare(current_, roundUp(current_->used, HugePage),
                    std::min(BlockSize, roundUp(current_->used + Lookahead, HugePage)));
        }
        ++liveArrays_;
        return memory;
    }

    void release(void* memory, std::size_t bytes) noexcept {
        std::unique_lock lock(mutex_);
        BlockHeader* header =
            bytes > LargestInBlock
                ? static_cast<BlockHeader*>(memory) - 1
                : reinterpret_cast<BlockHeader*>(reinterpret_cast<std::uintptr_t>(memory) & ~(BlockSize - 1));
        --liveArrays_;
        if (--header->live > 0) return;
        if (header == current_) current_ = nullptr;
        forgetPreparation(header);
        stepDone_.wait(lock, [&] { return preparing_ != header; });
        unmap(header);
    }

    BulkMemoryUse use() {
        const std::lock_guard lock(mutex_);
        return {mappings_, liveArrays_};
    }

private:
    // Pages [next, end) of a mapping, as offsets from its header, still to be made ready.
    struct Preparation {
        BlockHeader* mapping;
        std::size_t next;
        std::size_t end;
    };

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

    // Called with the mutex held, as is prepare.
    void forgetPreparation(BlockHeader* mapping) {
        std::erase_if(pending_, [&](const Preparation& job) { return job.mapping == mapping; });
    }

    void prepare(BlockHeader* mapping, std::size_t from, std::size_t to) {
        if (!preparingWorks_ || from >= to) return;
        const auto job = std::find_if(pending_.begin(), pending_.end(),
                                      [&](const Preparation& p) { return p.mapping == mapping; });
        if (job != pending_.end()) {
            job->next = std::max(job->next, from);
            job->end = std::max(job->end, to);
        } else {
            pending_.push_back({mapping, from, to});
        }
        if (!workerStarted_) {
            try {
                std::thread([this] { prepareForEver(); }).detach();
                workerStarted_ = true;
            } catch (const std::system_error&) {
                preparingWorks_ = false;
                pending_.clear();
                return;
            }
        }
        work_.notify_one();
    }

    // The worker: one huge page at a time, with the mutex released while the
    // kernel zeroes it, so that a release waits for one page at most.
    void prepareForEver() {
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return !pending_.empty(); });
            Preparation& job = pending_.front();
            if (job.next >= job.end) {
                pending_.pop_front();
                continue;
            }
            preparing_ = job.mapping;
            char* page = reinterpret_cast<char*>(job.mapping) + job.next;
            job.next += HugePage;
            lock.unlock();
            const bool refused = ::madvise(page, HugePage, MADV_POPULATE_WRITE) != 0 && errno == EINVAL;
            lock.lock();
            preparing_ = nullptr;
            stepDone_.notify_all();
            if (refused) {
                preparingWorks_ = false;
                pending_.clear();
            }
        }
    }

    std::mutex mutex_;
    BlockHeader* current_ = nullptr;
    std::size_t mappings_ = 0;
    std::size_t liveArrays_ = 0;

    std::condition_variable work_;      // a job is pending
    std::condition_variable stepDone_;  // the worker let go of a page
    std::deque<Preparation> pending_;
    BlockHeader* preparing_ = nullptr;  // the mapping the worker is in, outside the mutex
    bool workerStarted_ = false;
    bool preparingWorks_ = true;
};

// Never destroyed: the worker may still wait on it while the program exits.
Blocks& blocks() {
    static Blocks* const instance = new Blocks;
    return *instance;
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
