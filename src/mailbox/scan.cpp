#include "mailbox/scan.h"

#include <algorithm>

#include "mailbox/walk.h"
#include "message/reader.h"
#include "store/leave_record.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace fs = std::filesystem;

Scan scanMail(const std::vector<fs::path>& paths,
              std::span<const std::u16string_view> userAddresses, message::Reader& reader,
              const std::stop_token& stop, const Progress& progress) {
    return scanMail(paths, {}, userAddresses, reader, stop, progress);
}

Scan scanMail(const std::vector<fs::path>& paths, const std::vector<ServerSource>& servers,
              std::span<const std::u16string_view> userAddresses, message::Reader& reader,
              const std::stop_token& stop, const Progress& progress) {
    Scan scan;
    ScanReport& report = scan.report;
    Newsletters newsletters(userAddresses);
    std::vector<MailFile> files;
    for (const fs::path& path : paths) {
        Walk walk = mailFilesUnder(path, stop);
        if (walk.missing) {
            report.missing.push_back(path);
        }
        report.unreadable += walk.unreadable.size();
        report.skippedLinks += walk.skippedLinks;
        std::move(walk.files.begin(), walk.files.end(), std::back_inserter(files));
    }
    report.files = files.size();
    std::uint64_t total = 0;
    for (const MailFile& file : files) {
        total += file.size;
    }
    std::uint64_t done = 0;
    for (const MailFile& file : files) {
        if (stop.stop_requested()) {
            break;
        }
        const message::FileReading read = reader.scanFile(
            file.path, stop, [&](message::Reading&& message, std::uint64_t readUpTo) {
                ++report.messages;
                report.tooLarge += message.problem == message::Problem::TooLarge ? 1 : 0;
                newsletters.add(message, &file.path);
                progress(done + std::min<std::uint64_t>(readUpTo, file.size), total);
            });
        if (read.problem == message::FileProblem::Unavailable) {
            report.unavailable = true;
            break;
        }
        report.unreadable += read.problem == message::FileProblem::Unreadable ? 1 : 0;
        report.tooLarge += read.problem == message::FileProblem::TooLarge ? 1 : 0;
        done += file.size;
        progress(done, total);
    }
    for (const ServerSource& server : servers) {
        if (stop.stop_requested() || report.unavailable) {
            break;
        }
        ImapReport read =
            scanImap(server.place, server.password, reader, *server.memory, stop, progress,
                     [&](const message::Reading& message) { newsletters.add(message); });
        report.messages += read.messages;
        report.servers.push_back({server.place, std::move(read)});
    }
    report.cancelled = stop.stop_requested();
    scan.rows = newsletters.rows();
    return scan;
}

namespace {

std::string tsvField(std::u16string_view text) {
    return text::toUtf8(store::recordText(text));
}

}  // namespace

std::string tsvOf(std::span<const Newsletter> rows) {
    std::string table = "sender\tsubject\tcount\tlatest\tway out\treached\trecord\n";
    for (const Newsletter& row : rows) {
        const std::string record = !row.leftAt ? ""
                                               : (row.stillComing ? "still-coming " : "left ") +
                                                     store::formatUtc(*row.leftAt);
        for (const std::string& field :
             {tsvField(row.sender), tsvField(row.subject), std::to_string(row.count),
              row.latest ? store::formatUtc(*row.latest) : std::string(),
              tsvField(leaveUrl(row).value_or(u"")), tsvField(row.reaches)}) {
            table += field;
            table += '\t';
        }
        table += record + '\n';
    }
    return table;
}

}  // namespace nolvetta::mailbox
