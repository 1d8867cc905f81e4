#pragma once

#include <optional>
#include <string>
#include <string_view>

// Code page 932 (the Japanese Windows encoding of the data files).
namespace nolvetta::store {

struct DecodedText {
    std::u16string text;
    bool clean;  // false: invalid sequences or NUL bytes were met; `text` holds what came before
};

DecodedText decodeCp932(std::string_view bytes);

// Nothing when the text holds a character that code page 932 cannot hold.
std::optional<std::string> encodeCp932(std::u16string_view text);

}  // namespace nolvetta::store
