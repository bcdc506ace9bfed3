#pragma once
// Large work lists written once in order (the recorded shapes of a crowded drawing, the grid
// over them) are tens of megabytes of fresh memory: backed by huge pages where the system
// allows, each 2 MiB costs one fault instead of 512. Only a hint: the contents are the same
// either way.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace platform {

inline void preferHugePages(const void* begin, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    if (bytes < kHuge) return;
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(kHuge - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

// Room for `count` items (at least twice what there was, so that growing one by one stays
// cheap), asked for in huge pages when it is fresh.
template <typename T, typename A>
void reserveLarge(std::vector<T, A>& v, std::size_t count) {
    if (v.capacity() >= count) return;
    v.reserve(count > 2 * v.capacity() ? count : 2 * v.capacity());
    preferHugePages(v.data(), v.capacity() * sizeof(T));
}

// An allocator for a work list of a megabyte or more that is private to its owner: such a list
// is placed on a 2 MiB boundary and rounded up to whole huge pages, so all of it can be
// backed by them (a list from the usual allocator starts anywhere, and the part before its
// first boundary and after its last is faulted in page by page). Smaller lists come from the
// usual allocator.
template <typename T>
struct HugePageAllocator {
    using value_type = T;
    static constexpr std::size_t kHuge = std::size_t{2} << 20;
    static constexpr std::size_t kLarge = std::size_t{1} << 20;

    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T) - kHuge) throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLarge) return static_cast<T*>(::operator new(bytes));
        const std::size_t whole = (bytes + kHuge - 1) / kHuge * kHuge;
        void* p = ::operator new(whole, std::align_val_t{kHuge});
        preferHugePages(p, whole);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < kLarge)
            ::operator delete(p);
        else
            ::operator delete(p, std::align_val_t{kHuge});
    }
    template <typename U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

template <typename T>
using LargeList = std::vector<T, HugePageAllocator<T>>;

}  // namespace platform
