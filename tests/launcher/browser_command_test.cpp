#include "launcher/browser_command.h"

#include <gtest/gtest.h>

#include <string>

using namespace nolvetta::launcher;

using namespace std::string_view_literals;

TEST(launcher_BrowserCommand, CutsBehindTheFirstExeAndRefusesOptions) {
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

    for (auto url :
         {u""sv, u"-"sv, u"--new-window"sv, u"-https://x.jp/"sv, u"https://x.jp/\0--x"sv}) {
        EXPECT_TRUE(isRefusedUrl(url)) << url.size();
    }
    EXPECT_FALSE(isRefusedUrl(u"https://x.jp/?e=-a"));
}
