#include "store/codepage_native.h"

#include <iconv.h>

#include <cerrno>

namespace nolvetta::store::native {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`, or up to the first sequence it cannot convert
    // (then returns false with what came before).
    bool convert(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.assign(in.size() * 2 + 16, '\0');
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        bool complete = true;
        while (inLeft > 0) {
            if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno != E2BIG) {
                complete = false;
                break;
            }
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
        out.resize(static_cast<std::size_t>(outPtr - out.data()));
        return complete;
    }

private:
    iconv_t cd_;
};

// iconv is told "UTF-16LE" explicitly: plain "UTF-16" would add or expect a
// byte order mark.
std::string toUtf16Le(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

std::u16string fromUtf16Le(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return text;
}

}  // namespace

DecodedText decodeCp932(std::string_view bytes) {
    Converter converter("UTF-16LE", "CP932");
    if (!converter.ok()) {
        return {{}, false};
    }
    std::string utf16;
    const bool clean = converter.convert(bytes, utf16);
    return {fromUtf16Le(utf16), clean};
}

std::optional<std::string> encodeCp932(std::u16string_view text) {
    Converter toCp932("CP932", "UTF-16LE");
    Converter fromCp932("UTF-16LE", "CP932");
    if (!toCp932.ok() || !fromCp932.ok()) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 2);
    std::string encoded;
    std::string decoded;
    std::size_t start = 0;
    while (start < text.size()) {
        // ASCII is the same in code page 932: only the other runs go through
        // iconv, which keeps a long address list fast to save.
        if (text[start] < 0x80) {
            bytes += static_cast<char>(text[start++]);
            continue;
        }
        std::size_t end = start;
        while (end < text.size() && text[end] >= 0x80) {
            ++end;
        }
        const std::u16string_view run = text.substr(start, end - start);
        if (!toCp932.convert(toUtf16Le(run), encoded)) {
            return std::nullopt;
        }
        // glibc also writes a few characters that read back as others (U+00A5
        // as "\", U+301C as U+FF5E); those count as unrepresentable, as on Windows.
        if (!fromCp932.convert(encoded, decoded) || fromUtf16Le(decoded) != run) {
            return std::nullopt;
        }
        bytes += encoded;
        start = end;
    }
    return bytes;
}

}  // namespace nolvetta::store::native
