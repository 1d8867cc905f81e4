#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "certificates.h"
#include "scratch.h"
#include "server_process.h"

namespace nolvetta::testsupport {

enum class ImapTls {
    Implicit,  // TLS from the first byte, as on port 993
    StartTls,  // plain at first, STARTTLS offered, LOGIN refused until TLS is on
    None,      // no TLS and no STARTTLS, plaintext LOGIN taken: for a client that must refuse
};

// One message for Dovecot::addMessages: its bytes and its Maildir flag letters.
struct MaildirMessage {
    std::string bytes;
    std::string flags;
};

// A real IMAP server (Debian's Dovecot) for one test, with one user whose
// mail is a Maildir in a temporary folder. It runs as this process's user;
// as root, the mail belongs to "nobody" and Dovecot's service users do the
// rest, since Dovecot gives no mail access to root. Its processes die with
// the thread that made it (so a crashed test leaves none): keep it on that thread.
//
// Dovecot counts a client on its own address as secure: it would then allow
// plaintext LOGIN without TLS and not say LOGINDISABLED. So Dovecot listens
// on 127.0.0.2 and a relay (socat) on 127.0.0.1:port() passes connections on,
// from 127.0.0.1.
class Dovecot {
public:
    static constexpr const char* User = "reader";
    static constexpr const char* Password = "read only please";

    // Starts the server; throws, with its log, if it does not listen within seconds.
    explicit Dovecot(ImapTls tls = ImapTls::Implicit,
                     const TestCertificates* certificates = nullptr)
        : tls_(tls), certificates_(certificates) {
        if (tls_ != ImapTls::None && certificates_ == nullptr) {
            certificates_ = &ownCertificates_.emplace();
        }
        chooseUsers();
        makeMailFolder(mail());
        writeBytes(folder_ / "passwd",
                   std::string(User) + ":{PLAIN}" + Password + ":" + std::to_string(mailUser_) +
                       ":" + std::to_string(mailGroup_) + "::" + mail().string() + "::\n");
        std::string failure;
        for (int attempt = 0; attempt < 5; ++attempt) {
            failure = start();
            // Another program may take a free port before Dovecot or the relay does.
            if (failure.empty() || failure.find("ddress already in use") == std::string::npos) {
                break;
            }
        }
        if (!failure.empty()) {
            throw std::runtime_error("Dovecot did not start:\n" + failure);
        }
    }
    Dovecot(const Dovecot&) = delete;
    Dovecot& operator=(const Dovecot&) = delete;

    // Where the client connects, on 127.0.0.1 ("localhost" in the certificate).
    std::uint16_t port() const { return port_; }
    // The authority the server's certificate is signed by; empty for ImapTls::None.
    std::filesystem::path caFile() const {
        return certificates_ != nullptr ? certificates_->caFile() : std::filesystem::path();
    }

    // Delivers a message into `folder` ("INBOX", "Newsletters", "Lists/Daily"
    // ...; made as needed) the way a mail server does: written into tmp/, then
    // moved into new/ ("" flags: a new message) or into cur/ with its flag
    // letters (D draft, F flagged, P passed, R replied, S seen, T deleted).
    // Works while the server runs: the message shows at the next SELECT or
    // EXAMINE of the folder.
    void addMessage(std::string_view folder, std::string_view bytes, std::string_view flags = "") {
        deliver(folderPath(folder), bytes, flags);
    }
    // Many messages into one folder: message(0) ... message(count - 1), none
    // held longer than it takes to write it. Written straight into new/ or
    // cur/, at half the cost: for filling a folder before a client opens it
    // (a server reading it meanwhile could see a message half written).
    void addMessages(std::string_view folder, std::size_t count,
                     const std::function<MaildirMessage(std::size_t)>& message) {
        const std::filesystem::path path = folderPath(folder);
        for (std::size_t i = 0; i < count; ++i) {
            const MaildirMessage next = message(i);
            deliver(path, next.bytes, next.flags, false);
        }
    }

    // Every message as Dovecot itself reports it (doveadm fetch), one a line:
    // folder, UID and flags, separated by tabs, sorted by folder and UID.
    // \Recent is left out: it depends on which session saw the message first.
    // Needs the server running.
    std::string flagsListing() const {
        std::string listing = runProgram({"doveadm", "-c", config().string(), "-f", "tab", "fetch",
                                          "-u", User, "mailbox uid flags", "all"},
                                         folder_ / "doveadm.out");
        // Last of a message's flags, when it has others.
        for (const std::string_view recent : {" \\Recent", "\\Recent"}) {
            for (std::size_t at; (at = listing.find(recent)) != std::string::npos;) {
                listing.erase(at, recent.size());
            }
        }
        return listing;
    }

    // What the server logged, for a failing test's message.
    std::string log() const { return readBytes(folder_ / "dovecot.log"); }

private:
    std::filesystem::path mail() const { return folder_ / "mail"; }
    std::filesystem::path config() const { return folder_ / "dovecot.conf"; }

    void chooseUsers() {
        if (root_) {
            const passwd* nobody = getpwnam("nobody");
            mailUser_ = nobody != nullptr ? nobody->pw_uid : 65534;
            mailGroup_ = nobody != nullptr ? nobody->pw_gid : 65534;
            // Else logins would fail later, with the reason in the server's log only.
            for (std::filesystem::path up = folder_.path(); up != up.root_path();
                 up = up.parent_path()) {
                struct stat status {};
                if (stat(up.c_str(), &status) != 0 || (status.st_mode & S_IXOTH) == 0) {
                    throw std::runtime_error(
                        "as root, Dovecot reads the mail as nobody, who cannot "
                        "enter " +
                        up.string() + ": set TMPDIR elsewhere");
                }
            }
            return;
        }
        // Not root: every Dovecot process runs as this user, named in the configuration.
        mailUser_ = getuid();
        mailGroup_ = getgid();
        const passwd* user = getpwuid(mailUser_);
        const group* userGroup = getgrgid(mailGroup_);
        if (user == nullptr || userGroup == nullptr) {
            throw std::runtime_error("Dovecot needs this user and group to have names");
        }
        ownUsers_ = "default_internal_user = " + std::string(user->pw_name) +
                    "\ndefault_login_user = " + user->pw_name +
                    "\ndefault_internal_group = " + userGroup->gr_name;
    }

    void own(const std::filesystem::path& path) const {
        if (root_ && chown(path.c_str(), mailUser_, mailGroup_) != 0) {
            throw std::runtime_error("cannot give " + path.string() + " to the mail's owner");
        }
    }

    void makeMailFolder(const std::filesystem::path& path) const {
        if (!std::filesystem::exists(path)) {
            makeMailFolder(path.parent_path());
            std::filesystem::create_directory(path);
            own(path);
        }
    }

    // A folder as Dovecot keeps it (LAYOUT=fs, names in UTF-8): INBOX at the
    // top, others in folders of their own name, "/" separating levels.
    std::filesystem::path folderPath(std::string_view folder) const {
        std::string name(folder);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
        const std::filesystem::path path = name == "INBOX" ? mail() : mail() / folder;
        for (const char* part : {"tmp", "new", "cur"}) {
            makeMailFolder(path / part);
        }
        return path;
    }

    void deliver(const std::filesystem::path& folder, std::string_view bytes,
                 std::string_view flags, bool throughTmp = true) {
        // Maildir's flag letters, in the order of their codes.
        std::string letters(flags);
        std::sort(letters.begin(), letters.end());
        // Dovecot numbers new messages in the order of their names' leading number.
        ++delivered_;
        const std::string name = std::to_string(1600000000 + delivered_) + ".M" +
                                 std::to_string(delivered_) + "P" + std::to_string(getpid()) +
                                 ".nolvetta";
        const std::filesystem::path delivered =
            letters.empty() ? folder / "new" / name : folder / "cur" / (name + ":2," + letters);
        const std::filesystem::path written = throughTmp ? folder / "tmp" / name : delivered;
        const int fd = open(written.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        bool whole = fd >= 0;
        for (std::size_t done = 0; whole && done < bytes.size();) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            whole = n > 0;
            done += whole ? std::size_t(n) : 0;
        }
        whole = whole && (!root_ || fchown(fd, mailUser_, mailGroup_) == 0);
        if (fd >= 0) {
            close(fd);
        }
        if (!whole || (throughTmp && rename(written.c_str(), delivered.c_str()) != 0)) {
            throw std::runtime_error("cannot deliver into " + folder.string());
        }
    }

    void writeConfig(std::uint16_t serverPort) const {
        const bool tls = tls_ != ImapTls::None;
        const std::string port = std::to_string(serverPort);
        std::string text = readBytes(NOLVETTA_DOVECOT_CONFIG);
        const std::pair<std::string_view, std::string> values[] = {
            {"$SSL", tls ? "required\nssl_cert = <" + certificates_->certFile().string() +
                               "\nssl_key = <" + certificates_->keyFile().string()
                         : "no"},
            {"$USERS", ownUsers_},
            {"$FOLDER", folder_.path().string()},
            {"$NAME", folder_.path().filename().string()},
            {"$TLS", tls ? "yes" : "no"},
            {"$IMAPS", tls_ == ImapTls::Implicit ? port : "0"},
            {"$IMAP", tls_ == ImapTls::Implicit ? "0" : port},
        };
        for (const auto& [name, value] : values) {
            for (std::size_t at = text.find(name); at != std::string::npos;
                 at = text.find(name, at + value.size())) {
                text.replace(at, name.size(), value);
            }
        }
        writeBytes(config(), text);
    }

    // Starts Dovecot and the relay and waits until both take connections;
    // returns what went wrong, or "".
    std::string start() {
        std::error_code ignored;
        for (const char* stale : {"run", "state", "dovecot.log", "socat.out", "dovecot.out"}) {
            std::filesystem::remove_all(folder_ / stale, ignored);
        }
        std::filesystem::create_directory(folder_ / "state");
        port_ = freePort("127.0.0.1");
        const std::uint16_t serverPort = freePort("127.0.0.2");
        writeConfig(serverPort);
        const pid_t server =
            processes_.start({"dovecot", "-F", "-c", config().string()}, folder_ / "dovecot.out");
        const pid_t relay =
            processes_.start({"socat",
                              "TCP4-LISTEN:" + std::to_string(port_) +
                                  ",bind=127.0.0.1,reuseaddr,fork,backlog=128,nodelay",
                              "TCP4:127.0.0.2:" + std::to_string(serverPort) + ",nodelay"},
                             folder_ / "socat.out");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool serverListens = false;
        while (std::chrono::steady_clock::now() < deadline) {
            if (processes_.ended(server) || processes_.ended(relay)) {
                break;
            }
            serverListens = serverListens || acceptsConnections("127.0.0.2", serverPort);
            if (serverListens && acceptsConnections("127.0.0.1", port_)) {
                return "";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        processes_.killAll();
        return "dovecot -F -c " + config().string() + " (port " + std::to_string(serverPort) +
               "):\n" + readBytes(folder_ / "dovecot.out") + log() + "socat (port " +
               std::to_string(port_) + "):\n" + readBytes(folder_ / "socat.out");
    }

    TemporaryFolder folder_{"nolvetta-dovecot"};
    ImapTls tls_;
    bool root_ = geteuid() == 0;
    std::optional<TestCertificates> ownCertificates_;
    const TestCertificates* certificates_;
    uid_t mailUser_ = 0;
    gid_t mailGroup_ = 0;
    std::string ownUsers_;
    std::uint16_t port_ = 0;
    std::size_t delivered_ = 0;
    ProcessGroup processes_;  // last: stopped before the folder goes
};

}  // namespace nolvetta::testsupport
