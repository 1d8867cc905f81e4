#include "launcher/browser_command.h"

#include <gtest/gtest.h>

#include <string>

using namespace nolvetta::launcher;

using namespace std::string_view_literals;

TEST(launcher_BrowserCommand, CutsBehindTheFirstExeQuotesAndRefuses) {
    const std::pair<std::u16string_view, std::u16string_view> lookups[] = {
        // clang-format off
        {u"C:\\Tools\\Mixed.ExE", u"C:\\Tools\\Mixed.ExE "}, {u"C:\\a.exe\\b.exe", u"C:\\a.exe "},
        {u"C:\\Program Files\\W\\w.exe", u"C:\\Program Files\\W\\w.exe "},
        {u"C:\\Tools\\browser.ex", u""}, {u"", u""},
        // clang-format on
    };
    for (const auto& [lookup, command] : lookups) {
        EXPECT_EQ(browserCommandFromLookup(lookup), command);
    }

    // As CommandLineToArgvW reads them back: backslashes are doubled only
    // before a quote or the closing quote.
    const std::pair<std::u16string_view, std::u16string_view> arguments[] = {
        // clang-format off
        {u"https://x.jp/a?b=c&d", u"https://x.jp/a?b=c&d"}, {u"a\\b\\", u"a\\b\\"}, {u"", u"\"\""},
        {u"a\tb", u"\"a\tb\""}, {u"say \"hi\"", u"\"say \\\"hi\\\"\""}, {u"C:\\d e\\", u"\"C:\\d e\\\\\""},
        {u"a\\\\\"b c", u"\"a\\\\\\\\\\\"b c\""}, {u"日本 語", u"\"日本 語\""},
        // clang-format on
    };
    for (const auto& [argument, quoted] : arguments) {
        EXPECT_EQ(quoteWindowsArgument(argument), quoted);
    }
    EXPECT_EQ(windowsCommandLine(u"C:\\P F\\w.exe", u"https://x.jp/?q"),
              u"\"C:\\P F\\w.exe\" https://x.jp/?q");

    for (auto url :
         {u""sv, u"-"sv, u"--new-window"sv, u"-https://x.jp/"sv, u"https://x.jp/\0--x"sv}) {
        EXPECT_TRUE(isRefusedUrl(url)) << url.size();
    }
    EXPECT_FALSE(isRefusedUrl(u"https://x.jp/?e=-a"));
}
