#pragma once

#include <filesystem>
#include <string_view>

// Whether a message's sender signed its one-click way out (RFC 8058 asks
// for a valid DKIM signature, RFC 6376, that covers both of its fields).
namespace nolvetta::message {

// Where the signers' public keys are looked up: the DNS through the
// system's resolver, or a file of "selector._domainkey.domain record" lines.
struct DkimKeys {
    std::filesystem::path file;  // empty: the DNS
};

enum class OneClickSigning {
    Signed,            // a valid signature covers List-Unsubscribe and List-Unsubscribe-Post
    NotCovered,        // a valid signature, but not over both
    NoValidSignature,  // none, none that verifies, or no key found
    Unavailable,       // this system cannot verify
};

// `bytes`: the message as it was sent (line ends CR LF or LF alike).
OneClickSigning oneClickSigning(std::string_view bytes, const DkimKeys& keys = {});

}  // namespace nolvetta::message
