#include "launcher/launcher.h"

#include <errno.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "launcher/browser_command.h"

extern char** environ;

namespace nolvetta::launcher {

namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
template <typename T>
using GOwned = std::unique_ptr<T, GFreeDeleter>;

struct GObjectDeleter {
    void operator()(gpointer p) const { g_object_unref(p); }
};

struct GStrvDeleter {
    void operator()(gchar** p) const { g_strfreev(p); }
};

// The program that an application entry runs. GIO's own executable name is
// the command line's text up to its first blank, quotes and all, which breaks
// on a quoted path; so the command line is parsed as GIO parses it to launch.
std::string executableOf(GAppInfo* info) {
    const char* commandLine = g_app_info_get_commandline(info);
    gchar** parsed = nullptr;
    if (commandLine == nullptr || !g_shell_parse_argv(commandLine, nullptr, &parsed, nullptr)) {
        const char* executable = g_app_info_get_executable(info);
        return executable != nullptr ? executable : "";
    }
    std::unique_ptr<gchar*, GStrvDeleter> argv(parsed);
    std::size_t program = 0;
    // Snap packages register "env NAME=VALUE... program": env started with a
    // URL would open nothing, so the program behind the assignments is taken.
    GOwned<gchar> name(g_path_get_basename(argv.get()[0]));
    if (std::strcmp(name.get(), "env") == 0) {
        program = 1;
        while (argv.get()[program] != nullptr && std::strchr(argv.get()[program], '=') != nullptr &&
               argv.get()[program][0] != '-') {
            ++program;
        }
        if (argv.get()[program] == nullptr || argv.get()[program][0] == '-') {
            return {};
        }
    }
    return argv.get()[program];
}

// The absolute path of the desktop's default HTML handler; empty when there
// is none or its executable cannot be found.
std::string findDefaultBrowser() {
    std::unique_ptr<GAppInfo, GObjectDeleter> info(
        g_app_info_get_default_for_type("text/html", FALSE));
    if (!info) {
        return {};
    }
    const std::string executable = executableOf(info.get());
    if (executable.empty()) {
        return {};
    }
    GOwned<gchar> found(g_find_program_in_path(executable.c_str()));
    if (!found) {
        return {};
    }
    // A relative PATH entry yields a relative result, which a later change of
    // the working directory would break.
    GOwned<gchar> absolute(g_canonicalize_filename(found.get(), nullptr));
    return absolute.get();
}

std::u16string toUtf16(const std::string& utf8) {
    glong length = 0;
    GOwned<gunichar2> text(g_utf8_to_utf16(utf8.c_str(), -1, nullptr, &length, nullptr));
    if (!text) {
        return {};
    }
    return std::u16string(reinterpret_cast<const char16_t*>(text.get()),
                          static_cast<std::size_t>(length));
}

// Everything the spawn needs, built before fork: the child of a threaded
// process may not allocate.
class SpawnSetup {
public:
    SpawnSetup() {
        haveActions_ = posix_spawn_file_actions_init(&actions_) == 0;
        haveAttributes_ = posix_spawnattr_init(&attributes_) == 0;
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        // Its own session, so that closing or interrupting the terminal that
        // started the program leaves the browser running.
#ifdef POSIX_SPAWN_SETSID
        flags |= POSIX_SPAWN_SETSID;
#else
        flags |= POSIX_SPAWN_SETPGROUP;
#endif
        ready_ = haveActions_ && haveAttributes_ &&
                 posix_spawnattr_setflags(&attributes_, flags) == 0 &&
                 posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
                 posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
                 posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        // Descriptors that the window left inheritable are none of the browser's business.
        ready_ = ready_ && posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
#endif
    }
    ~SpawnSetup() {
        if (haveAttributes_) {
            posix_spawnattr_destroy(&attributes_);
        }
        if (haveActions_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool ready() const {
        return ready_;
    }
    const posix_spawn_file_actions_t* actions() const {
        return &actions_;
    }
    const posix_spawnattr_t* attributes() const {
        return &attributes_;
    }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    bool haveActions_ = false;
    bool haveAttributes_ = false;
    bool ready_ = false;
};

// Starts `path` with `argument` and does not wait for it. The browser is
// started from a short-lived intermediate child, so it is never this
// process's child and leaves no zombie behind; the intermediate's exit status
// tells whether the start worked.
bool spawnDetached(const std::string& path, const std::string& argument) {
    SpawnSetup setup;
    if (!setup.ready()) {
        return false;
    }
    char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(argument.c_str()),
                          nullptr};

    // Blocked across fork so that none of the window's signal handlers runs
    // in the intermediate child.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t intermediate = fork();
    if (intermediate == 0) {
        pid_t browser = 0;
        const int result =
            posix_spawn(&browser, path.c_str(), setup.actions(), setup.attributes(), argv, environ);
        _exit(result == 0 ? 0 : 127);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (intermediate < 0) {
        return false;
    }

    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(intermediate, &status, 0);
    } while (waited < 0 && errno == EINTR);
    return waited == intermediate && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class LinuxLauncher final : public Launcher {
public:
    explicit LinuxLauncher(std::string browserPath) : browserPath_(std::move(browserPath)) {
        if (browserPath_.empty()) {
            return;
        }
        // The command is for people to read; a path that is not valid
        // UTF-8 still starts by its own bytes.
        GOwned<gchar> shown(g_filename_display_name(browserPath_.c_str()));
        command_ = toUtf16(shown.get());
        if (command_.empty()) {
            browserPath_.clear();
            return;
        }
        command_ += u' ';
    }

    std::u16string browserCommand() const override { return command_; }

    bool open(std::u16string_view url) override {
        if (command_.empty() || isRefusedUrl(url)) {
            return false;
        }
        GOwned<gchar> utf8(g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(url.data()),
                                           static_cast<glong>(url.size()), nullptr, nullptr,
                                           nullptr));
        if (!utf8) {
            return false;  // not valid UTF-16, e.g. a lone surrogate
        }
        return spawnDetached(browserPath_, utf8.get());
    }

private:
    std::string browserPath_;
    std::u16string command_;
};

}  // namespace

std::unique_ptr<Launcher> makeSystemLauncher(const std::filesystem::path& /*programDirectory*/) {
    return std::make_unique<LinuxLauncher>(findDefaultBrowser());
}

}  // namespace nolvetta::launcher
