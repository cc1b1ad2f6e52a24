#pragma once
// Memory for the big arrays of the program: a model's vertex records and
// strip indices, the bytes of a picture file and the decoded pixels.
//
// Fresh memory costs a page fault for every 4 KiB the first time it is
// written, and for a big model those faults, not the parsing, were most of
// the time a load took. Arrays of 4 KiB and more are therefore laid one after
// another in 32 MiB blocks that are aligned for the kernel's transparent huge
// pages and offered to them, so that the same memory costs one fault per
// 2 MiB; an array too big for a block gets a mapping of its own, offered the
// same way. A block goes back to the system when the last array in it is
// freed. A thread of its own makes the pages just ahead of the last array
// ready meanwhile, so that the kernel's zeroing of them is done beside the
// reading rather than in its way. Where huge pages are off, the blocks are
// ordinary memory and all works the same. Under the address sanitizer everything comes from the
// ordinary heap, so that overruns are still caught.

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace korvex {

// `bytes` of memory aligned to 64 bytes; throws std::bad_alloc when the
// system has none.
void* allocateBulk(std::size_t bytes);
// Frees what allocateBulk(bytes) gave, with the same `bytes`.
void releaseBulk(void* memory, std::size_t bytes) noexcept;

struct BulkMemoryUse {
    std::size_t mappings = 0;   // blocks and own mappings held from the system
    std::size_t liveArrays = 0; // arrays handed out and not yet freed, in all of them
};
BulkMemoryUse bulkMemoryUse();

// Whether arrays of `bytes` come from the blocks rather than the heap.
bool servedByBulkBlocks(std::size_t bytes);

// An allocator for arrays that are sized and then filled from a file at
// once: new elements are left uninitialised, since zeroing a large model
// first would cost as much again as reading it, and the memory comes from
// allocateBulk.
template <typename T>
struct BulkAllocator {
    using value_type = T;
    BulkAllocator() = default;
    template <typename U>
    BulkAllocator(const BulkAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(allocateBulk(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { releaseBulk(p, n * sizeof(T)); }

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const BulkAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace korvex
