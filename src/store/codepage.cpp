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

// ASCII is itself in code page 932, and most files hold nothing else: they
// need no converter, which costs more to load than such a file to convert.
bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

Cp932Encoder::Cp932Encoder() = default;
Cp932Encoder::~Cp932Encoder() = default;

bool Cp932Encoder::append(std::u16string_view text, std::string& out) {
    // One pass without branches decides the common case, ASCII without NUL.
    char16_t any = 0;
    char16_t least = 0xFFFF;
    for (const char16_t c : text) {
        any |= c;
        least = std::min(least, c);
    }
    if (least == 0) {
        return false;  // it would read back as the end of the file's good part
    }
    if (any >= 0x80) {
        return appendConverted(text, out);
    }
    // Narrowed in place: append() from char16_t iterators builds a temporary string.
    const std::size_t start = out.size();
    out.resize(start + text.size());
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(start));
    return true;
}

bool Cp932Encoder::appendConverted(std::u16string_view text, std::string& out) {
    if (!native_) {
        native_ = std::make_unique<native::Encoder>();
    }
    if (text.find(MinusSign) == std::u16string_view::npos) {
        return native_->append(text, out);
    }
    tableForm_.assign(text);
    std::replace(tableForm_.begin(), tableForm_.end(), MinusSign, FullwidthHyphenMinus);
    return native_->append(tableForm_, out);
}

std::optional<std::string> encodeCp932(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    if (!Cp932Encoder().append(text, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace nolvetta::store
