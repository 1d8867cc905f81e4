#pragma once

#include "message/dkim.h"

// The DKIM verifier lives in a module of its own, loaded when a message is
// first checked: its libraries would otherwise load at every start.
namespace nolvetta::message {

struct DkimModule {
    // `keyFile`: empty for the DNS.
    OneClickSigning (*check)(std::string_view bytes, const char* keyFile);
};

inline constexpr const char* DkimModuleFile = "nolvetta-dkim.so";
inline constexpr const char* DkimModuleEntry = "nolvetta_dkim_module";

}  // namespace nolvetta::message

extern "C" const nolvetta::message::DkimModule* nolvetta_dkim_module();
