#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Conversions between the window's texts (UTF-16) and the bytes the system
// speaks in (UTF-8 on Linux).
namespace nolvetta::text {

// Invalid sequences become U+FFFD: what is shown must never fail to show.
std::u16string fromUtf8(std::string_view bytes);
// A lone surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

// A path as people read it; never fails, whatever bytes the name holds.
std::u16string pathText(const std::filesystem::path& path);

std::u16string decimal(std::uintmax_t number);

}  // namespace nolvetta::text
