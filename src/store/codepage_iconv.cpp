#include <iconv.h>

#include <bit>
#include <cerrno>

#include "store/codepage_native.h"

namespace nolvetta::store::native {

namespace {

// The byte order of char16_t here, named explicitly: plain "UTF-16" would
// add or expect a byte order mark. Texts then pass to and from iconv as they
// lie in memory, without a copy.
constexpr const char* Utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

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

    // Converts all of `in` into `out`, or up to the first sequence it cannot
    // convert (then returns false with what came before).
    template <typename In, typename Out>
    bool convert(std::basic_string_view<In> in, std::basic_string<Out>& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        // A character is one or two bytes and one UTF-16 unit: neither
        // direction gives more units out than bytes in.
        out.resize(in.size() * sizeof(In) + 8);
        char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
        std::size_t inLeft = in.size() * sizeof(In);
        char* outStart = reinterpret_cast<char*>(out.data());
        char* outPtr = outStart;
        std::size_t outLeft = out.size() * sizeof(Out);
        bool complete = true;
        while (inLeft > 0) {
            if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno != E2BIG) {
                complete = false;
                break;
            }
            const std::size_t used = static_cast<std::size_t>(outPtr - outStart);
            out.resize(out.size() * 2);
            outStart = reinterpret_cast<char*>(out.data());
            outPtr = outStart + used;
            outLeft = out.size() * sizeof(Out) - used;
        }
        out.resize(static_cast<std::size_t>(outPtr - outStart) / sizeof(Out));
        return complete;
    }

private:
    iconv_t cd_;
};

}  // namespace

DecodedText decodeCp932(std::string_view bytes) {
    Converter converter(Utf16, "CP932");
    if (!converter.ok()) {
        return {{}, false};
    }
    std::u16string text;
    const bool clean = converter.convert(bytes, text);
    if (text.capacity() - text.size() > text.size() / 4) {
        text.shrink_to_fit();  // mostly two-byte characters: the text stays for the whole run
    }
    return {std::move(text), clean};
}

struct Encoder::State {
    Converter toCp932{"CP932", Utf16};
    Converter fromCp932{Utf16, "CP932"};
    std::string encoded;  // kept from text to text, so a long list is written
    std::u16string back;  // without an allocation per entry
};

Encoder::Encoder() : state_(std::make_unique<State>()) {}
Encoder::~Encoder() = default;

bool Encoder::append(std::u16string_view text, std::string& out) {
    State& s = *state_;
    if (!s.toCp932.ok() || !s.fromCp932.ok() || !s.toCp932.convert(text, s.encoded)) {
        return false;
    }
    // glibc also writes a few characters that read back as others (U+00A5 as
    // "\", U+301C as U+FF5E); those count as unrepresentable, as on Windows.
    if (!s.fromCp932.convert(std::string_view(s.encoded), s.back) || s.back != text) {
        return false;
    }
    out += s.encoded;
    return true;
}

}  // namespace nolvetta::store::native
