// Storage of program instances aligned to and padded to whole pairs of cache lines, so that
// instances run on different threads never write to a line (or a prefetched pair) another uses.
#pragma once
#include <cstddef>
#include <new>
#include <vector>

namespace qor::cmp {

// 128 bytes: two 64-byte lines, since processors fetch adjacent lines in pairs.
inline constexpr std::size_t kLinePair = 128;

template <class T>
struct LineAllocator {
    using value_type = T;
    LineAllocator() noexcept = default;
    template <class U>
    LineAllocator(const LineAllocator<U>&) noexcept {}

    static std::size_t padded(std::size_t n) {
        std::size_t bytes = n * sizeof(T);
        return (bytes + kLinePair - 1) / kLinePair * kLinePair;
    }
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T) - kLinePair) throw std::bad_array_new_length();
        return static_cast<T*>(::operator new(padded(n), std::align_val_t{kLinePair}));
    }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, std::align_val_t{kLinePair}); }

    template <class U>
    bool operator==(const LineAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const LineAllocator<U>&) const noexcept { return false; }
};

// A vector whose elements start on a line pair and whose block ends on one.
template <class T>
using LineVector = std::vector<T, LineAllocator<T>>;

}  // namespace qor::cmp
