#pragma once

#include <sys/resource.h>
#include <sys/wait.h>

#include <string>

#include "server_process.h"

namespace nolvetta::testsupport {

struct ProcessRun {
    int status = -1;   // the exit status, -1 when it did not exit
    long peakKiB = 0;  // its peak resident memory
    std::string output;
};

// One test of this very program (a DISABLED_ one, run on purpose), in a
// fresh process: a fork of a process whose GLib threads are at work could
// wait for a thread it does not have.
inline ProcessRun runThisTest(const std::string& name) {
    const TemporaryFolder folder("nolvetta-child");
    const pid_t child = startProgram(
        {"/proc/self/exe", "--gtest_filter=" + name, "--gtest_also_run_disabled_tests"},
        folder / "output");
    ProcessRun run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKiB = usage.ru_maxrss;
    }
    run.output = readBytes(folder / "output");
    return run;
}

}  // namespace nolvetta::testsupport
