#include "launcher/one_click_module.h"
#include "system/module.h"

namespace nolvetta::launcher {

std::vector<PostAnswer> postOneClick(const std::vector<std::string>& urls, const PostLimits& limits,
                                     const PostProgress& progress, std::stop_token stop) {
    static const OneClickModule* const module =
        system::loadModule<OneClickModule>(OneClickModuleFile, OneClickModuleEntry);
    if (!module) {
        return std::vector<PostAnswer>(urls.size(),
                                       PostAnswer{PostAnswer::Outcome::Unavailable, 0, {}});
    }
    return module->post(urls, limits, progress, stop);
}

}  // namespace nolvetta::launcher
