#include "base/printf_text.h"

#include <cstdarg>
#include <cstdio>

namespace lp {

namespace {

void AppendV(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data() + start, static_cast<std::size_t>(n) + 1, format, args);
    out.resize(start + static_cast<std::size_t>(n));
}

}  // namespace

std::string PrintfText(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendV(out, format, args);
    va_end(args);
    return out;
}

void AppendPrintf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendV(out, format, args);
    va_end(args);
}

}  // namespace lp
