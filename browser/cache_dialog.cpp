#include "browser/cache_dialog.h"

namespace lp {

CacheDialogState CacheDialogState::Open(const AppSettings& settings, const CThumbnailCache& cache) {
    CacheDialogState state;
    state.enableCacheInfo = settings.cacheInfo == 1;
    state.statistics = cache.Statistics();
    return state;
}

bool CacheDialogState::Accept(CThumbnailCache& cache, AppSettings& settings,
                              std::chrono::system_clock::time_point now) const {
    if (enableCacheInfo && !cleanAll && !DaysAccepted(keepDays)) return false;
    if (enableCacheInfo) {
        cache.SetEnabled(true);
        if (cleanAll)
            cache.CleanAll();
        else
            cache.CleanOlderThan(keepDays, now);
    }
    settings.cacheInfo = enableCacheInfo ? 1 : 0;
    cache.SetEnabled(enableCacheInfo);
    return true;
}

}  // namespace lp
