#include "launcher/one_click.h"

namespace nolvetta::launcher {

// Windows has no module for these requests: nothing is sent from here.
std::vector<PostAnswer> postOneClick(const std::vector<std::string>& urls, const PostLimits&,
                                     const PostProgress&, std::stop_token) {
    return std::vector<PostAnswer>(urls.size(),
                                   PostAnswer{PostAnswer::Outcome::Unavailable, 0, {}});
}

}  // namespace nolvetta::launcher
