#pragma once
#include <string>

namespace lp {

/// printf into a string, for the report texts. Numbers come out in the "C"
/// locale: the core never changes LC_NUMERIC.
std::string PrintfText(const char* format, ...) __attribute__((format(printf, 1, 2)));
/// The same, appended to out.
void AppendPrintf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace lp
