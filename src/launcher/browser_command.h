#pragma once

#include <string>
#include <string_view>

// Pure rules about the browser's command, shared by every platform.
namespace nolvetta::launcher {

// From an association lookup's result: the path cut directly behind its first
// ".exe" (found without regard to case, kept in the case given), then one
// blank. Empty when the result holds no ".exe": there is no usable browser.
std::u16string browserCommandFromLookup(std::u16string_view lookupResult);

// The executable path held by a browser command (the command less its
// trailing blank).
std::u16string browserPathOf(std::u16string_view browserCommand);

// One argument quoted so that CommandLineToArgvW reads it back unchanged.
std::u16string quoteWindowsArgument(std::u16string_view argument);

// The command line that starts `browserPath` with `url` as its one argument.
std::u16string windowsCommandLine(std::u16string_view browserPath, std::u16string_view url);

// A URL that must never reach the browser: one that it could read as an option.
bool isRefusedUrl(std::u16string_view url);

// A mailto: URL with nothing in it that could end or split an argument: the
// only thing the mail program is ever handed.
bool isMailtoUrl(std::u16string_view url);

}  // namespace nolvetta::launcher
