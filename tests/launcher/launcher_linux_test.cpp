#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_browser.h"
#include "launcher/launcher.h"

namespace nolvetta::launcher {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testsupport::FakeBrowser;
using Invocations = std::vector<std::vector<std::string>>;

// A wait long enough for a wrongly started browser to have logged itself.
constexpr std::chrono::milliseconds kNothingStarted(300);

std::u16string commandFor(const fs::path& executable) {
    const std::string path = executable.string();  // ASCII: under the temporary directory
    return std::u16string(path.begin(), path.end()) + u" ";
}

std::unique_ptr<Launcher> launcherFor(const FakeBrowser& browser) {
    return makeSystemLauncher(browser.root() / "program");
}

// GLib reads the XDG directories once per process: one fake browser per test.
void expectFoundByAbsolutePath(FakeBrowser::Options options) {
    FakeBrowser browser(options);
    EXPECT_EQ(launcherFor(browser)->browserCommand(), commandFor(browser.executable()));
}

TEST(LinuxLauncher, ResolvesABareNameThroughPath) {
    expectFoundByAbsolutePath({.handler = FakeBrowser::Handler::RegisteredByName});
}

TEST(LinuxLauncher, LooksBehindAnEnvWrapper) {
    expectFoundByAbsolutePath({.handler = FakeBrowser::Handler::RegisteredThroughEnv});
}

TEST(LinuxLauncher, EveryUrlArrivesAsExactlyOneUnchangedArgument) {
    FakeBrowser browser;
    auto launcher = launcherFor(browser);
    const struct {
        std::u16string_view url;
        std::string received;
    } cases[] = {
        {u"https://example.jp/a?b=c", "https://example.jp/a?b=c"},
        {u"https://example.jp/?q=a b  c", "https://example.jp/?q=a b  c"},
        {u"https://example.jp/?e=-new-window", "https://example.jp/?e=-new-window"},
        {u"https://example.jp/?q=\"x\"&r='y'", "https://example.jp/?q=\"x\"&r='y'"},
        {u"https://example.jp/;ls; echo $(id) `id` $HOME \\",
         "https://example.jp/;ls; echo $(id) `id` $HOME \\"},
        {u"https://example.jp/?m=メルマガ解除&id=日本語",
         "https://example.jp/?m=メルマガ解除&id=日本語"},
        {u"https://example.jp/?a=1\nb\t*", "https://example.jp/?a=1\nb\t*"},
    };
    Invocations expected;
    for (const auto& c : cases) {
        EXPECT_TRUE(launcher->open(c.url));
        expected.push_back({c.received});
        // One at a time, so the log's order is the order of the opens.
        EXPECT_EQ(browser.waitForInvocations(expected.size()), expected);
    }
}

void expectNoUsableBrowser(FakeBrowser::Handler handler) {
    FakeBrowser browser({.handler = handler});
    auto launcher = launcherFor(browser);
    EXPECT_EQ(launcher->browserCommand(), u"");
    EXPECT_FALSE(launcher->open(u"https://example.jp/"));
    EXPECT_THAT(browser.waitForInvocations(1, kNothingStarted), ::testing::IsEmpty());
}

TEST(LinuxLauncher, WithoutAHandlerOpenFails) {
    expectNoUsableBrowser(FakeBrowser::Handler::None);
}

TEST(LinuxLauncher, WithAMissingExecutableOpenFails) {
    expectNoUsableBrowser(FakeBrowser::Handler::MissingExecutable);
}

TEST(LinuxLauncher, RefusedUrlsStartNothing) {
    FakeBrowser browser;
    auto launcher = launcherFor(browser);
    for (std::u16string_view url : {u"-", u"--version", u"-https://example.jp/", u""}) {
        EXPECT_FALSE(launcher->open(url));
    }
    EXPECT_THAT(browser.waitForInvocations(1, kNothingStarted), ::testing::IsEmpty());
}

TEST(LinuxLauncher, AFailedStartIsReported) {
    FakeBrowser browser;
    auto launcher = launcherFor(browser);
    fs::remove(browser.executable());
    EXPECT_FALSE(launcher->open(u"https://example.jp/"));
}

TEST(LinuxLauncher, LeavesNoChildAndWritesNothingBesideTheProgram) {
    FakeBrowser browser;
    const fs::path programDir = browser.root() / "program";
    const fs::path workDir = browser.root() / "work";
    fs::create_directories(programDir);
    fs::create_directories(workDir);
    const fs::path previousDir = fs::current_path();
    fs::current_path(workDir);

    auto launcher = makeSystemLauncher(programDir);
    EXPECT_TRUE(launcher->open(u"https://example.jp/"));
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // not even a running child
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(browser.waitForInvocations(1).size(), 1u);
    EXPECT_TRUE(fs::is_empty(programDir));
    EXPECT_TRUE(fs::is_empty(workDir));
    fs::current_path(previousDir);
}

TEST(LinuxLauncher, TheBrowsersStandardStreamsAreTheNullDevice) {
    FakeBrowser browser;
    auto launcher = launcherFor(browser);
    const fs::path streams = browser.root() / "streams";
    {
        std::ofstream script(browser.executable(), std::ios::trunc);
        // $$: the streams of the browser script itself, not of the substitution.
        script << "#!/bin/sh\nfds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
               << "printf '%s\\n' \"$fds\" > '" << streams.string() << ".tmp'\n"
               << "mv '" << streams.string() << ".tmp' '" << streams.string() << "'\n";
    }
    ASSERT_TRUE(launcher->open(u"https://example.jp/"));
    for (int i = 0; i < 500 && !fs::exists(streams); ++i) {
        usleep(10'000);
    }
    std::ifstream in(streams);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "/dev/null\n/dev/null\n/dev/null\n");
}

}  // namespace
}  // namespace nolvetta::launcher
