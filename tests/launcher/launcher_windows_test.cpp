#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "launcher/launcher.h"
#include "scratch.h"

namespace fs = std::filesystem;
using Invocations = std::vector<std::vector<std::u16string>>;

// The stand-in browser beside this test, registered as the program for
// ".html" documents where Wine looks for it, and what it has logged since the
// last look, once `expected` invocations have come or a few seconds passed.
struct Browser {
    Browser() {
        const std::wstring command = L"\"" + executable.wstring() + L"\" \"%1\"";
        for (const auto& [key, value] :
             {std::pair{L"Software\\Classes\\.html", std::wstring(L"NolvettaTest.Page")},
              {L"Software\\Classes\\NolvettaTest.Page\\shell\\open\\command", command}}) {
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, value.c_str(),
                            DWORD((value.size() + 1) * 2));
        }
        SetEnvironmentVariableW(L"NOLVETTA_ARGUMENTS", log.c_str());
    }
    Invocations invocations(std::size_t expected,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        Invocations logged;
        for (; logged.size() < expected && std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            const std::string bytes = nolvetta::testsupport::readBytes(log);
            std::u16string text(bytes.size() / 2, u'\0');
            std::memcpy(text.data(), bytes.data(), text.size() * 2);
            logged.assign(1, {});
            for (std::size_t start = 0, end;
                 (end = text.find(u'\0', start)) != std::u16string::npos; start = end + 1) {
                if (end == start) {
                    logged.emplace_back();
                } else {
                    logged.back().push_back(text.substr(start, end - start));
                }
            }
            logged.pop_back();
        }
        fs::remove(log);
        return logged;
    }
    const fs::path executable = [] {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        return fs::path(self).parent_path() / "argument_logger.exe";
    }();
    const fs::path log =
        fs::temp_directory_path() / ("nolvetta-arguments-" + std::to_string(GetCurrentProcessId()));
};

TEST(launcher_Windows, TheProbeFindsTheBrowserAndEachUrlArrivesAsOneUnchangedArgument) {
    Browser browser;
    const fs::path userFile =
        fs::temp_directory_path() / "a.html";  // the user's, in the probe's folder
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
