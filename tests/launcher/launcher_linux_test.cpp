#include <fcntl.h>
#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "launcher/launcher.h"
#include "scratch.h"

using namespace nolvetta::launcher;
namespace fs = std::filesystem;
using nolvetta::testsupport::readBytes;
using nolvetta::testsupport::writeBytes;
using Invocations = std::vector<std::vector<std::string>>;

// The desktop's default browser: private XDG directories where a script that
// logs each argument, hex-encoded on a line of its own, handles web pages by
// its path and https through env, with arguments around the URL.
// GLib reads the XDG variables once per process, so it is set up once, before
// anything asks GIO for an application.
struct FakeBrowser : ::testing::Environment {
    void SetUp() override {
        for (const char* dir : {"data/applications", "config", "none", "browser dir"}) {
            fs::create_directories(root / dir);
        }
        // Its standard streams, its descriptor 50 and NOLVETTA_VAR go to "streams".
        writeBytes(executable,
                   "#!/bin/sh\nr=''\nfor a in \"$@\"; do\n"
                   "r=\"$r$(printf '%s' \"$a\" | od -An -v -tx1 | tr -d ' \\n')\n\"\ndone\n"
                   "s=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2 /proc/$$/fd/50)\n"
                   "printf '%s\\n' \"$s\" \"$NOLVETTA_VAR\" > '" +
                       (root / "streams").string() + "'\nprintf '%send\\n' \"$r\" >> '" +
                       (root / "log").string() + "'\n");
        // GLib starts a desktop's programs through a helper of its own; this one can be broken.
        writeBytes(helper, "#!/bin/sh\nexec \"$@\"\n");
        fs::permissions(executable, fs::perms(0755));
        fs::permissions(helper, fs::perms(0755));
        const std::string path = "\"" + executable.string() + "\"";
        for (const auto& [id, exec] :
             {std::pair{"plain", path + " %u"},
              {"wrapped", "env NOLVETTA_VAR=1 " + path + " --before %u --after"}}) {
            writeBytes(root / "data/applications" / (std::string(id) + ".desktop"),
                       "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + exec + "\n");
        }
        writeBytes(
            root / "config/mimeapps.list",
            "[Default Applications]\ntext/html=plain.desktop\n"
            "x-scheme-handler/https=wrapped.desktop\nx-scheme-handler/mailto=plain.desktop\n");
        for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", root / "data"},
                                          {"XDG_CONFIG_HOME", root / "config"},
                                          {"XDG_DATA_DIRS", root / "none"},
                                          {"XDG_CONFIG_DIRS", root / "none"},
                                          {"GIO_LAUNCH_DESKTOP", helper}}) {
            ::setenv(name, value.c_str(), 1);
        }
    }
    void TearDown() override { fs::remove_all(root); }

    // The arguments of each invocation since the last look, once `expected`
    // have come or `timeout` has passed: the browser runs detached.
    Invocations invocations(std::size_t expected,
                            std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            Invocations logged(1);
            std::istringstream log(readBytes(root / "log"));
            for (std::string line; std::getline(log, line);) {
                if (line == "end") {
                    logged.emplace_back();
                    continue;
                }
                std::string& argument = logged.back().emplace_back();
                for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
                    argument += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
                }
            }
            logged.pop_back();
            if (logged.size() >= expected || std::chrono::steady_clock::now() >= deadline) {
                fs::remove(root / "log");
                return logged;
            }
        }
    }

    const fs::path root =
        fs::temp_directory_path() / ("nolvetta-browser-" + std::to_string(::getpid()));
    const fs::path executable = root / "browser dir" / "fake-browser";  // a blank in its path
    const fs::path helper = root / "launch-desktop";
};

FakeBrowser& browser =
    *static_cast<FakeBrowser*>(::testing::AddGlobalTestEnvironment(new FakeBrowser));

TEST(launcher_Linux, TheUrlTakesThePlaceOfItsFieldCodeAsOneUnchangedArgumentAndNothingStays) {
    nolvetta::testsupport::ScratchDirectory work;
    const fs::path previous = fs::current_path();
    fs::current_path(work.path());
    const int notTheBrowsers = ::dup2(::open("/dev/zero", O_RDONLY), 50);  // left open on purpose
    auto launcher = makeSystemLauncher();
    EXPECT_EQ(
        launcher->browserCommand(),
        fs::path("env NOLVETTA_VAR=1 \"" + browser.executable.string() + "\" --before %u --after")
            .u16string());
    for (const std::u16string url : {u"https://x.jp/?q=a b  c&e=-new-window\n\t*",
                                     u"https://x.jp/?q=\"x\"&r='y';ls; $(id) `id` $HOME \\",
                                     u"https://x.jp/?m=メルマガ解除"}) {
        EXPECT_TRUE(launcher->open(url));
        EXPECT_EQ(browser.invocations(1),
                  (Invocations{{"--before", fs::path(url).string(), "--after"}}));
    }
    ::close(notTheBrowsers);
    EXPECT_EQ(readBytes(browser.root / "streams"), "/dev/null\n/dev/null\n/dev/null\n1\n");
    // The mail program: only a mailto URL, and only to the mailto handler.
    EXPECT_TRUE(!launcher->openMail(u"https://x.jp/") && !launcher->openMail(u"mailto:a@x.jp b") &&
                launcher->openMail(u"mailto:a@x.jp?subject=unsubscribe%20me"));
    EXPECT_EQ(browser.invocations(1), (Invocations{{"mailto:a@x.jp?subject=unsubscribe%20me"}}));
    // The browsers have ended: GLib, as the window's event loop runs it, has reaped them all.
    for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        g_main_context_iteration(nullptr, FALSE);
    }
    EXPECT_TRUE(waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD);  // no zombie left
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(work.path()));
}

TEST(launcher_Linux, ARefusedUrlAFailedStartAndAMissingBrowserOpenNothing) {
    auto launcher = makeSystemLauncher();
    EXPECT_FALSE(launcher->open(u"--version"));
    fs::permissions(browser.helper, fs::perms(0644));
    EXPECT_FALSE(launcher->open(u"https://x.jp/"));  // the start itself fails
    fs::permissions(browser.helper, fs::perms(0755));
    fs::rename(browser.executable, browser.root / "away");
    EXPECT_FALSE(launcher->open(u"other:x"));  // its scheme has no handler; web pages, none left
    fs::rename(browser.root / "away", browser.executable);
    // Long enough for a browser started by mistake to have logged itself.
    EXPECT_EQ(browser.invocations(1, std::chrono::milliseconds(300)), Invocations{});
}
