#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "scratch.h"

extern char** environ;

namespace nolvetta::testsupport {

struct ProcessRun {
    int status = -1;     // the exit status, -1 when it did not exit
    long peakKiB = 0;    // its peak resident memory
    std::string output;  // what it wrote
};

// One test of this very program (a DISABLED_ one, run on purpose), in a
// fresh process: a fork of a process whose GLib threads are at work could
// wait for a thread it does not have.
inline ProcessRun runThisTest(const std::string& name) {
    const ScratchDirectory folder;
    const std::string output = (folder / "output").string();
    const std::string filter = "--gtest_filter=" + name;
    char* const arguments[] = {const_cast<char*>("/proc/self/exe"),
                               const_cast<char*>(filter.c_str()),
                               const_cast<char*>("--gtest_also_run_disabled_tests"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = -1;
    ProcessRun run;
    if (posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(child, &status, 0, &usage) == child) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            run.peakKiB = usage.ru_maxrss;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    run.output = readBytes(output);
    return run;
}

}  // namespace nolvetta::testsupport
