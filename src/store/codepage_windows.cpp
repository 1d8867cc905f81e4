#include "store/codepage_native.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace nolvetta::store::native {

namespace {

constexpr UINT CodePage = 932;

bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Windows gives 0x80, 0xA0 and 0xFD-0xFF private readings; they count as
// invalid here, as in iconv, so a file reads the same on every platform.
bool isSingleByte(unsigned char b) {
    return b <= 0x7F || (b >= 0xA1 && b <= 0xDF);
}

// Where each whole, well-formed character starts, and where the last ends.
std::vector<std::size_t> characterStarts(std::string_view bytes) {
    std::vector<std::size_t> starts;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        if (isSingleByte(b)) {
            length = 1;
        } else if (isLeadByte(b) && i + 1 < bytes.size() &&
                   isTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            length = 2;
        } else {
            break;
        }
        starts.push_back(i);
        i += length;
    }
    starts.push_back(i);
    return starts;
}

// Nothing when a byte sequence has no character in the table.
std::optional<std::u16string> decodeWhole(std::string_view bytes) {
    if (bytes.empty()) {
        return std::u16string();
    }
    const int inLength = static_cast<int>(bytes.size());
    const int length =
        MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength,
                        reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

}  // namespace

DecodedText decodeCp932(std::string_view bytes) {
    // The converter counts in int; bytes beyond that are left unread.
    const std::vector<std::size_t> starts = characterStarts(bytes.substr(0, INT_MAX));
    const bool wellFormed = starts.back() == bytes.size();
    if (auto text = decodeWhole(bytes.substr(0, starts.back()))) {
        return {std::move(*text), wellFormed};
    }
    // An unassigned code: find the longest prefix of whole characters that decodes.
    std::size_t good = 0;
    std::size_t bad = starts.size() - 1;
    while (bad - good > 1) {
        const std::size_t middle = good + (bad - good) / 2;
        if (decodeWhole(bytes.substr(0, starts[middle]))) {
            good = middle;
        } else {
            bad = middle;
        }
    }
    return {decodeWhole(bytes.substr(0, starts[good])).value_or(std::u16string()), false};
}

struct Encoder::State {};

Encoder::Encoder() = default;
Encoder::~Encoder() = default;

bool Encoder::append(std::u16string_view text, std::string& out) {
    if (text.empty()) {
        return true;
    }
    if (text.size() > INT_MAX / 2) {
        return false;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int inLength = static_cast<int>(text.size());
    // Without best fit, a character that would read back as another one
    // (U+00A5 as "\") is reported through the default-character flag.
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, inLength, nullptr,
                                           0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        return false;
    }
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length));
    WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, inLength, out.data() + start, length,
                        nullptr, &usedDefault);
    if (usedDefault) {
        out.resize(start);
        return false;
    }
    return true;
}

}  // namespace nolvetta::store::native
