#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "fake_browser.h"
#include "launcher/launcher.h"
#include "scratch.h"

using namespace nolvetta::launcher;
namespace testsupport = nolvetta::testsupport;

namespace fs = std::filesystem;

testsupport::FakeBrowser& browser = testsupport::fakeBrowser();

// Long enough for a browser started by mistake to have logged itself.
constexpr std::chrono::milliseconds NothingStarts(300);

TEST(launcher_Linux, EveryUrlArrivesAsOneUnchangedArgumentAndNothingElseStays) {
    browser.forget();
    testsupport::ScratchDirectory program, work;
    const fs::path previous = fs::current_path();
    fs::current_path(work.path());
    auto launcher = makeSystemLauncher(program.path());
    EXPECT_EQ(launcher->browserCommand(),
              fs::path(browser.executable().string() + " ").u16string());
    const std::u16string urls[] = {u"https://x.jp/?q=a b  c&e=-new-window\n\t*",
                                   u"https://x.jp/?q=\"x\"&r='y';ls; $(id) `id` $HOME \\",
                                   u"https://x.jp/?m=メルマガ解除"};
    testsupport::FakeBrowser::Invocations expected;
    for (const std::u16string& url : urls) {
        EXPECT_TRUE(launcher->open(url));
        expected.push_back({fs::path(url).string()});
        // One at a time, so the log's order is the order of the opens.
        EXPECT_EQ(browser.waitForInvocations(expected.size()), expected);
    }
    EXPECT_EQ(browser.lastStreams(), "/dev/null\n/dev/null\n/dev/null\n");
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // not even a running child
    EXPECT_EQ(errno, ECHILD);
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(program.path()));
    EXPECT_TRUE(fs::is_empty(work.path()));
}

TEST(launcher_Linux, RefusedUrlsAMissingBrowserAndAFailedStartOpenNothing) {
    browser.forget();
    testsupport::ScratchDirectory program;
    auto launcher = makeSystemLauncher(program.path());
    EXPECT_FALSE(launcher->open(u"--version"));
    const fs::path away = browser.executable().string() + ".away";
    fs::rename(browser.executable(), away);
    EXPECT_FALSE(launcher->open(u"https://x.jp/"));  // found at first, gone since
    auto withoutBrowser = makeSystemLauncher(program.path());
    fs::rename(away, browser.executable());
    EXPECT_EQ(withoutBrowser->browserCommand(), u"");
    EXPECT_FALSE(withoutBrowser->open(u"https://x.jp/"));
    EXPECT_EQ(browser.waitForInvocations(1, NothingStarts),
              testsupport::FakeBrowser::Invocations{});
}
