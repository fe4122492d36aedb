// A SANE library stand-in for the scanning tests: one device whose listing can be held until the
// test lets it go, a tiny grey scan, and a record of the threads the calls came on.
#include <sane/sane.h>

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
bool g_hold = false;
bool g_listingWaits = false;
std::vector<pthread_t> g_threads;  // one entry per thread a call other than sane_cancel came on
int g_readCalls = 0;
int g_handle = 0;

constexpr int kWidth = 4;
constexpr int kLines = 2;

void Record() {
    std::lock_guard lock(g_mutex);
    const pthread_t self = pthread_self();
    if (std::none_of(g_threads.begin(), g_threads.end(), [&](pthread_t t) { return pthread_equal(t, self); }))
        g_threads.push_back(self);
}

const SANE_Device g_device = {"fake:0", "Fake", "Latched", "virtual device"};
const SANE_Device* g_list[] = {&g_device, nullptr};

}  // namespace

extern "C" {

// --- What the tests steer ------------------------------------------------------------------------

__attribute__((visibility("default"))) void fake_sane_reset() {
    std::lock_guard lock(g_mutex);
    g_hold = false;
    g_listingWaits = false;
    g_threads.clear();
}

/// While held, sane_get_devices waits.
__attribute__((visibility("default"))) void fake_sane_hold(int hold) {
    {
        std::lock_guard lock(g_mutex);
        g_hold = hold != 0;
    }
    g_changed.notify_all();
}

/// Whether a listing is waiting for the hold to end now.
__attribute__((visibility("default"))) int fake_sane_listing_waits() {
    std::lock_guard lock(g_mutex);
    return g_listingWaits ? 1 : 0;
}

__attribute__((visibility("default"))) int fake_sane_thread_count() {
    std::lock_guard lock(g_mutex);
    return int(g_threads.size());
}

__attribute__((visibility("default"))) int fake_sane_called_on(pthread_t thread) {
    std::lock_guard lock(g_mutex);
    return std::any_of(g_threads.begin(), g_threads.end(), [&](pthread_t t) { return pthread_equal(t, thread); });
}

// --- SANE ----------------------------------------------------------------------------------------

__attribute__((visibility("default"))) SANE_Status sane_init(SANE_Int* version, SANE_Auth_Callback) {
    Record();
    if (version) *version = SANE_VERSION_CODE(1, 0, 0);
    return SANE_STATUS_GOOD;
}

__attribute__((visibility("default"))) void sane_exit() { Record(); }

__attribute__((visibility("default"))) SANE_Status sane_get_devices(const SANE_Device*** list, SANE_Bool) {
    Record();
    std::unique_lock lock(g_mutex);
    g_listingWaits = g_hold;
    g_changed.wait(lock, [] { return !g_hold; });
    g_listingWaits = false;
    *list = g_list;
    return SANE_STATUS_GOOD;
}

__attribute__((visibility("default"))) SANE_Status sane_open(SANE_String_Const name, SANE_Handle* handle) {
    Record();
    if (std::strcmp(name, g_device.name) != 0) return SANE_STATUS_INVAL;
    *handle = &g_handle;
    return SANE_STATUS_GOOD;
}

__attribute__((visibility("default"))) void sane_close(SANE_Handle) { Record(); }

__attribute__((visibility("default"))) SANE_Status sane_get_parameters(SANE_Handle, SANE_Parameters* p) {
    Record();
    *p = SANE_Parameters{SANE_FRAME_GRAY, SANE_TRUE, kWidth, kWidth, kLines, 8};
    return SANE_STATUS_GOOD;
}

__attribute__((visibility("default"))) SANE_Status sane_start(SANE_Handle) {
    Record();
    std::lock_guard lock(g_mutex);
    g_readCalls = 0;
    return SANE_STATUS_GOOD;
}

__attribute__((visibility("default"))) SANE_Status sane_read(SANE_Handle, SANE_Byte* data, SANE_Int max,
                                                             SANE_Int* length) {
    Record();
    std::lock_guard lock(g_mutex);
    if (g_readCalls++ > 0 || max < kWidth * kLines) {
        *length = 0;
        return SANE_STATUS_EOF;
    }
    std::memset(data, 0x80, kWidth * kLines);
    *length = kWidth * kLines;
    return SANE_STATUS_GOOD;
}

// The one call SANE allows from any thread (the Stop button's): not recorded.
__attribute__((visibility("default"))) void sane_cancel(SANE_Handle) {}

}  // extern "C"
