#include "mailbox/imap.h"

namespace nolvetta::mailbox {

// The Windows build has no IMAP client yet, nor a store of passwords.
std::optional<std::string> keptPassword(const ImapAccount&) {
    return std::nullopt;
}
bool keepPassword(const ImapAccount&, std::string_view) {
    return false;
}
void forgetPassword(const ImapAccount&) {}

ImapReport scanImap(const ImapPlace&, std::string_view, message::Reader&, ImapMemory&,
                    const std::stop_token&, const ImapProgress&, const EachReading&,
                    const ImapLimits&) {
    ImapReport report;
    report.failure = ImapFailure::Unavailable;
    return report;
}

}  // namespace nolvetta::mailbox
