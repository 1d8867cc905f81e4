#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reading newsletters and page addresses out of text dropped on the window.
namespace nolvetta::recognise {

// Lines end at CR LF, a lone LF or a lone CR, and never include their break;
// a text without a break is one line.
std::u16string_view firstLine(std::u16string_view text);

struct RecognisedMagazine {
    std::int16_t service;  // catalogue index: 0 まぐまぐ, 1 melma
    std::u16string id;
};

// Looks for "mag2 ID" and then "melma" in the first line; when both occur the
// melma reading stands. Nothing when neither marker is there.
std::optional<RecognisedMagazine> recogniseMagazine(std::u16string_view droppedText);

// The shop's top address from the first line holding `shopPrefix`: from the
// prefix up to and including the first "/" after the shop name. Nothing when
// no line holds the prefix or that line has no "/" after it.
std::optional<std::u16string> shopTopAddress(std::u16string_view droppedText,
                                             std::u16string_view shopPrefix);

}  // namespace nolvetta::recognise
