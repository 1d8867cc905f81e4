#include "launcher/browser_command.h"

#include <algorithm>
#include <cstddef>

#include "text/ascii.h"

namespace nolvetta::launcher {

namespace {

bool needsQuotes(std::u16string_view argument) {
    return argument.empty() || argument.find_first_of(u" \t\"") != std::u16string_view::npos;
}

}  // namespace

std::u16string browserCommandFromLookup(std::u16string_view lookupResult) {
    constexpr std::u16string_view extension = u".exe";
    const auto found = std::search(
        lookupResult.begin(), lookupResult.end(), extension.begin(), extension.end(),
        [](char16_t a, char16_t b) { return text::asciiLower(a) == text::asciiLower(b); });
    if (found == lookupResult.end()) {
        return {};
    }
    std::u16string command(lookupResult.begin(),
                           found + static_cast<std::ptrdiff_t>(extension.size()));
    command += u' ';
    return command;
}

std::u16string browserPathOf(std::u16string_view browserCommand) {
    if (!browserCommand.empty() && browserCommand.back() == u' ') {
        browserCommand.remove_suffix(1);
    }
    return std::u16string(browserCommand);
}

std::u16string quoteWindowsArgument(std::u16string_view argument) {
    if (!needsQuotes(argument)) {
        return std::u16string(argument);
    }
    std::u16string quoted = u"\"";
    std::size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes mean themselves unless a quote follows; there each one
        // must be doubled and the quote itself escaped.
        if (c == u'"') {
            quoted.append(backslashes * 2 + 1, u'\\');
        } else {
            quoted.append(backslashes, u'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // The closing quote follows these, so they are doubled too.
    quoted.append(backslashes * 2, u'\\');
    quoted += u'"';
    return quoted;
}

std::u16string windowsCommandLine(std::u16string_view browserPath, std::u16string_view url) {
    return quoteWindowsArgument(browserPath) + u' ' + quoteWindowsArgument(url);
}

bool isRefusedUrl(std::u16string_view url) {
    // A NUL would silently cut the URL short on every platform's way to the
    // browser, which would then open a different page.
    return url.empty() || url.front() == u'-' || url.find(u'\0') != std::u16string_view::npos;
}

bool isMailtoUrl(std::u16string_view url) {
    constexpr std::u16string_view scheme = u"mailto:";
    return url.size() > scheme.size() &&
           text::equalsIgnoringAsciiCase(url.substr(0, scheme.size()), scheme) &&
           std::all_of(url.begin(), url.end(), [](char16_t c) { return c > u' ' && c != u'"'; });
}

}  // namespace nolvetta::launcher
