#pragma once
// Large work lists written once in order (the recorded shapes of a crowded drawing, the grid
// over them) are tens of megabytes of fresh memory: backed by huge pages where the system
// allows, each 2 MiB costs one fault instead of 512. Only a hint: the contents are the same
// either way.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tubra::view {

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
template <typename T>
void reserveLarge(std::vector<T>& v, std::size_t count) {
    if (v.capacity() >= count) return;
    v.reserve(count > 2 * v.capacity() ? count : 2 * v.capacity());
    preferHugePages(v.data(), v.capacity() * sizeof(T));
}

}  // namespace tubra::view
