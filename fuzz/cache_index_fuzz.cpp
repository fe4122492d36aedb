// Feeds arbitrary bytes to the thumbnail cache's index parser. A valid index
// must hold only safe cache names and serialize back to the same records.
#include "browser/thumbnail_cache.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const lp::ParsedCacheIndex parsed = lp::ParseCacheIndex(std::span<const std::uint8_t>(data, size));
    if (!parsed.valid) return 0;
    for (const lp::CacheRecord& record : parsed.records)
        if (!lp::IsSafeCacheName(record.cacheName)) std::abort();
    const auto bytes = lp::SerializeCacheIndex(parsed.nextNumber, parsed.records);
    const lp::ParsedCacheIndex again = lp::ParseCacheIndex(bytes);
    if (!again.valid || again.nextNumber != parsed.nextNumber || again.records != parsed.records) std::abort();
    return 0;
}
