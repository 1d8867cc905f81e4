#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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
    // LeakSanitizer's tracer crashes in such a child once GIO's threads
    // run; the same scans are checked for leaks in the test process itself.
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        if (!std::string_view(*variable).starts_with("ASAN_OPTIONS=")) {
            variables.emplace_back(*variable);
        }
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    variables.push_back("ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":detect_leaks=0");
    std::vector<char*> environment;
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    pid_t child = -1;
    ProcessRun run;
    if (posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, environment.data()) ==
        0) {
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
