#include "store/codepage.h"

#include <algorithm>

#include "store/codepage_native.h"

namespace nolvetta::store {

namespace {

// 0x81 0x7C is the JIS minus sign. Unicode has two readings of it: MINUS SIGN
// and, in the Windows table, FULLWIDTH HYPHEN-MINUS. Both are written as it,
// and it reads back as MINUS SIGN on every platform.
constexpr char16_t MinusSign = u'\u2212';
constexpr char16_t FullwidthHyphenMinus = u'\uFF0D';

}  // namespace

DecodedText decodeCp932(std::string_view bytes) {
    // A NUL byte is damage: no entry can hold one.
    const std::size_t nul = bytes.find('\0');
    DecodedText decoded = native::decodeCp932(bytes.substr(0, nul));
    decoded.clean = decoded.clean && nul == std::string_view::npos;
    std::replace(decoded.text.begin(), decoded.text.end(), FullwidthHyphenMinus, MinusSign);
    return decoded;
}

std::optional<std::string> encodeCp932(std::u16string_view text) {
    if (text.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;  // it would read back as the end of the file's good part
    }
    if (text.find(MinusSign) == std::u16string_view::npos) {
        return native::encodeCp932(text);
    }
    std::u16string tableForm(text);
    std::replace(tableForm.begin(), tableForm.end(), MinusSign, FullwidthHyphenMinus);
    return native::encodeCp932(tableForm);
}

}  // namespace nolvetta::store
