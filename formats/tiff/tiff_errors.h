#pragma once
// Turns what the TIFF component and its inner steps throw into the one
// exception the program shows: ImpExpException(where, text, "Tiff Error").
#include <new>
#include <string>
#include <utility>

#include "base/imp_exp_exception.h"

namespace lp {

inline constexpr const char* kTiffTitle = "Tiff Error";
inline constexpr const char* kTiffNoMemory = "Not enough memory!";

template <class Fn>
decltype(auto) WithTiffErrors(const std::string& where, Fn&& fn) {
    return WithImpExpErrors(where, kTiffTitle, kTiffNoMemory, std::forward<Fn>(fn));
}

}  // namespace lp
