#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

// POSIX only: work that must run in a process of its own.
namespace nolvetta::testsupport {

inline constexpr uid_t UnprivilegedId = 65534;

// Runs `work` in a child process and returns the text it produced, or "failed"
// when the child did not end well. With `asUser`, a root parent's child first
// becomes user 65534, whom permission bits stop as they stop a user.
inline std::string runInChild(const std::function<std::string()>& work, bool asUser) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return "failed";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = !asUser || ::geteuid() != 0 ||
                             (::setgroups(0, nullptr) == 0 && ::setgid(UnprivilegedId) == 0 &&
                              ::setuid(UnprivilegedId) == 0);
        const std::string result = dropped ? work() : "cannot become another user";
        ::_exit(::write(channel[1], result.data(), result.size()) == ssize_t(result.size()) ? 0
                                                                                            : 1);
    }
    ::close(channel[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? output : "failed";
}

}  // namespace nolvetta::testsupport
