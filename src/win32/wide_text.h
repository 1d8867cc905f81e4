#pragma once

#include <string>
#include <string_view>

// wchar_t and char16_t are both UTF-16 units on Windows: the core's texts go
// to the system and back unchanged.
namespace nolvetta::win32 {

inline std::wstring wide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

inline std::u16string utf16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

}  // namespace nolvetta::win32
