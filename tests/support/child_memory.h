#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

namespace nolvetta::testsupport {

// AddressSanitizer keeps freed memory aside for a while, so many small
// allocations raise the peak without any of them being held.
#ifdef __SANITIZE_ADDRESS__
inline constexpr bool FreedMemoryIsReused = false;
#else
inline constexpr bool FreedMemoryIsReused = true;
#endif

struct ChildRun {
    bool held = false;
    long peakGrowthKiB = 0;  // the child's peak resident memory over the parent's at the fork
};

// Runs `work` in a child process of its own, so that its peak memory is its alone.
inline ChildRun runInChild(const std::function<bool()>& work) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages >> pages;
    const long before = pages * (sysconf(_SC_PAGESIZE) / 1024);
    const pid_t child = fork();
    if (child == 0) {
        _exit(work() ? 0 : 1);
    }
    int status = -1;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        return {};
    }
    return {status == 0, usage.ru_maxrss - before};
}

}  // namespace nolvetta::testsupport
