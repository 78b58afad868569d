// Memory for the engine's large arrays, the index of a long movie above all. Filling a
// fresh array costs a page fault per 4 KiB page, which adds up to milliseconds for an
// index of a hundred thousand entries; arrays of several megabytes are therefore asked
// for in large pages where the system offers them.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace zendra {

// At least bytes of memory, aligned for any type; throws std::bad_alloc.
void* AllocateLargeArray(std::size_t bytes);
// Gives back what AllocateLargeArray(bytes) returned.
void FreeLargeArray(void* block, std::size_t bytes) noexcept;

template <typename T>
struct TLargeArrayAllocator {
    using value_type = T;

    TLargeArrayAllocator() = default;
    template <typename U>
    TLargeArrayAllocator(const TLargeArrayAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeArray(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLargeArray(p, n * sizeof(T)); }

    template <typename U>
    bool operator==(const TLargeArrayAllocator<U>&) const noexcept
    {
        return true;
    }
};

template <typename T>
using TLargeArray = std::vector<T, TLargeArrayAllocator<T>>;

}  // namespace zendra
