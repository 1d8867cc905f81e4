#pragma once

#include <string_view>

namespace nolvetta::text {

struct NumberReading {
    double value = 0;
    bool wholeText = false;  // the text holds this number and nothing else
};

// The number a text begins with, read as classic BASIC reads one: blanks,
// tabs and line feeds are skipped wherever they stand; a sign, digits, a
// period with more digits and an exponent (E or D); &H and &O introduce
// hexadecimal and octal digits. Reading stops at the first character that
// cannot continue the number; a text that does not begin with one reads 0.
// A value too large for a double reads as +-infinity.
NumberReading readNumber(std::u16string_view text);

}  // namespace nolvetta::text
