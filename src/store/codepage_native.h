#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "store/codepage.h"

// The platform's own code page 932 converter; codepage.cpp adds the rules
// that must not differ between platforms.
namespace nolvetta::store::native {

// `bytes` holds no NUL byte. Stops at the first invalid or cut-off sequence.
DecodedText decodeCp932(std::string_view bytes);

class Encoder {
public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Appends the bytes of `text` to `out`; false, with `out` as it was,
    // unless every character has a form that reads back as itself.
    bool append(std::u16string_view text, std::string& out);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace nolvetta::store::native
