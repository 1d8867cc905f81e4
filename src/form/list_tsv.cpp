#include "form/list_tsv.h"

#include <algorithm>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "form/captions.h"
#include "form/form1.h"
#include "form/servers.h"
#include "mailbox/scan.h"
#include "mailbox/stores.h"
#include "store/address_list.h"
#include "store/codepage.h"
#include "store/data_files.h"
#include "store/leave_record.h"
#include "text/utf8.h"

namespace nolvetta::form {

namespace fs = std::filesystem;
using captions::format;

namespace {

// A line of standard input, without its line end.
std::optional<std::string> lineOf(std::FILE* in) {
    std::string line;
    for (int c = std::fgetc(in); c != EOF && c != '\n'; c = std::fgetc(in)) {
        line += char(c);
    }
    if (line.empty() && std::feof(in)) {
        return std::nullopt;
    }
    if (line.ends_with('\r')) {
        line.pop_back();
    }
    return line;
}

}  // namespace

int printNewsletterList(const std::vector<fs::path>& sources,
                        const std::vector<std::string>& servers, std::FILE* passwords,
                        const fs::path& dataDirectory, const fs::path& home,
                        const fs::path& dataHome, message::Reader& reader, std::FILE* out) {
    std::vector<mailbox::ServerSource> reached;
    std::list<mailbox::ImapMemory> memories;
    for (const std::string& address : servers) {
        std::optional<mailbox::ImapPlace> place = mailbox::imapPlaceOf(address);
        if (!place) {
            Form1::log(format(captions::ServerAddressInvalid, {text::fromUtf8(address)}));
            return 2;
        }
        std::optional<std::string> password =
            passwords ? lineOf(passwords) : mailbox::keptPassword(place->account);
        if (!password) {
            Form1::log(format(captions::ServerNoPassword, {mailbox::accountText(place->account)}));
            return 2;
        }
        reached.push_back({std::move(*place), std::move(*password), &memories.emplace_back()});
    }
    std::vector<fs::path> paths = sources;
    if (paths.empty() && servers.empty()) {
        for (const mailbox::MailStore& store : mailbox::findMailStores(home, dataHome)) {
            paths.push_back(store.path);
        }
    }
    // Read as the window reads them, but nothing is saved: a running copy owns the files.
    std::string bytes;
    store::readDataFile(dataDirectory / store::AddressFileName, bytes);
    const store::AddressList addresses =
        store::AddressList::fromText(store::decodeCp932(bytes).text);
    const std::vector<std::u16string_view> own(addresses.begin(), addresses.end());
    mailbox::Scan scan = mailbox::scanMail(paths, reached, own, reader, {}, [](auto, auto) {});
    const store::FileLoad record =
        mailbox::markLeaves(scan.rows, dataDirectory / store::RecordFileName);
    for (const fs::path& path : scan.report.missing) {
        Form1::log(format(captions::FileMissing, {captions::named(path)}));
    }
    if (record.state == store::FileState::Damaged) {
        Form1::log(format(
            captions::PartlyRead,
            {captions::named(dataDirectory / store::RecordFileName),
             captions::named(store::unusedBackupPath(dataDirectory / store::RecordFileName))}));
    }
    if (scan.report.unavailable) {
        Form1::log(format(captions::CannotReadMessages, {captions::MenuNewsletterList}));
        return 2;
    }
    const mailbox::ScanReport& report = scan.report;
    bool serverFailed = false;
    for (const mailbox::ServerReport& server : report.servers) {
        if (const std::optional<std::u16string> message = serverMessage(server)) {
            Form1::log(*message);
            serverFailed = true;
        }
    }
    if (report.messages == 0 && (!report.missing.empty() || report.unreadable > 0 ||
                                 (paths.empty() && servers.empty()) || serverFailed)) {
        Form1::log(captions::ListNothingRead);
        return 2;
    }
    // Newest first, as the window shows them at first.
    std::sort(scan.rows.begin(), scan.rows.end(), [](const auto& a, const auto& b) {
        return std::tie(b.latest, a.key) < std::tie(a.latest, b.key);
    });
    const std::string table = mailbox::tsvOf(scan.rows);
    std::fwrite(table.data(), 1, table.size(), out);
    return std::fflush(out) == 0 && !serverFailed ? 0 : 2;
}

}  // namespace nolvetta::form
