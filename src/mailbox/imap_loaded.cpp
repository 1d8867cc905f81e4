#include "mailbox/imap_module.h"
#include "mailbox/newsletters.h"
#include "store/program_path.h"
#include "system/shared_library.h"

namespace nolvetta::mailbox {

namespace {

const ImapModule* loadModule() {
    // Beside the program where it is run from its build, else where it is installed.
    for (const std::filesystem::path& file :
         {store::programDirectory() / ImapModuleFile,
          std::filesystem::path(NOLVETTA_MODULE_DIR) / ImapModuleFile}) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            continue;
        }
        const system::SharedLibrary library(file.c_str());
        const ImapModule* (*entry)() = nullptr;
        if (library.find(ImapModuleEntry, entry)) {
            return entry();
        }
    }
    return nullptr;
}

bool isNewsletter(const message::Reading& reading) {
    return newsletterKey(reading).has_value();
}

const ImapModule* module() {
    static const ImapModule* const loaded = loadModule();
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
