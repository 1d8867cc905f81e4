#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace nolvetta::recognise {

// The local files a text/uri-list names, in its order: "file:" URIs on this
// machine, percent-decoded into the bytes of their paths. Other URIs are left
// out. Nothing when the bytes are not a URI list at all (a line that is
// neither a comment nor a URI), as when a mail program hands over a message
// itself where it might have handed over its file's address.
std::optional<std::vector<std::filesystem::path>> localFilesOf(std::string_view uriList);

}  // namespace nolvetta::recognise
