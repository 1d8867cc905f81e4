#pragma once

#include <string_view>

// The magazine ID check: an ID is accepted when the number it begins with is
// not zero.
namespace nolvetta::requests {

// The value of the number the text begins with. Blanks, tabs and line feeds
// are skipped wherever they stand; sign, digits, a period with more digits,
// an exponent; &H and &O introduce hexadecimal and octal digits. Reading stops
// at the first character that cannot continue the number; text that does not
// begin with a number reads 0. Too large a value reads as +-infinity.
double idNumericValue(std::u16string_view text);

bool isValidId(std::u16string_view text);

}  // namespace nolvetta::requests
