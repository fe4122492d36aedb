#pragma once
// Libraries the program opens only when a feature first needs them (libcurl,
// libsane) are bound symbol by symbol into typed function pointers.
#include <dlfcn.h>

namespace lp {

/// Looks `name` up in a library from dlopen and stores it in `slot`; false
/// when the library lacks it.
template <typename F>
bool BindSymbol(void* library, const char* name, F& slot) {
    slot = reinterpret_cast<F>(::dlsym(library, name));
    return slot != nullptr;
}

}  // namespace lp
