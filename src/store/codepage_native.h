#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/codepage.h"

// The platform's own code page 932 converter; codepage.cpp adds the rules
// that must not differ between platforms.
namespace nolvetta::store::native {

// `bytes` holds no NUL byte. Stops at the first invalid or cut-off sequence.
DecodedText decodeCp932(std::string_view bytes);

// Nothing unless every character has a form that reads back as itself.
std::optional<std::string> encodeCp932(std::u16string_view text);

}  // namespace nolvetta::store::native
