// A scan of a mailbox of 100,000 messages (about 1 GB; a tenth of them
// newsletters of 300 lists, of every kind) beside `cat` reading the same
// file, both from the disk (the file's pages dropped from memory first) and
// from memory. Budget: under 20 s and under 200 MB peak for the scan.
// Beside it, files whose header holds one huge line: a mailbox with a 1 GB
// Subject line before a newsletter, which is still found, and a single
// message of 31 MB that is one header line. Budget: under 64 MB peak each.
// Each scan runs in a child process, so that its peak memory is its own.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "mailbox/newsletters.h"
#include "mailbox/walk.h"
#include "message/message.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Messages = 100000;

std::string filler(int lines) {
    static const std::string line =
        "本日のお知らせです。This line is only here to give the message its weight.....\n";
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += line;
    }
    return text;
}

// Every tenth message a newsletter: a delivery service's magazine, a list
// with a List-Id, or a sender with a way out only; the rest personal mail.
void writeMailbox(const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    const std::string body = filler(105);
    for (int i = 0; i < Messages; ++i) {
        const int list = i / 10 % 300;
        std::string head = "From sender@example.jp Mon Nov  2 10:00:00 2026\nFrom: ";
        std::string first = "Hello,";
        if (i % 10 != 0) {
            head += "Friend " + std::to_string(i % 977) + " <friend" + std::to_string(i % 977) +
                    "@example.com>\n";
        } else if (list % 3 == 0) {
            head += "=?UTF-8?B?44Oh44Or44Oe44Ks6YWN5L+h?= <mag2@example.jp>\n";
            first = "配信 mag2 ID:" + std::to_string(1000000000 + list) + " 発行";
        } else if (list % 3 == 1) {
            head += "List " + std::to_string(list) + " <news@list" + std::to_string(list) +
                    ".example>\nList-Id: <list" + std::to_string(list) + ".example>\n";
        } else {
            head += "sender" + std::to_string(list) + "@example.org\n";
        }
        if (i % 10 == 0) {
            head += "List-Unsubscribe: <https://example.jp/leave?u=" + std::to_string(i) +
                    ">, <mailto:leave@example.jp>\n";
        }
        head +=
            "To: reader@example.com\nDelivered-To: reader@example.com\nSubject: "
            "=?UTF-8?B?44GK55+l44KJ44Gb?= " +
            std::to_string(i) + "\nDate: Mon, 2 Nov 2026 10:" + std::to_string(10 + i % 50) +
            ":00 +0900\nMessage-ID: <" + std::to_string(i) +
            "@bench>\nMIME-Version: 1.0\nContent-Type: text/plain; charset=utf-8\n\n";
        out << head << first << '\n' << body << '\n';
    }
}

// Drops the file's pages from memory, so that the next read comes from the disk.
void forget(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

struct Run {
    double seconds;
    long peakKiB;
    int status;
};

// `child` in a process of its own: its time, its peak memory, its status.
template <typename Child>
Run inChild(Child child) {
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(child());
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss, status};
}

Run cat(const fs::path& file) {
    return inChild([&] {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execlp("cat", "cat", file.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
}

// As the list scans: the files under the path, each message grouped.
Run scan(const fs::path& folder, std::size_t& rows) {
    int pipeEnds[2];
    static_cast<void>(::pipe(pipeEnds));
    const Run run = inChild([&] {
        nolvetta::mailbox::Newsletters newsletters({});
        for (const auto& file : nolvetta::mailbox::mailFilesUnder(folder).files) {
            nolvetta::message::scanMailFile(
                file.path, {}, [&](auto&& message, std::uint64_t) { newsletters.add(message); });
        }
        const std::size_t found = newsletters.rows().size();
        return ::write(pipeEnds[1], &found, sizeof found) == sizeof found ? 0 : 1;
    });
    static_cast<void>(::read(pipeEnds[0], &rows, sizeof rows));
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    return run;
}

// How long a scan under way takes to stop once asked.
double stopSeconds(const fs::path& file) {
    std::stop_source stop;
    Clock::time_point asked;
    std::thread scan([&] {
        nolvetta::message::scanMailFile(file, stop.get_token(), [](auto&&, std::uint64_t) {});
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    asked = Clock::now();
    stop.request_stop();
    scan.join();
    return std::chrono::duration<double>(Clock::now() - asked).count();
}

void ScanMailbox(benchmark::State& state) {
    const nolvetta::testsupport::ScratchDirectory folder;
    const fs::path file = folder / "Inbox";
    writeMailbox(file);
    std::size_t rows = 0;
    for (auto _ : state) {
        forget(file);
        const Run coldCat = cat(file);
        forget(file);
        const Run coldScan = scan(folder.path(), rows);
        const Run warmCat = cat(file);
        const Run warmScan = scan(folder.path(), rows);
        state.SetIterationTime(coldScan.seconds);
        state.counters["MB"] = double(fs::file_size(file)) / 1e6;
        state.counters["cat_disk_s"] = coldCat.seconds;
        state.counters["scan_disk_s"] = coldScan.seconds;
        state.counters["ratio_disk"] = coldScan.seconds / coldCat.seconds;
        state.counters["cat_memory_s"] = warmCat.seconds;
        state.counters["scan_memory_s"] = warmScan.seconds;
        state.counters["ratio_memory"] = warmScan.seconds / warmCat.seconds;
        state.counters["peak_MB"] = double(std::max(coldScan.peakKiB, warmScan.peakKiB)) / 1024;
        state.counters["rows"] = double(rows);
        state.counters["stop_s"] = stopSeconds(file);
        if (coldScan.status != 0 || warmScan.status != 0 || rows != 300) {
            state.SkipWithError("the scan failed or found other rows");
        }
    }
}

// `head`, then `length` bytes of one line, then `tail`.
void writeLongLine(const fs::path& file, const std::string& head, std::uintmax_t length,
                   const std::string& tail) {
    std::ofstream out(file, std::ios::binary);
    out << head;
    const std::string piece(1u << 20, 'x');
    for (std::uintmax_t left = length; left > 0;
         left -= std::min<std::uintmax_t>(left, piece.size())) {
        out.write(piece.data(), std::streamsize(std::min<std::uintmax_t>(left, piece.size())));
    }
    out << tail;
}

void ScanLongHeaderLines(benchmark::State& state) {
    const std::string from = "From sender@example.jp Mon Nov  2 10:00:00 2026\n";
    const std::string newsletter =
        "From: List <news@list.example>\nList-Id: <list.example>\n"
        "List-Unsubscribe: <https://list.example/leave>\n\nweekly\n";
    const nolvetta::testsupport::ScratchDirectory mailbox;
    const nolvetta::testsupport::ScratchDirectory single;
    writeLongLine(mailbox / "Inbox", from + "From: a\nSubject: ", std::uintmax_t(1) << 30,
                  "\n\nbody\n" + from + newsletter);
    writeLongLine(single / "long.eml",
                  newsletter.substr(0, newsletter.find("\n\n")) + "\nSubject: ", (31u << 20) - 200,
                  "\n\nweekly\n");
    std::size_t mailboxRows = 0;
    std::size_t singleRows = 0;
    for (auto _ : state) {
        const Run inMailbox = scan(mailbox.path(), mailboxRows);
        const Run alone = scan(single.path(), singleRows);
        state.SetIterationTime(inMailbox.seconds);
        state.counters["mailbox_peak_MB"] = double(inMailbox.peakKiB) / 1024;
        state.counters["mailbox_s"] = inMailbox.seconds;
        state.counters["single_peak_MB"] = double(alone.peakKiB) / 1024;
        state.counters["single_s"] = alone.seconds;
        state.counters["rows"] = double(mailboxRows);
        if (inMailbox.status != 0 || alone.status != 0 || mailboxRows != 1) {
            state.SkipWithError("a scan failed, or the newsletter after the long line was lost");
        }
    }
}

}  // namespace

BENCHMARK(ScanLongHeaderLines)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(ScanMailbox)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
