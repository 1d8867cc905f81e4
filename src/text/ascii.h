#pragma once

#include <algorithm>
#include <string_view>

// Letter case of ASCII only: the program's own literals (".exe", "news.html",
// "True") are ASCII, and other scripts have no case to fold here.
namespace nolvetta::text {

constexpr char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

constexpr bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace nolvetta::text
