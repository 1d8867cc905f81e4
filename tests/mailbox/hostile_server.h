#pragma once

#include <gio/gio.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "tls_server.h"

// An IMAP server of the test's own on loopback, speaking TLS with a
// certificate made for the test, that answers well until the messages are
// fetched and then misbehaves in one of the ways a broken or hostile server
// can. It reads commands by their first two words only: what it answers is
// canned.
namespace nolvetta::testsupport {

class HostileServer {
public:
    enum class Fault {
        Malformed,          // an answer that is no IMAP
        HugeLiteral,        // announces a 1 GB literal and sends it
        Stalls,             // begins an answer and never ends it
        CutsAfterOneBatch,  // answers the first batch, then closes the connection
    };

    explicit HostileServer(Fault fault) : fault_(fault) {}

    std::uint16_t port() const { return tls_.port(); }
    std::filesystem::path caFile() const { return tls_.caFile(); }
    static constexpr int Messages = 4;  // each fetched batch should be two

    // The client waits on an answer that never ends.
    bool stalling() const { return stalling_; }

private:
    bool send(GIOStream* stream, const std::string& text) { return tls_.send(stream, text); }

    // A command line, or nothing once the client has gone.
    bool receive(GIOStream* stream, std::string& line) {
        line.clear();
        for (char c = 0; tls_.receive(stream, &c, 1);) {
            if (c == '\n') {
                return true;
            }
            line += c;
        }
        return false;
    }

    static std::string message(int uid) {
        const std::string headers = "From: News " + std::to_string(uid) +
                                    " <news@hostile.example>\r\nSubject: Issue " +
                                    std::to_string(uid) +
                                    "\r\nList-Id: <news.hostile.example>\r\nList-Unsubscribe: "
                                    "<https://hostile.example/leave>\r\n\r\n";
        return "* " + std::to_string(uid) + " FETCH (UID " + std::to_string(uid) +
               " INTERNALDATE \"08-Dec-2026 01:00:00 +0000\" BODY[HEADER.FIELDS (FROM SUBJECT)] {" +
               std::to_string(headers.size()) + "}\r\n" + headers +
               " BODY[TEXT]<0> {6}\r\nHello\n)\r\n";
    }

    void converse(GIOStream* stream) {
        send(stream, "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] hostile\r\n");
        std::string line;
        int fetches = 0;
        while (receive(stream, line)) {
            const std::string tag = line.substr(0, line.find(' '));
            const std::string rest = line.substr(tag.size() + 1);
            std::string answer;
            if (rest.starts_with("CAPABILITY")) {
                answer = "* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\n";
            } else if (rest.starts_with("LIST")) {
                answer = "* LIST () \"/\" INBOX\r\n";
            } else if (rest.starts_with("STATUS")) {
                answer = "* STATUS INBOX (MESSAGES " + std::to_string(Messages) + ")\r\n";
            } else if (rest.starts_with("EXAMINE")) {
                answer = "* " + std::to_string(Messages) + " EXISTS\r\n* OK [UIDVALIDITY 7] v\r\n";
            } else if (rest.starts_with("UID SEARCH")) {
                answer = "* SEARCH 1 2 3 4\r\n";
            } else if (rest.starts_with("UID FETCH")) {
                if (!misbehave(stream, ++fetches, answer)) {
                    return;
                }
            } else if (rest.starts_with("LOGOUT")) {
                send(stream, "* BYE\r\n" + tag + " OK bye\r\n");
                return;
            }
            if (!send(stream, answer + tag + " OK done\r\n")) {
                return;
            }
        }
    }

    // False when the conversation ends here.
    bool misbehave(GIOStream* stream, int fetch, std::string& answer) {
        if (fault_ == Fault::CutsAfterOneBatch && fetch == 1) {
            answer = message(1) + message(2);
            return true;
        }
        switch (fault_) {
            case Fault::Malformed:
                answer = "* 1 FETCH (UID 1 BODY[TEXT (\"TEXT\" )))) {{{ \x01\x02 ((\r\n";
                return true;
            case Fault::HugeLiteral: {
                send(stream, "* 1 FETCH (UID 1 BODY[HEADER.FIELDS (FROM)] {1073741824}\r\n");
                const std::string piece(1 << 16, 'x');
                for (std::uint64_t sent = 0; sent < (1ull << 30); sent += piece.size()) {
                    if (!send(stream, piece)) {
                        return false;
                    }
                }
                return false;
            }
            case Fault::Stalls:
                send(stream, "* 1 FETCH (UID 1 ");
                stalling_ = true;
                // Until the client gives up and closes, or the test ends.
                for (char c = 0; tls_.receive(stream, &c, 1);) {
                }
                return false;
            case Fault::CutsAfterOneBatch:
                break;
        }
        return false;
    }

    Fault fault_;
    std::atomic_bool stalling_{false};
    TlsServer tls_{
        [this](TlsServer&, GIOStream* stream) { converse(stream); }};  // last: stops first
};

}  // namespace nolvetta::testsupport
