#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

// The fuzzer's bytes as UTF-16 text.
inline std::u16string fuzzText(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    return text;
}

// A property that must hold whatever the bytes.
inline constexpr auto check = [](bool holds) { holds ? void() : std::abort(); };
