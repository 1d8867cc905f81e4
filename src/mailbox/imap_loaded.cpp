#include "mailbox/imap_module.h"
#include "mailbox/newsletters.h"
#include "system/module.h"

namespace nolvetta::mailbox {

namespace {

bool isNewsletter(const message::Reading& reading) {
    return newsletterKey(reading).has_value();
}

const ImapModule* module() {
    static const ImapModule* const loaded =
        system::loadModule<ImapModule>(ImapModuleFile, ImapModuleEntry);
    return loaded;
}

}  // namespace

std::optional<std::string> keptPassword(const ImapAccount& account) {
    std::string password;
    if (module() && module()->lookupSecret(account, password)) {
        return password;
    }
    return std::nullopt;
}

bool keepPassword(const ImapAccount& account, std::string_view password) {
    return module() && module()->keepSecret(account, password);
}

void forgetPassword(const ImapAccount& account) {
    if (module()) {
        module()->forgetSecret(account);
    }
}

ImapReport scanImap(const ImapPlace& place, std::string_view password, message::Reader& reader,
                    ImapMemory& memory, const std::stop_token& stop, const ImapProgress& progress,
                    const EachReading& each, const ImapLimits& limits) {
    if (!module()) {
        ImapReport report;
        report.failure = ImapFailure::Unavailable;
        return report;
    }
    return module()->scan(place, password, reader, memory, stop, progress, each, limits,
                          isNewsletter);
}

}  // namespace nolvetta::mailbox
