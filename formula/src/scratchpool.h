// Arrays of the engine (results, intermediates, scratch) come from a pool
// that keeps freed blocks for the next request of the same size class, so a
// formula that runs again over the same number of bars touches no fresh
// memory: no page faults, no zero-filling by the kernel, no trips to mmap.
// Blocks below kPooledBytes go to the ordinary allocator, which recycles
// small blocks by itself. Builds with AddressSanitizer bypass the pool so
// that use after free stays visible.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace scratchpool {

constexpr std::size_t kPooledBytes = 16 * 1024;
// Most bytes the pool keeps in freed blocks; blocks freed beyond it are
// returned to the system.
constexpr std::size_t kKeptBytes = 256u * 1024u * 1024u;

// A block of at least bytes (>= kPooledBytes) bytes on a 64-byte boundary
// (a cache line: the vector loops' loads and stores never straddle two);
// throws std::bad_alloc.
// Declared like malloc so that the compiler knows that two blocks never
// overlap (kernels keep values of two scratch arrays in registers).
__attribute__((malloc, returns_nonnull, alloc_size(1))) void* take(std::size_t bytes);
// Returns a block from take(bytes) with the same byte count.
void give(void* p, std::size_t bytes) noexcept;
// Bytes held in freed blocks right now.
std::size_t keptBytes() noexcept;
// Blocks obtained from the system so far (not served from freed ones).
std::size_t freshBlocks() noexcept;
// False in builds that bypass the pool.
bool pooling() noexcept;
// The bytes of the block that take(bytes) hands out (bytes itself below
// kPooledBytes or without the pool).
std::size_t blockBytes(std::size_t bytes) noexcept;

}  // namespace scratchpool

// std::allocator's interface over the pool.
template <typename T>
struct PoolAllocator {
    using value_type = T;
    PoolAllocator() noexcept = default;
    template <typename U>
    PoolAllocator(const PoolAllocator<U>&) noexcept
    {}
    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < scratchpool::kPooledBytes)
            return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(scratchpool::take(bytes));
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < scratchpool::kPooledBytes)
            ::operator delete(p);
        else
            scratchpool::give(p, bytes);
    }
};

template <typename T, typename U>
bool operator==(const PoolAllocator<T>&, const PoolAllocator<U>&) noexcept
{
    return true;
}
template <typename T, typename U>
bool operator!=(const PoolAllocator<T>&, const PoolAllocator<U>&) noexcept
{
    return false;
}

// Scratch arrays of the kernels.
template <typename T>
using ScratchVector = std::vector<T, PoolAllocator<T>>;
