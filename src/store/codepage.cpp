#include "store/codepage.h"

#include <algorithm>
#include <type_traits>

#include "store/codepage_native.h"

namespace nolvetta::store {

namespace {

// 0x81 0x7C is the JIS minus sign. Unicode has two readings of it: MINUS SIGN
// and, in the Windows table, FULLWIDTH HYPHEN-MINUS. Both are written as it,
// and it reads back as MINUS SIGN on every platform.
constexpr char16_t MinusSign = u'\u2212';
constexpr char16_t FullwidthHyphenMinus = u'\uFF0D';

// ASCII is itself in code page 932, and most files hold nothing else: they
// need no converter, which costs more to load than such a file to convert.
template <typename Char>
bool isAscii(std::basic_string_view<Char> text) {
    return std::all_of(text.begin(), text.end(),
                       [](Char c) { return static_cast<std::make_unsigned_t<Char>>(c) < 0x80; });
}

}  // namespace

DecodedText decodeCp932(std::string_view bytes) {
    // A NUL byte is damage: no entry can hold one.
    const std::size_t nul = bytes.find('\0');
    const std::string_view good = bytes.substr(0, nul);
    const bool clean = nul == std::string_view::npos;
    if (isAscii(good)) {
        return {std::u16string(good.begin(), good.end()), clean};
    }
    DecodedText decoded = native::decodeCp932(good);
    decoded.clean = decoded.clean && clean;
    std::replace(decoded.text.begin(), decoded.text.end(), FullwidthHyphenMinus, MinusSign);
    return decoded;
}

std::optional<std::string> encodeCp932(std::u16string_view text) {
    if (text.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;  // it would read back as the end of the file's good part
    }
    if (isAscii(text)) {
        return std::string(text.begin(), text.end());
    }
    if (text.find(MinusSign) == std::u16string_view::npos) {
        return native::encodeCp932(text);
    }
    std::u16string tableForm(text);
    std::replace(tableForm.begin(), tableForm.end(), MinusSign, FullwidthHyphenMinus);
    return native::encodeCp932(tableForm);
}

}  // namespace nolvetta::store
