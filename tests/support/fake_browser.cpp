#include "fake_browser.h"

#include <stdlib.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace nolvetta::testsupport {

namespace {

namespace fs = std::filesystem;

constexpr const char* kScriptName = "fake-browser";
constexpr const char* kDesktopId = "nolvetta-fake-browser.desktop";

std::string shellSingleQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// One argument of a desktop file's Exec key: quoted by the desktop entry
// rules, then its backslashes escaped once more for the key file itself.
std::string desktopExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string escaped;
    for (char c : quoted) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
}

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// Each argument is logged hex-encoded on its own line, so that blanks, line
// breaks and quotes inside an argument cannot blur where it ends; "end" closes
// one invocation. The record goes out in one write, so two browsers running
// at once cannot interleave their lines.
std::string browserScript(const fs::path& log) {
    return "#!/bin/sh\n"
           "record=''\n"
           "for argument in \"$@\"; do\n"
           "    hex=$(printf '%s' \"$argument\" | od -An -v -tx1 | tr -d ' \\n')\n"
           "    record=\"${record}arg ${hex}\n"
           "\"\n"
           "done\n"
           "printf '%s%s\\n' \"$record\" end >> " +
           shellSingleQuoted(log.string()) + "\n";
}

std::string decodeHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

}  // namespace

FakeBrowser::FakeBrowser(Options options) {
    std::string pattern = (fs::temp_directory_path() / "nolvetta-fake-browser-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    root_ = pattern;
    log_ = root_ / "invocations.log";
    const fs::path dataHome = root_ / "data-home";
    const fs::path configHome = root_ / "config-home";
    const fs::path dataDirs = root_ / "data-dirs";
    const fs::path configDirs = root_ / "config-dirs";
    const fs::path browserDir = root_ / (options.blankInPath ? "browser dir" : "browser");
    for (const fs::path& dir :
         {dataHome / "applications", configHome, dataDirs, configDirs, browserDir}) {
        fs::create_directories(dir);
    }
    executable_ = browserDir / kScriptName;

    if (options.handler != Handler::MissingExecutable) {
        writeFile(executable_, browserScript(log_));
        fs::permissions(executable_, fs::perms::owner_all | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
    }
    if (options.handler != Handler::None) {
        std::string exec = desktopExecArgument(executable_.string());
        if (options.handler == Handler::RegisteredByName) {
            exec = kScriptName;
        } else if (options.handler == Handler::RegisteredThroughEnv) {
            exec = "env NOLVETTA_FAKE_BROWSER=1 " + exec;
        }
        writeFile(dataHome / "applications" / kDesktopId,
                  "[Desktop Entry]\n"
                  "Type=Application\n"
                  "Name=Fake Browser\n"
                  "Exec=" +
                      exec +
                      " %u\n"
                      "MimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;\n");
        writeFile(configHome / "mimeapps.list",
                  std::string("[Default Applications]\ntext/html=") + kDesktopId + "\n");
    }

    setEnvironment("XDG_DATA_HOME", dataHome.string());
    setEnvironment("XDG_CONFIG_HOME", configHome.string());
    setEnvironment("XDG_DATA_DIRS", dataDirs.string());
    setEnvironment("XDG_CONFIG_DIRS", configDirs.string());
    if (options.handler == Handler::RegisteredByName) {
        const char* path = getenv("PATH");
        setEnvironment("PATH", browserDir.string() + (path ? std::string(":") + path : ""));
    }
}

FakeBrowser::~FakeBrowser() {
    for (auto it = savedEnvironment_.rbegin(); it != savedEnvironment_.rend(); ++it) {
        if (it->second) {
            setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            unsetenv(it->first.c_str());
        }
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void FakeBrowser::setEnvironment(const char* name, const std::string& value) {
    const char* old = getenv(name);
    savedEnvironment_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, value.c_str(), 1);
}

std::vector<std::vector<std::string>> FakeBrowser::invocations() const {
    std::vector<std::vector<std::string>> result;
    std::ifstream in(log_, std::ios::binary);
    std::vector<std::string> current;
    std::string line;
    while (std::getline(in, line)) {
        if (line == "end") {
            result.push_back(std::move(current));
            current.clear();
        } else if (line.rfind("arg ", 0) == 0) {
            current.push_back(decodeHex(line.substr(4)));
        }
    }
    return result;
}

std::vector<std::vector<std::string>> FakeBrowser::waitForInvocations(
    std::size_t expected, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto logged = invocations();
    while (logged.size() < expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        logged = invocations();
    }
    return logged;
}

}  // namespace nolvetta::testsupport
