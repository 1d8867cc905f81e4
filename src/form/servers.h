#pragma once

#include <optional>
#include <string>

#include "mailbox/scan.h"

namespace nolvetta::form {

// What the user is told of a server's read that failed; nothing when it
// did not fail (or was stopped on request).
std::optional<std::u16string> serverMessage(const mailbox::ServerReport& server);

}  // namespace nolvetta::form
