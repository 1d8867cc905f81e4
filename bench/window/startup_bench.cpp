// Start-up and exit against a bare Qt window with the same controls: both
// quit on their first paint, are started in turn, and are compared at the
// median of each measure, on the offscreen platform and under Xvfb.
//
//   startup_bench [pairs]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

long long now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

struct Run {
    double paintMs = 0;
    double wholeMs = 0;
    double peakMiB = 0;
};

// The environment with the given variables replaced or added.
std::vector<std::string> environmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        const bool changed = std::any_of(changes.begin(), changes.end(),
                                         [&](const std::string& c) { return c.starts_with(name); });
        if (!changed && name != "WAYLAND_DISPLAY=") {
            result.push_back(text);
        }
    }
    result.insert(result.end(), changes.begin(), changes.end());
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

// Starts `argv` with its standard output on a pipe, returns the child's id.
pid_t start(std::vector<std::string> argv, std::vector<std::string> env, int& output) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    // Qt's notes on the platform are not what is measured.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    auto args = pointers(argv);
    auto vars = pointers(env);
    const int failed = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), vars.data());
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    output = ends[0];
    if (failed != 0) {
        close(output);
        return -1;
    }
    return child;
}

std::optional<Run> measure(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env) {
    const long long began = now();
    int output = -1;
    const pid_t child = start(argv, env, output);
    if (child < 0) {
        return std::nullopt;
    }
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(output, buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(n));
    }
    close(output);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const long long ended = now();
    const auto at = said.find("painted ");
    if (at == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not paint and end cleanly\n", argv[0].c_str());
        return std::nullopt;
    }
    const long long painted = std::stoll(said.substr(at + 8));
    return Run{(painted - began) / 1e6, (ended - began) / 1e6, usage.ru_maxrss / 1024.0};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Series {
    std::vector<double> paint, whole, peak;
    void add(const Run& run) {
        paint.push_back(run.paintMs);
        whole.push_back(run.wholeMs);
        peak.push_back(run.peakMiB);
    }
};

// Starts Xvfb on a free display and returns its name, or nothing.
std::optional<std::string> startXvfb(pid_t& server) {
    int ends[2];
    if (pipe(ends) != 0) {
        return std::nullopt;
    }
    const std::string fd = std::to_string(ends[1]);
    int unused = -1;
    server = start({"Xvfb", "-displayfd", fd, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                   environmentWith({}), unused);
    close(unused);
    close(ends[1]);
    std::string number;
    char c = 0;
    while (server > 0 && read(ends[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(ends[0]);
    if (number.empty()) {
        return std::nullopt;
    }
    return ":" + number;
}

void compare(const char* platform, const std::vector<std::string>& env, int pairs,
             const fs::path& empty, const fs::path& full) {
    const std::vector<std::string> bare{BARE_WINDOW};
    const std::vector<std::string> program{PROGRAM_FIRST_PAINT};
    auto withEmpty = env;
    withEmpty.push_back("NOLVETTA_BENCH_DATA=" + empty.string());
    auto withFull = env;
    withFull.push_back("NOLVETTA_BENCH_DATA=" + full.string());
    Series b, p, l;
    for (int i = 0; i < pairs; ++i) {
        // In turn, each first half of the time, so that neither gains from
        // the other's warm caches.
        const auto one = i % 2 ? measure(bare, env) : measure(program, withEmpty);
        const auto two = i % 2 ? measure(program, withEmpty) : measure(bare, env);
        const auto three = measure(program, withFull);
        if (!one || !two || !three) {
            std::exit(1);
        }
        (i % 2 ? b : p).add(*one);
        (i % 2 ? p : b).add(*two);
        l.add(*three);
    }
    std::printf("\n%s, %d runs each, medians\n", platform, pairs);
    std::printf("%-28s %12s %12s %12s\n", "", "first paint", "whole run", "peak memory");
    const auto row = [](const char* name, const Series& s) {
        std::printf("%-28s %9.1f ms %9.1f ms %8.1f MiB\n", name, median(s.paint), median(s.whole),
                    median(s.peak));
    };
    row("bare window", b);
    row("Nolvetta", p);
    row("Nolvetta, 32,767 addresses", l);
    std::printf("%-28s %11.2fx %11.2fx %11.2fx\n", "Nolvetta / bare window",
                median(p.paint) / median(b.paint), median(p.whole) / median(b.whole),
                median(p.peak) / median(b.peak));
    std::printf("%-28s %+9.1f ms %+9.1f ms %+8.1f MiB\n", "32,767 addresses - empty",
                median(l.paint) - median(p.paint), median(l.whole) - median(p.whole),
                median(l.peak) - median(p.peak));
}

}  // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    char pattern[] = "/tmp/nolvetta-startup-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path scratch = pattern;
    const fs::path empty = scratch / "empty";
    const fs::path full = scratch / "full";
    fs::create_directories(empty);
    fs::create_directories(full);
    {
        std::ofstream addresses(full / "nolvetta.dat", std::ios::binary);
        for (int i = 0; i < 32767; ++i) {
            addresses << "reader." << i << "@example.co.jp\r\n";
        }
    }
    fs::create_directory(scratch / "runtime");
    fs::permissions(scratch / "runtime", fs::perms::owner_all);
    const std::string runtime = "XDG_RUNTIME_DIR=" + (scratch / "runtime").string();
    compare("offscreen", environmentWith({"QT_QPA_PLATFORM=offscreen", runtime}), pairs, empty,
            full);
    pid_t server = -1;
    if (const auto display = startXvfb(server)) {
        compare("Xvfb", environmentWith({"QT_QPA_PLATFORM=xcb", "DISPLAY=" + *display, runtime}),
                pairs, empty, full);
    } else {
        std::printf("\nXvfb: not installed, not measured\n");
    }
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    fs::remove_all(scratch);
    return 0;
}
