#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "scratch.h"

namespace nolvetta::testsupport {

// The desktop's default browser, for tests that start a real one on Linux:
// private XDG directories in a fresh temporary directory, where a script that
// logs its arguments is the "text/html" handler. GLib reads the XDG
// variables once per process, so a process has one, a GoogleTest environment
// set up before anything asks GIO for an application.
class FakeBrowser : public ::testing::Environment {
public:
    using Invocations = std::vector<std::vector<std::string>>;

    void SetUp() override {
        for (const char* dir : {"data/applications", "config", "none", "browser dir"}) {
            std::filesystem::create_directories(root_ / dir);
        }
        // Each argument hex-encoded on a line of its own, so that blanks, breaks
        // and quotes cannot blur where it ends; one write per invocation.
        writeBytes(executable(),
                   "#!/bin/sh\nr=''\nfor a in \"$@\"; do\n"
                   "r=\"$r$(printf '%s' \"$a\" | od -An -v -tx1 | tr -d ' \\n')\n\"\ndone\n"
                   "s=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
                   "printf '%s\\n' \"$s\" > '" +
                       (root_ / "streams").string() + "'\n" + "printf '%send\\n' \"$r\" >> '" +
                       (root_ / "log").string() + "'\n");
        std::filesystem::permissions(executable(), std::filesystem::perms(0755));
        writeBytes(root_ / "data/applications/fake.desktop",
                   "[Desktop Entry]\nType=Application\nName=Fake\nExec=\"" + executable().string() +
                       "\" %u\n");
        writeBytes(root_ / "config/mimeapps.list",
                   "[Default Applications]\ntext/html=fake.desktop\n");
        setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root_ / "none").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root_ / "none").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    // The script, in a directory whose name holds a blank.
    std::filesystem::path executable() const { return root_ / "browser dir" / "fake-browser"; }
    // The arguments of each invocation since the last forget(), once
    // `expected` have come or `timeout` has passed: the browser runs detached.
    Invocations waitForInvocations(
        std::size_t expected,
        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            Invocations logged(1);
            std::ifstream in(root_ / "log");
            for (std::string line; std::getline(in, line);) {
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
                return logged;
            }
        }
    }
    void forget() const { std::filesystem::remove(root_ / "log"); }
    // The last invocation's standard input, output and error.
    std::string lastStreams() const { return readBytes(root_ / "streams"); }

private:
    const std::filesystem::path root_ = std::filesystem::temp_directory_path() /
                                        ("nolvetta-fake-browser-" + std::to_string(::getpid()));
};

// The process's one fake browser, registered as an environment on first use.
inline FakeBrowser& fakeBrowser() {
    static auto* instance =
        static_cast<FakeBrowser*>(::testing::AddGlobalTestEnvironment(new FakeBrowser));
    return *instance;
}

}  // namespace nolvetta::testsupport
