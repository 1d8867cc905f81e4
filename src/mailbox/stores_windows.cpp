#include "mailbox/stores.h"

// The newsletter list is not offered on Windows yet: there is no message
// reader there to read what it would find.
namespace nolvetta::mailbox {

std::vector<MailStore> findMailStores(const std::filesystem::path&, const std::filesystem::path&) {
    return {};
}

}  // namespace nolvetta::mailbox
