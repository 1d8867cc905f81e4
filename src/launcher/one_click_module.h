#pragma once

#include "launcher/one_click.h"

// The one-click requests live in a module of their own, loaded when a list
// is first left: libcurl and its TLS library would otherwise load at every
// start.
namespace nolvetta::launcher {

struct OneClickModule {
    std::vector<PostAnswer> (*post)(const std::vector<std::string>& urls, const PostLimits& limits,
                                    const PostProgress& progress, const std::stop_token& stop);
};

inline constexpr const char* OneClickModuleFile = "nolvetta-post.so";
inline constexpr const char* OneClickModuleEntry = "nolvetta_post_module";

}  // namespace nolvetta::launcher

extern "C" const nolvetta::launcher::OneClickModule* nolvetta_post_module();
