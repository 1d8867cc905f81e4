#pragma once

#include <string_view>

#include "text/number.h"

namespace nolvetta::requests {

// A magazine ID is accepted when the number it begins with is not zero; a
// value too large to hold counts as not zero.
inline bool isValidId(std::u16string_view id) {
    return text::readNumber(id).value != 0;
}

}  // namespace nolvetta::requests
