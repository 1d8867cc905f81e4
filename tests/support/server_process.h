#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "scratch.h"

// Programs a test starts as local servers (and the tools that prepare them),
// and the loopback ports they listen on.
namespace nolvetta::testsupport {

// A fresh folder in the temporary folder, removed with everything in it.
// Readable by all: a server running as another user (Dovecot's, when root)
// reads what a test puts there.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix) {
        std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("cannot make the folder " + name + ": " +
                                     std::strerror(errno));
        }
        path_ = name;
        std::filesystem::permissions(path_, std::filesystem::perms(0755));
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Starts `argv` with standard input from /dev/null, standard output and error
// into `output`, default signal handling and none of this process's other
// descriptors (an inherited client socket would outlive a killed server).
// `group`: -1 stays in this process group, 0 starts a group of its own, other
// values join that group.
inline pid_t startProgram(const std::vector<std::string>& argv, const std::filesystem::path& output,
                          pid_t group = -1) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (group >= 0) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, group);
    }
    posix_spawnattr_setflags(&attributes, flags);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &files, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (error != 0) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    }
    return pid;
}

// Runs `argv` to its end and returns what it wrote; throws with that unless it
// exits with 0.
inline std::string runProgram(const std::vector<std::string>& argv,
                              const std::filesystem::path& output) {
    const pid_t pid = startProgram(argv, output);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::string text = readBytes(output);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string command;
        for (const std::string& arg : argv) {
            command += arg + ' ';
        }
        throw std::runtime_error(command + "failed:\n" + text);
    }
    return text;
}

// The processes of one server, in a process group of their own, so that they
// all die at once. This process becomes their subreaper: a server's children
// outlive its main process for an instant and would otherwise be left as
// zombies where the first process of the system does not reap them.
class ProcessGroup {
public:
    ProcessGroup() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~ProcessGroup() { killAll(); }
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;

    // Starts `argv` in the group. It is killed when the thread that started
    // it ends, so that a test that crashes or is killed at its time limit
    // leaves no server behind.
    pid_t start(std::vector<std::string> argv, const std::filesystem::path& output) {
        argv.insert(argv.begin(), {"setpriv", "--pdeathsig", "KILL"});
        const pid_t pid = startProgram(argv, output, group_ > 0 ? group_ : 0);
        if (group_ <= 0) {
            group_ = pid;
        }
        return pid;
    }

    // Whether `pid`, started here, has ended (it is reaped then).
    bool ended(pid_t pid) {
        int status = 0;
        return waitpid(pid, &status, WNOHANG) == pid;
    }

    // SIGKILL to every process of the group, then waits for each one, down to
    // the children its main process left behind.
    void killAll() {
        if (group_ <= 0) {
            return;
        }
        kill(-group_, SIGKILL);
        int status = 0;
        while (waitpid(-group_, &status, 0) > 0 || errno == EINTR) {
        }
        group_ = -1;
    }

private:
    pid_t group_ = -1;
};

inline sockaddr_in loopbackAddress(const char* address, std::uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    inet_pton(AF_INET, address, &socketAddress.sin_addr);
    return socketAddress;
}

// A port nothing listens on at `address` just now (127.0.0.0/8 is all loopback).
inline std::uint16_t freePort(const char* address) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in socketAddress = loopbackAddress(address, 0);
    socklen_t size = sizeof socketAddress;
    const bool bound =
        bind(fd, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&socketAddress), &size) == 0;
    close(fd);
    if (!bound) {
        throw std::runtime_error(std::string("no free port on ") + address);
    }
    return ntohs(socketAddress.sin_port);
}

inline bool acceptsConnections(const char* address, std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in socketAddress = loopbackAddress(address, port);
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) == 0;
    close(fd);
    return connected;
}

}  // namespace nolvetta::testsupport
