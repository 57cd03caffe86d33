#pragma once
#include <cstddef>
#include <cstdlib>
#include <new>

// Large arrays filled once (terrain arrays, index lists): aligned to 2 MB and
// advised as huge pages where the system allows, so filling one takes a page
// fault per 2 MB instead of one per 4 KB. Small sizes are plain malloc. Freed
// with std::free; null when out of memory.
void* AllocLarge(size_t bytes);

// AllocLarge for standard containers.
template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }
    T* allocate(size_t n)
    {
        if (n > size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        void* p = AllocLarge(n * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept { std::free(p); }
    template <typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};
