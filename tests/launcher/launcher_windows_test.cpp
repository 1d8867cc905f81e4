#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launcher/launcher.h"
#include "windows_desktop.h"

namespace fs = std::filesystem;
using nolvetta::testsupport::Invocations;

TEST(launcher_Windows, TheProbeFindsTheBrowserAndEachUrlArrivesAsOneUnchangedArgument) {
    nolvetta::testsupport::Browser browser(
        nolvetta::testsupport::besideThisProgram("argument_logger.exe"));
    // The user's, in the probe's folder; a name of each run's own, as another
    // run of this test may share the folder.
    const fs::path userFile =
        fs::temp_directory_path() / ("a" + std::to_string(GetCurrentProcessId()) + ".html");
    nolvetta::testsupport::writeBytes(userFile, "mine");
    auto launcher = nolvetta::launcher::makeSystemLauncher();
    EXPECT_EQ(launcher->browserCommand(), browser.executable.u16string() + u" ");
    for (const std::u16string url :
         {u"https://x.jp/?q=a b  c", u"https://x.jp/?q=\"x\" \\\"y\\\\\" z\\",
          u"https://x.jp/?a=1&b=%20|^<>", u"https://x.jp/?m=メルマガ解除&e=😀\\\\"}) {
        EXPECT_TRUE(launcher->open(url));
        EXPECT_EQ(browser.invocations(1), Invocations{{url}});
    }
    EXPECT_FALSE(launcher->open(u"-new-window"));
    EXPECT_EQ(browser.invocations(1, std::chrono::milliseconds(500)), Invocations{});
    EXPECT_EQ(nolvetta::testsupport::readBytes(userFile), "mine");
    fs::remove(userFile);
}
