#include "scratchpool.h"

#include <array>
#include <cstdlib>
#include <mutex>

namespace scratchpool {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooling = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooling = false;
#else
constexpr bool kPooling = true;
#endif
#else
constexpr bool kPooling = true;
#endif

// Size classes: four per power of two (2^e, 1.25 * 2^e, 1.5 * 2^e, 1.75 * 2^e),
// so a block serves requests up to a quarter smaller than itself.
constexpr int kClasses = 64 * 4;

struct Class {
    int index;
    std::size_t bytes;
};

Class classOf(std::size_t bytes)
{
    int e = 63 - __builtin_clzll(static_cast<unsigned long long>(bytes));
    std::size_t quarter = (std::size_t{1} << e) / 4;
    std::size_t steps = (bytes + quarter - 1) / quarter;  // 4 .. 8
    if (steps == 8) {
        ++e;
        steps = 4;
        quarter *= 2;
    }
    return {e * 4 + static_cast<int>(steps - 4), steps * quarter};
}

// The freed blocks by size class; mutex guards free, kept and fresh.
struct Pool {
    std::mutex mutex;
    std::array<std::vector<void*>, kClasses> free;
    std::size_t kept = 0;
    std::size_t fresh = 0;
};

Pool& pool()
{
    static Pool* p = new Pool;  // never destroyed: blocks may be freed during exit
    return *p;
}

}  // namespace

void* take(std::size_t bytes)
{
    const Class c = classOf(bytes);
    if (kPooling) {
        Pool& p = pool();
        std::lock_guard<std::mutex> lock(p.mutex);
        std::vector<void*>& list = p.free[static_cast<std::size_t>(c.index)];
        if (!list.empty()) {
            void* block = list.back();
            list.pop_back();
            p.kept -= c.bytes;
            return block;
        }
    }
    void* block = std::aligned_alloc(64, (c.bytes + 63) & ~std::size_t{63});
    if (!block)
        throw std::bad_alloc();
    if (kPooling) {
        Pool& p = pool();
        std::lock_guard<std::mutex> lock(p.mutex);
        ++p.fresh;
    }
    return block;
}

void give(void* block, std::size_t bytes) noexcept
{
    if (!block)
        return;
    const Class c = classOf(bytes);
    if (kPooling) {
        Pool& p = pool();
        std::lock_guard<std::mutex> lock(p.mutex);
        if (p.kept + c.bytes <= kKeptBytes) {
            try {
                p.free[static_cast<std::size_t>(c.index)].push_back(block);
                p.kept += c.bytes;
                return;
            } catch (...) {
                // No room to remember it: free it below.
            }
        }
    }
    std::free(block);
}

std::size_t keptBytes() noexcept
{
    Pool& p = pool();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.kept;
}

std::size_t freshBlocks() noexcept
{
    Pool& p = pool();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.fresh;
}

bool pooling() noexcept
{
    return kPooling;
}

std::size_t blockBytes(std::size_t bytes) noexcept
{
    return kPooling && bytes >= kPooledBytes ? classOf(bytes).bytes : bytes;
}

}  // namespace scratchpool
