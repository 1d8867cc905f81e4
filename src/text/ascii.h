#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// Letter case of ASCII only: the program's own literals (".exe", "news.html",
// "True") and the names in mail headers are ASCII, and other scripts have no
// case to fold here.
namespace nolvetta::text {

constexpr char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Bytes of a mail header, any charset: only the 26 ASCII capitals change.
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with its ASCII capitals made small, for comparing and finding
// without regard to case.
inline std::u16string asciiLowered(std::u16string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char16_t c) { return asciiLower(c); });
    return text;
}

inline std::string asciiLowered(std::string bytes) {
    std::transform(bytes.begin(), bytes.end(), bytes.begin(), [](char c) { return asciiLower(c); });
    return bytes;
}

constexpr bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return asciiLower(x) == asciiLower(y); });
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

}  // namespace nolvetta::text
