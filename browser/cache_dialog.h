#pragma once
#include "base/settings.h"
#include "browser/thumbnail_cache.h"

#include <chrono>
#include <string>

namespace lp {

/// The "Cache" dialog ("&Cache Info") without its window: the controls'
/// values and enabled states, and what OK does.
struct CacheDialogState {
    static constexpr int kMinDays = 1;
    static constexpr int kMaxDays = 365;

    bool enableCacheInfo = true;  // "Enable Cache Info"
    bool cleanAll = true;         // "&All" (else "&Keep Only " N "Days Cache")
    int keepDays = 1;
    CacheStatistics statistics;  // "Files " and "Size "

    static CacheDialogState Open(const AppSettings& settings, const CThumbnailCache& cache);

    /// The day count is enabled only with "&Keep Only " and a ticked box.
    bool DaysEnabled() const { return enableCacheInfo && !cleanAll; }
    /// Unticking the box disables the clean and statistics controls.
    bool CleanAndStatisticsEnabled() const { return enableCacheInfo; }
    /// The day field accepts 1..365.
    static bool DaysAccepted(int days) { return days >= kMinDays && days <= kMaxDays; }

    /// OK: when the box is ticked, cleans as chosen; then stores the box in
    /// `CacheInfo` (and in the cache). False, doing nothing, when the day
    /// count is outside 1..365.
    bool Accept(CThumbnailCache& cache, AppSettings& settings,
                std::chrono::system_clock::time_point now = std::chrono::system_clock::now()) const;
};

}  // namespace lp
