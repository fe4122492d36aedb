#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace lp {

/// The text with every "%XX" escape replaced by its byte; a "%" without two hex digits stays.
std::string PercentDecode(std::string_view text);

/// A file URI of the path made absolute and normal: "file:///..." with every byte other than
/// letters, digits, "/", "-", ".", "_" and "~" percent-escaped.
std::string FileUri(const std::filesystem::path& path);

}  // namespace lp
