// libcurl is loaded the first time a URL is fetched or parsed, not at every
// start: with its TLS, LDAP, Kerberos and compression libraries it is about
// thirty shared objects, which would cost every batch job and --version more
// than the job itself. These definitions stand in for libcurl's entry points
// and forward to the real library, opened with dlopen on first use.
//
// When the library cannot be loaded, every call fails the way libcurl fails
// when it runs out of memory (null handles, CURLE_FAILED_INIT), which the
// callers already report; the reason is written once to standard error.
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>

#include "base/library_symbol.h"

namespace {

using lp::BindSymbol;

constexpr const char* kCurlLibrary = "libcurl.so.4";

struct CurlLibrary {
    bool loaded = false;
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_reset) easyReset = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_free) free = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&curl_url) url = nullptr;
    decltype(&curl_url_cleanup) urlCleanup = nullptr;
    decltype(&curl_url_get) urlGet = nullptr;
    decltype(&curl_url_set) urlSet = nullptr;
};

CurlLibrary Open() {
    CurlLibrary lib;
    // Kept open until the process ends: handles may live in static objects.
    void* handle = ::dlopen(kCurlLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "lumaprism: %s\n", why ? why : "libcurl.so.4 cannot be loaded");
        return lib;
    }
    lib.loaded = BindSymbol(handle, "curl_global_init", lib.globalInit) && BindSymbol(handle, "curl_easy_init", lib.easyInit) &&
                 BindSymbol(handle, "curl_easy_cleanup", lib.easyCleanup) && BindSymbol(handle, "curl_easy_reset", lib.easyReset) &&
                 BindSymbol(handle, "curl_easy_perform", lib.easyPerform) &&
                 BindSymbol(handle, "curl_easy_setopt", lib.easySetopt) &&
                 BindSymbol(handle, "curl_easy_getinfo", lib.easyGetinfo) &&
                 BindSymbol(handle, "curl_easy_strerror", lib.easyStrerror) && BindSymbol(handle, "curl_free", lib.free) &&
                 BindSymbol(handle, "curl_slist_append", lib.slistAppend) &&
                 BindSymbol(handle, "curl_slist_free_all", lib.slistFreeAll) && BindSymbol(handle, "curl_url", lib.url) &&
                 BindSymbol(handle, "curl_url_cleanup", lib.urlCleanup) && BindSymbol(handle, "curl_url_get", lib.urlGet) &&
                 BindSymbol(handle, "curl_url_set", lib.urlSet);
    if (!lib.loaded) std::fprintf(stderr, "lumaprism: %s lacks an entry point this program uses\n", kCurlLibrary);
    return lib;
}

const CurlLibrary& Curl() {
    static const CurlLibrary lib = Open();  // thread-safe: fetches run on worker threads
    return lib;
}

}  // namespace

// Parenthesised names: curl.h may define the variadic ones as type-checking macros.
extern "C" {

CURLcode(curl_global_init)(long flags) { return Curl().loaded ? Curl().globalInit(flags) : CURLE_FAILED_INIT; }

CURL*(curl_easy_init)(void) { return Curl().loaded ? Curl().easyInit() : nullptr; }

void(curl_easy_cleanup)(CURL* curl) {
    if (Curl().loaded) Curl().easyCleanup(curl);
}

void(curl_easy_reset)(CURL* curl) {
    if (Curl().loaded) Curl().easyReset(curl);
}

CURLcode(curl_easy_perform)(CURL* curl) { return Curl().loaded ? Curl().easyPerform(curl) : CURLE_FAILED_INIT; }

// Every option value (long, curl_off_t, a pointer, a function pointer) travels
// as one 64-bit argument word, so one void* passes each through unchanged.
static_assert(sizeof(void*) == 8 && sizeof(long) == 8 && sizeof(curl_off_t) == 8);

CURLcode(curl_easy_setopt)(CURL* curl, CURLoption option, ...) {
    if (!Curl().loaded) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    void* value = va_arg(args, void*);
    va_end(args);
    return Curl().easySetopt(curl, option, value);
}

CURLcode(curl_easy_getinfo)(CURL* curl, CURLINFO info, ...) {
    if (!Curl().loaded) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* out = va_arg(args, void*);
    va_end(args);
    return Curl().easyGetinfo(curl, info, out);
}

const char*(curl_easy_strerror)(CURLcode code) {
    return Curl().loaded ? Curl().easyStrerror(code) : "libcurl could not be loaded";
}

void(curl_free)(void* p) {
    if (Curl().loaded) Curl().free(p);
}

struct curl_slist*(curl_slist_append)(struct curl_slist* list, const char* text) {
    return Curl().loaded ? Curl().slistAppend(list, text) : nullptr;
}

void(curl_slist_free_all)(struct curl_slist* list) {
    if (Curl().loaded) Curl().slistFreeAll(list);
}

CURLU*(curl_url)(void) { return Curl().loaded ? Curl().url() : nullptr; }

void(curl_url_cleanup)(CURLU* handle) {
    if (Curl().loaded) Curl().urlCleanup(handle);
}

CURLUcode(curl_url_get)(CURLU* handle, CURLUPart what, char** part, unsigned int flags) {
    return Curl().loaded ? Curl().urlGet(handle, what, part, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode(curl_url_set)(CURLU* handle, CURLUPart what, const char* part, unsigned int flags) {
    return Curl().loaded ? Curl().urlSet(handle, what, part, flags) : CURLUE_OUT_OF_MEMORY;
}

}  // extern "C"
