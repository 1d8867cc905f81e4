#pragma once

#include "mailbox/imap.h"

// The IMAP client and the secret store live in a module of their own,
// loaded when a server is first read: the libraries they need (libetpan,
// GnuTLS, GIO, libsecret) would otherwise load at every start.
namespace nolvetta::mailbox {

// Whether a message read is kept for the next scan.
using KeepReading = bool (*)(const message::Reading&);

struct ImapModule {
    ImapReport (*scan)(const ImapPlace& place, std::string_view password, message::Reader& reader,
                       ImapMemory& memory, const std::stop_token& stop,
                       const ImapProgress& progress, const EachReading& each,
                       const ImapLimits& limits, KeepReading keep);
    bool (*lookupSecret)(const ImapAccount& account, std::string& password);
    bool (*keepSecret)(const ImapAccount& account, std::string_view password);
    void (*forgetSecret)(const ImapAccount& account);
};

// The module's secret store, in its own file.
bool lookupSecret(const ImapAccount& account, std::string& password);
bool keepSecret(const ImapAccount& account, std::string_view password);
void forgetSecret(const ImapAccount& account);

inline constexpr const char* ImapModuleFile = "nolvetta-imap.so";
inline constexpr const char* ImapModuleEntry = "nolvetta_imap_module";

}  // namespace nolvetta::mailbox

extern "C" const nolvetta::mailbox::ImapModule* nolvetta_imap_module();
