#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Code page 932 (the Japanese Windows encoding of the data files).
namespace nolvetta::store {

namespace native {
class Encoder;
}

struct DecodedText {
    std::u16string text;
    bool clean;  // false: invalid sequences or NUL bytes were met; `text` holds what came before
};

DecodedText decodeCp932(std::string_view bytes);

// Writes texts one after another into one buffer. A text of ASCII alone is
// copied as it is; the platform's converter is opened for the first other
// text and kept for the texts after it.
class Cp932Encoder {
public:
    Cp932Encoder();
    ~Cp932Encoder();
    Cp932Encoder(const Cp932Encoder&) = delete;
    Cp932Encoder& operator=(const Cp932Encoder&) = delete;

    // Appends the bytes of `text` to `out`. False, with `out` as it was, when
    // the text holds a character that code page 932 cannot hold.
    bool append(std::u16string_view text, std::string& out);

private:
    bool appendConverted(std::u16string_view text, std::string& out);

    std::unique_ptr<native::Encoder> native_;
    std::u16string tableForm_;
};

// Nothing when the text holds a character that code page 932 cannot hold.
std::optional<std::string> encodeCp932(std::u16string_view text);

}  // namespace nolvetta::store
