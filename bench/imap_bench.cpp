// The list's scan of 50,000 messages (a tenth of them newsletters) on a
// Dovecot on loopback, beside the local scan of the same messages as one
// mailbox file; then a rescan after 100 new messages. Budget: a first scan
// under 10 s and 100 MB peak, under 2 KB fetched per message on average, a
// rescan under 1 s. Each scan runs in a child process of its own, so that
// its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "dovecot.h"
#include "mailbox/scan.h"
#include "message/reader.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using nolvetta::testsupport::Dovecot;

constexpr std::size_t Messages = 50000;
constexpr std::size_t NewMessages = 100;

// About 4 KB, as mail with a few relays and a signature runs: what a
// server would have to send if the client fetched whole messages.
std::string message(std::size_t i) {
    const std::size_t list = i / 10 % 300;
    std::string head =
        "Received: from relay.example.net (relay.example.net [192.0.2.1])\r\n\tby mx.example.jp "
        "with ESMTPS id abcdef for <me@example.jp>; Mon, 2 Nov 2026 10:00:00 +0900\r\n"
        "DKIM-Signature: v=1; a=rsa-sha256; d=example.net; s=s1; h=from:to:subject:date; "
        "bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;\r\n\tb=" +
        std::string(340, 'A') +
        "\r\nTo: me@example.jp\r\nDate: Mon, 2 Nov 2026 10:00:00 +0900\r\n" + "Message-ID: <" +
        std::to_string(i) + "@example.net>\r\nMIME-Version: 1.0\r\n" +
        "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n";
    std::string first = "Hello,";
    if (i % 10 != 0) {
        head += "From: Friend " + std::to_string(i % 977) + " <friend" + std::to_string(i % 977) +
                "@example.com>\r\nSubject: =?UTF-8?B?44GK55+l44KJ44Gb?=\r\n";
    } else if (list % 2 == 0) {
        head += "From: =?UTF-8?B?44Oh44Or44Oe44Ks6YWN5L+h?= <mag2@example.jp>\r\nSubject: news\r\n";
        first = "配信 mag2 ID:" + std::to_string(1000000000 + list) + " 発行";
    } else {
        head += "From: List " + std::to_string(list) + " <news@list" + std::to_string(list) +
                ".example>\r\nSubject: issue\r\nList-Id: <list" + std::to_string(list) +
                ".example>\r\nList-Unsubscribe: <https://list" + std::to_string(list) +
                ".example/leave?u=" + std::to_string(i) + ">\r\n";
    }
    std::string body = first + "\r\n";
    while (body.size() < 2800) {
        body += "本日のお知らせです。This line is only here to give the message its weight.\r\n";
    }
    return head + "\r\n" + body;
}

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
    double cpuSeconds = 0;  // the child's own, not the server's
};

// `child` in a process of its own; what it measured comes back through a pipe.
template <typename Result, typename Child>
Run inChild(Child child, Result& result) {
    int ends[2];
    static_cast<void>(::pipe(ends));
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const Result measured = child();
        ::_exit(::write(ends[1], &measured, sizeof measured) == sizeof measured ? 0 : 1);
    }
    ::close(ends[1]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    static_cast<void>(::read(ends[0], &result, sizeof result));
    ::close(ends[0]);
    const auto cpu = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss, status,
            cpu(usage.ru_utime) + cpu(usage.ru_stime)};
}

struct Measured {
    double firstSeconds = 0;
    double againSeconds = 0;
    double bytesPerMessage = 0;
    std::size_t fetchedAgain = 0;
    std::size_t rows = 0;
    int failure = -1;
};

constexpr std::u16string_view Me[] = {u"me@example.jp"};

void ScanImapServer(benchmark::State& state) {
    // The server's files in memory where the system has room for them: a
    // server keeps its mail on storage made for it, and a virtual machine's
    // disk here costs a third of a millisecond a file.
    if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm")) {
        setenv("TMPDIR", "/dev/shm", 1);
    }
    Dovecot server;
    setenv("SSL_CERT_FILE", server.caFile().c_str(), 1);
    server.addMessages("INBOX", Messages, [](std::size_t i) {
        return nolvetta::testsupport::MaildirMessage{message(i), "S"};
    });
    const nolvetta::testsupport::ScratchDirectory local;
    {
        std::ofstream mbox(local / "INBOX", std::ios::binary);
        for (std::size_t i = 0; i < Messages; ++i) {
            mbox << "From sender@example.jp Mon Nov  2 10:00:00 2026\n" << message(i) << "\n";
        }
    }
    const nolvetta::mailbox::ImapPlace place{
        {u"", u"", "localhost", server.port(), nolvetta::mailbox::ImapSecurity::Tls, Dovecot::User},
        ""};
    for (auto _ : state) {
        Measured imap;
        const Run server_run = inChild(
            [&] {
                Measured m;
                const auto reader = nolvetta::message::makeSystemReader();
                nolvetta::mailbox::ImapMemory memory;
                const auto scan = [&] {
                    return nolvetta::mailbox::scanMail({}, {{place, Dovecot::Password, &memory}},
                                                       Me, *reader, {}, [](auto, auto) {});
                };
                auto start = Clock::now();
                const nolvetta::mailbox::Scan first = scan();
                m.firstSeconds = std::chrono::duration<double>(Clock::now() - start).count();
                const nolvetta::mailbox::ImapReport& report = first.report.servers.at(0).report;
                m.failure = int(report.failure);
                m.rows = first.rows.size();
                m.bytesPerMessage = double(report.bytesReceived) / double(report.messages);
                for (std::size_t i = 0; i < NewMessages; ++i) {
                    server.addMessage("INBOX", message(Messages + i));
                }
                start = Clock::now();
                const nolvetta::mailbox::Scan again = scan();
                m.againSeconds = std::chrono::duration<double>(Clock::now() - start).count();
                m.fetchedAgain = again.report.servers.at(0).report.fetched;
                return m;
            },
            imap);
        Measured disk;
        const Run local_run = inChild(
            [&] {
                Measured m;
                const auto reader = nolvetta::message::makeSystemReader();
                const nolvetta::mailbox::Scan scan =
                    nolvetta::mailbox::scanMail({local.path()}, Me, *reader, {}, [](auto, auto) {});
                m.rows = scan.rows.size();
                return m;
            },
            disk);
        state.SetIterationTime(imap.firstSeconds);
        state.counters["first_s"] = imap.firstSeconds;
        state.counters["peak_MB"] = double(server_run.peakKiB) / 1024;
        state.counters["bytes_per_message"] = imap.bytesPerMessage;
        state.counters["rescan_s"] = imap.againSeconds;
        state.counters["rescan_fetched"] = double(imap.fetchedAgain);
        state.counters["rows"] = double(imap.rows);
        state.counters["client_cpu_s"] = server_run.cpuSeconds;
        state.counters["failure"] = imap.failure;
        state.counters["local_s"] = local_run.seconds;
        state.counters["local_peak_MB"] = double(local_run.peakKiB) / 1024;
        state.counters["local_rows"] = double(disk.rows);
    }
}

}  // namespace

BENCHMARK(ScanImapServer)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
