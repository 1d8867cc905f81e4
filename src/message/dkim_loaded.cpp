#include "message/dkim_module.h"
#include "system/module.h"

namespace nolvetta::message {

OneClickSigning oneClickSigning(std::string_view bytes, const DkimKeys& keys) {
    static const DkimModule* const module =
        system::loadModule<DkimModule>(DkimModuleFile, DkimModuleEntry);
    return module ? module->check(bytes, keys.file.c_str()) : OneClickSigning::Unavailable;
}

}  // namespace nolvetta::message
