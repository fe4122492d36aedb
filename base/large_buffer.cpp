#include "base/large_buffer.h"

#include <sys/mman.h>

namespace lp {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this a huge page would mostly hold nothing.
constexpr std::size_t kLargeBytes = kHugePage;

constexpr std::size_t RoundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnMappings = false;  // the sanitizer watches heap blocks, not our mappings
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kOwnMappings = false;
#else
constexpr bool kOwnMappings = true;
#endif
#else
constexpr bool kOwnMappings = true;
#endif

bool Mapped(std::size_t bytes) { return kOwnMappings && bytes >= kLargeBytes; }

}  // namespace

void* AllocateLargeBuffer(std::size_t bytes) {
    if (!Mapped(bytes)) return ::operator new(bytes);
    const std::size_t length = RoundUp(bytes, kHugePage);
    if (length < bytes || length + kHugePage < length) throw std::bad_alloc();
    // One huge page more than needed, so an aligned run of them fits; the ends go back.
    void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(start, kHugePage);
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::uintptr_t end = start + length + kHugePage;
    if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    // Advice only: without huge pages the memory is ordinary pages.
    ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLargeBuffer(void* memory, std::size_t bytes) noexcept {
    if (memory == nullptr) return;
    if (!Mapped(bytes)) {
        ::operator delete(memory);
        return;
    }
    ::munmap(memory, RoundUp(bytes, kHugePage));
}

}  // namespace lp
