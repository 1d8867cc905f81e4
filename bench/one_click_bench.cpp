// Leaving 50 newsletters by one-click, as the list does it: their messages
// scanned from a mailbox file, each signature checked (the key from a file),
// the 50 requests sent a few at a time to an HTTPS server on loopback, and
// each recorded. Budget: the requests all answered within 5 s. Counters:
// the whole run, the requests alone, and how many arrived well-formed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "dkim_signer.h"
#include "form/leaving.h"
#include "https_server.h"
#include "mailbox/scan.h"
#include "message/reader.h"
#include "scratch.h"
#include "store/leave_record.h"
#include "text/utf8.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace ts = nolvetta::testsupport;
namespace fs = std::filesystem;

constexpr int Newsletters = 50;
const fs::path Keys = NOLVETTA_DKIM_DATA;

void leaveFifty(benchmark::State& state) {
    static ts::HttpsServer server;
    setenv("SSL_CERT_FILE", server.caFile().c_str(), 1);
    const ts::ScratchDirectory scratch;
    std::string mailbox;
    for (int i = 0; i < Newsletters; ++i) {
        mailbox +=
            "From news@news.example.jp Tue Dec  1 09:00:00 2026\n" +
            ts::dkimSigned("From: News " + std::to_string(i) +
                               " <news@news.example.jp>\nTo: me@example.jp\n"
                               "Subject: No. " +
                               std::to_string(i) + "\nMessage-ID: <" + std::to_string(i) +
                               "@news.example.jp>\nList-Id: <n" + std::to_string(i) +
                               ".news.example.jp>\nList-Unsubscribe: <" +
                               server.url("/ok?n=" + std::to_string(i)) +
                               ">\nList-Unsubscribe-Post: List-Unsubscribe=One-Click\n\n"
                               "Body\n",
                           Keys / "signer.pem",
                           {"From", "List-Id", "List-Unsubscribe", "List-Unsubscribe-Post"}) +
            "\n";
    }
    ts::writeBytes(scratch / "mbox", mailbox);
    const auto reader = nolvetta::message::makeSystemReader();
    double posting = 0;
    std::size_t wellFormed = 0, recorded = 0;
    for (auto _ : state) {
        server.forget();
        fs::remove(scratch / nolvetta::store::RecordFileName);
        const auto rows =
            nolvetta::mailbox::scanMail({scratch / "mbox"}, {}, *reader, {}, [](auto, auto) {
            }).rows;
        std::vector<std::string> urls;
        std::vector<nolvetta::store::LeaveEntry> entries;
        for (const auto& row : rows) {
            const auto sent = nolvetta::message::storedMessage(
                row.oneClick->file, row.oneClick->begin, row.oneClick->end);
            if (nolvetta::message::oneClickSigning(*sent, {Keys / "keys.txt"}) ==
                nolvetta::message::OneClickSigning::Signed) {
                urls.push_back(nolvetta::text::toUtf8(row.address->url));
                entries.push_back({0, nolvetta::store::LeaveWay::OneClick, row.key, row.reaches,
                                   row.address->url});
            }
        }
        const auto start = Clock::now();
        const auto answers = nolvetta::launcher::postOneClick(urls, {}, {}, {});
        posting = std::chrono::duration<double>(Clock::now() - start).count();
        nolvetta::store::LeaveRecord record(scratch.path());
        for (std::size_t i = 0; i < answers.size(); ++i) {
            if (answers[i].outcome == nolvetta::launcher::PostAnswer::Outcome::Sent) {
                record.append({&entries[i], 1});
            }
        }
        wellFormed = 0;
        for (const auto& request : server.requests()) {
            wellFormed +=
                request.method == "POST" && request.body == "List-Unsubscribe=One-Click" &&
                request.headers.count("cookie") == 0 && request.headers.count("authorization") == 0;
        }
        recorded = 0;
        nolvetta::store::readRecord(scratch / nolvetta::store::RecordFileName,
                                    [&](auto&&) { ++recorded; });
    }
    state.counters["requests_s"] = posting;
    state.counters["well_formed"] = double(wellFormed);
    state.counters["recorded"] = double(recorded);
}

}  // namespace

BENCHMARK(leaveFifty)->Unit(benchmark::kMillisecond)->Iterations(3);
