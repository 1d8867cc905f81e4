#include "message/dkim.h"

namespace nolvetta::message {

// No DKIM verifier is built for Windows yet: every newsletter leaves by its page.
OneClickSigning oneClickSigning(std::string_view, const DkimKeys&) {
    return OneClickSigning::Unavailable;
}

}  // namespace nolvetta::message
