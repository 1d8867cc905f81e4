#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A stand-in for the desktop's default browser, for tests that start a real
// browser process on Linux.
namespace nolvetta::testsupport {

// Creates, in a fresh temporary directory, private XDG data and config
// directories (the machine's own associations become invisible) and a small
// shell script that logs every invocation's arguments; registers the script
// as the default "text/html" handler and points the XDG environment variables
// at the private directories. Everything is removed and the environment
// restored on destruction.
//
// GLib reads the XDG variables once per process, on first use: construct the
// fake browser before anything in the process asks GIO for an application.
class FakeBrowser {
public:
    enum class Handler {
        Registered,            // the script, by its absolute path
        RegisteredByName,      // the script by its bare name; its directory is put first in PATH
        RegisteredThroughEnv,  // "env NAME=VALUE <script>", as snap packages register
        None,                  // no text/html handler at all
        MissingExecutable,     // the handler's executable does not exist
    };
    struct Options {
        Handler handler = Handler::Registered;
        bool blankInPath = false;  // the script's directory name holds a blank
    };

    FakeBrowser() : FakeBrowser(Options{}) {}
    explicit FakeBrowser(Options options);
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    // The temporary directory that holds everything; free for the test's own files.
    const std::filesystem::path& root() const { return root_; }
    // The script's absolute path (also for Handler::MissingExecutable, where
    // the script is not written).
    const std::filesystem::path& executable() const { return executable_; }

    // The arguments of each invocation so far, oldest first, without argv[0].
    std::vector<std::vector<std::string>> invocations() const;
    // As invocations(), after waiting until at least `expected` have been logged
    // or `timeout` has passed. The browser runs detached, so its log may lag.
    std::vector<std::vector<std::string>> waitForInvocations(
        std::size_t expected,
        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;

private:
    void setEnvironment(const char* name, const std::string& value);

    std::filesystem::path root_;
    std::filesystem::path executable_;
    std::filesystem::path log_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnvironment_;
};

}  // namespace nolvetta::testsupport
