#pragma once
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace lp {

/// Memory for buffers of a few megabytes and more (whole pictures, whole input
/// files), in transparent huge pages where the system offers them: a
/// 12-megapixel picture then costs a handful of page faults instead of
/// thousands. Smaller requests go to the ordinary heap. Throws std::bad_alloc.
void* AllocateLargeBuffer(std::size_t bytes);
/// Frees what AllocateLargeBuffer(bytes) returned, with the same byte count.
void FreeLargeBuffer(void* memory, std::size_t bytes) noexcept;

template <class T>
struct LargeBufferAllocator {
    using value_type = T;
    LargeBufferAllocator() = default;
    template <class U>
    LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeBuffer(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLargeBuffer(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const LargeBufferAllocator<U>&) const noexcept {
        return true;
    }
};

/// Bytes that may be large: a picture's rows, a file read whole.
using ByteBuffer = std::vector<std::uint8_t, LargeBufferAllocator<std::uint8_t>>;

}  // namespace lp
