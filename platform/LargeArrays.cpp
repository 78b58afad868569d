#include "platform/LargeArrays.h"

#include <cstdint>

// Sanitizers watch what operator new gives, not what is mapped: there every array takes it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZENDRA_SANITIZED 1
#endif
#endif
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(ZENDRA_SANITIZED)
#define ZENDRA_LARGE_PAGES 1
#include <sys/mman.h>
#endif

namespace zendra {

namespace {

#if defined(ZENDRA_LARGE_PAGES)
// The large page of x86-64 and of most 64-bit ARM systems; where it is another, the
// system just gives small pages.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t bytes)
{
    return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}

bool IsLarge(std::size_t bytes)
{
    return bytes >= kLargePage && bytes <= static_cast<std::size_t>(-1) - 2 * kLargePage;
}
#endif

}  // namespace

void* AllocateLargeArray(std::size_t bytes)
{
#if defined(ZENDRA_LARGE_PAGES)
    if (IsLarge(bytes)) {
        // Map a large page more than needed and trim both ends, so the block starts on one.
        const std::size_t size = MappedSize(bytes);
        void* mapped = ::mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        const auto start = reinterpret_cast<std::uintptr_t>(mapped);
        const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
        if (aligned > start)
            ::munmap(mapped, aligned - start);
        if (const std::size_t tail = start + size + kLargePage - (aligned + size); tail > 0)
            ::munmap(reinterpret_cast<void*>(aligned + size), tail);
        void* block = reinterpret_cast<void*>(aligned);
        ::madvise(block, size, MADV_HUGEPAGE);  // a hint: without large pages the block still serves
        return block;
    }
#endif
    return ::operator new(bytes);
}

void FreeLargeArray(void* block, std::size_t bytes) noexcept
{
    if (!block)
        return;
#if defined(ZENDRA_LARGE_PAGES)
    if (IsLarge(bytes)) {
        ::munmap(block, MappedSize(bytes));
        return;
    }
#endif
    ::operator delete(block);
}

}  // namespace zendra
