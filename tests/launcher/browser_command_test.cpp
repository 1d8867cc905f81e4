#include "launcher/browser_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nolvetta::launcher {
namespace {

// An independent reading of a command line by the CommandLineToArgvW rules:
// the program name ends at its closing quote or at the first blank, without
// escapes; then 2n backslashes and a quote give n backslashes and toggle
// quoting, 2n+1 give n backslashes and a literal quote, other backslashes are
// literal, and unquoted blanks or tabs separate arguments.
std::vector<std::u16string> parseWindowsCommandLine(std::u16string_view line) {
    std::vector<std::u16string> args(1);
    std::size_t i = 0;
    if (!line.empty() && line[0] == u'"') {
        for (++i; i < line.size() && line[i] != u'"'; ++i) {
            args[0] += line[i];
        }
        ++i;
    } else {
        for (; i < line.size() && line[i] != u' ' && line[i] != u'\t'; ++i) {
            args[0] += line[i];
        }
    }
    const auto blank = [&] { return line[i] == u' ' || line[i] == u'\t'; };
    while (true) {
        while (i < line.size() && blank()) {
            ++i;
        }
        if (i >= line.size()) {
            return args;
        }
        std::u16string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank())) {
            std::size_t backslashes = 0;
            for (; i < line.size() && line[i] == u'\\'; ++i) {
                ++backslashes;
            }
            if (i < line.size() && line[i] == u'"') {
                arg.append(backslashes / 2, u'\\');
                if (backslashes % 2 == 1) {
                    arg += u'"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else if (backslashes > 0) {
                arg.append(backslashes, u'\\');
            } else {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
}

TEST(BrowserCommandFromLookup, CutsBehindTheFirstExeKeepingItsCase) {
    const struct {
        std::u16string_view lookup, command;
    } cases[] = {
        {u"C:\\PROGRA~1\\BROWSER\\BROWSER.EXE", u"C:\\PROGRA~1\\BROWSER\\BROWSER.EXE "},
        {u"C:\\Tools\\Mixed.ExE", u"C:\\Tools\\Mixed.ExE "},
        {u"C:\\a.exe\\b.exe", u"C:\\a.exe "},
        {u"C:\\web.exe.d\\run.cmd", u"C:\\web.exe "},
        {u"C:\\Program Files\\My Browser\\browser.exe",
         u"C:\\Program Files\\My Browser\\browser.exe "},
        {u"D:\\ブラウザ\\閲覧.exe", u"D:\\ブラウザ\\閲覧.exe "},
        {u"C:\\Tools\\browser.cmd", u""},
        {u"C:\\Tools\\browser.ex", u""},
        {u"", u""},
    };
    for (const auto& c : cases) {
        const std::u16string command = browserCommandFromLookup(c.lookup);
        EXPECT_EQ(command, c.command) << std::string(c.lookup.begin(), c.lookup.end());
        if (!command.empty()) {
            EXPECT_EQ(browserPathOf(command) + u" ", command);
        }
    }
    EXPECT_EQ(browserPathOf(u""), u"");
}

TEST(QuoteWindowsArgument, ReadsBackUnchangedByTheCommandLineRules) {
    const struct {
        std::u16string_view argument, quoted;
    } cases[] = {
        {u"https://example.jp/a?b=c&d=e", u"https://example.jp/a?b=c&d=e"},
        {u"a\\b\\", u"a\\b\\"},
        {u"C:\\Program Files\\Web\\web.exe", u"\"C:\\Program Files\\Web\\web.exe\""},
        {u"a\tb", u"\"a\tb\""},
        {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
        {u"a\"b", u"\"a\\\"b\""},
        {u"\"", u"\"\\\"\""},
        {u"C:\\dir one\\", u"\"C:\\dir one\\\\\""},
        {u"a b\\\\", u"\"a b\\\\\\\\\""},
        {u"a\\\"b", u"\"a\\\\\\\"b\""},
        {u"a\\\\\"b c", u"\"a\\\\\\\\\\\"b c\""},
        {u"", u"\"\""},
        {u"https://例え.jp/?q=日本 語", u"\"https://例え.jp/?q=日本 語\""},
    };
    for (const auto& c : cases) {
        const std::u16string quoted = quoteWindowsArgument(c.argument);
        const std::string shown(c.argument.begin(), c.argument.end());
        EXPECT_EQ(quoted, c.quoted) << shown;
        const std::vector<std::u16string> expected{u"prog", std::u16string(c.argument)};
        EXPECT_EQ(parseWindowsCommandLine(u"prog " + quoted), expected) << shown;
    }
}

TEST(WindowsCommandLine, StartsThePathWithTheUrlAsItsOneArgument) {
    EXPECT_EQ(windowsCommandLine(u"C:\\Web\\web.exe", u"https://x.jp/?a=1"),
              u"C:\\Web\\web.exe https://x.jp/?a=1");
    const std::u16string_view paths[] = {u"C:\\Web\\web.exe", u"C:\\Program Files\\Web\\web.exe"};
    const std::u16string_view urls[] = {u"https://x.jp/?q=a b", u"https://x.jp/?q=\"x\"\\",
                                        u"https://x.jp/?e=-new-window", u"x\\\" --flag"};
    for (auto path : paths) {
        for (auto url : urls) {
            const std::vector<std::u16string> expected{std::u16string(path), std::u16string(url)};
            EXPECT_EQ(parseWindowsCommandLine(windowsCommandLine(path, url)), expected);
        }
    }
}

TEST(IsRefusedUrl, RefusesWhatTheBrowserCouldReadAsAnOption) {
    using namespace std::string_view_literals;
    for (auto url :
         {u""sv, u"-"sv, u"--new-window"sv, u"-https://x.jp/"sv, u"https://x.jp/\0--x"sv}) {
        EXPECT_TRUE(isRefusedUrl(url)) << url.size();
    }
    EXPECT_FALSE(isRefusedUrl(u"https://example.jp/?e=-a"));
    EXPECT_FALSE(isRefusedUrl(u" -x"));
}

}  // namespace
}  // namespace nolvetta::launcher
