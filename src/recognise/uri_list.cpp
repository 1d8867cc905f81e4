#include "recognise/uri_list.h"

#include <algorithm>
#include <string>
#include <type_traits>

#include "text/ascii.h"

namespace nolvetta::recognise {

namespace {

bool isSchemeCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

int hexValue(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// The path's bytes, or nothing for a malformed escape or a NUL.
std::optional<std::string> percentDecoded(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0)) {
            return std::nullopt;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

// Windows takes the bytes as UTF-8 and a drive letter after the first slash;
// elsewhere the bytes are the name.
template <typename Path = std::filesystem::path>
Path pathOf(std::string bytes) {
    if constexpr (std::is_same_v<typename Path::value_type, wchar_t>) {
        if (bytes.size() > 2 && bytes[0] == '/' && bytes[2] == ':') {
            bytes.erase(0, 1);
        }
        return Path(std::u8string(bytes.begin(), bytes.end())).make_preferred();
    } else {
        return Path(std::move(bytes));
    }
}

// A file on this machine: "file:" followed by the path, or by "//", an empty
// host or "localhost", and the path.
std::optional<std::filesystem::path> localFile(std::string_view uri) {
    constexpr std::string_view Scheme = "file:";
    if (uri.size() <= Scheme.size() ||
        !text::equalsIgnoringAsciiCase(uri.substr(0, Scheme.size()), Scheme)) {
        return std::nullopt;
    }
    std::string_view rest = uri.substr(Scheme.size());
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (slash == std::string_view::npos ||
            !(host.empty() || text::equalsIgnoringAsciiCase(host, "localhost"))) {
            return std::nullopt;
        }
        rest.remove_prefix(slash);
    }
    const std::optional<std::string> bytes = percentDecoded(rest);
    if (!bytes || !bytes->starts_with('/')) {
        return std::nullopt;
    }
    return pathOf(*bytes);
}

}  // namespace

std::optional<std::vector<std::filesystem::path>> localFilesOf(std::string_view uriList) {
    std::vector<std::filesystem::path> files;
    bool any = false;
    while (!uriList.empty()) {
        const std::size_t end = std::min(uriList.find('\n'), uriList.size());
        std::string_view line = uriList.substr(0, end);
        uriList.remove_prefix(std::min(end + 1, uriList.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos ||
            !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                         isSchemeCharacter) ||
            line.find_first_of(" \t") != std::string_view::npos) {
            return std::nullopt;
        }
        any = true;
        if (std::optional<std::filesystem::path> file = localFile(line)) {
            files.push_back(std::move(*file));
        }
    }
    return any ? std::optional(files) : std::nullopt;
}

}  // namespace nolvetta::recognise
