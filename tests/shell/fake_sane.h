#pragma once
// The test's handle on the SANE library stand-in (fake_sane_library.cpp): the manager loads the
// same file by the same name, so both see one copy of its state.
#include <dlfcn.h>
#include <pthread.h>

#include <chrono>
#include <thread>

namespace lp::test {

struct FakeSane {
    FakeSane() : library(::dlopen(LP_FAKE_SANE, RTLD_NOW | RTLD_LOCAL)) {
        if (!library) return;
        Bind("fake_sane_reset", reset);
        Bind("fake_sane_hold", hold);
        Bind("fake_sane_listing_waits", listingWaits);
        Bind("fake_sane_thread_count", threadCount);
        Bind("fake_sane_called_on", calledOn);
        if (reset) reset();
    }
    ~FakeSane() {
        if (hold) hold(0);  // nothing may stay held for the next test
        if (library) ::dlclose(library);
    }
    FakeSane(const FakeSane&) = delete;
    FakeSane& operator=(const FakeSane&) = delete;

    bool Loaded() const { return reset && hold && listingWaits && threadCount && calledOn; }
    /// Waits (at most 10 s) until a listing waits for the hold to end.
    bool WaitForHeldListing() const {
        for (int i = 0; i < 10000 && !listingWaits(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return listingWaits() != 0;
    }

    void* library;
    void (*reset)() = nullptr;
    void (*hold)(int) = nullptr;
    int (*listingWaits)() = nullptr;
    int (*threadCount)() = nullptr;
    int (*calledOn)(pthread_t) = nullptr;

private:
    template <typename F>
    void Bind(const char* name, F& slot) {
        slot = reinterpret_cast<F>(::dlsym(library, name));
    }
};

}  // namespace lp::test
