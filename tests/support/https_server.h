#pragma once

#include <gio/gio.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tls_server.h"

// An HTTPS server of the test's own on loopback, with a certificate made for
// the test, that keeps every request it reads and answers by path: /ok 200,
// /slow 200 after a while, /fail 500, /moved 302 to /ok, /endless a body
// that never ends, /hang nothing (for a few seconds, then it closes).
namespace nolvetta::testsupport {

class HttpsServer {
public:
    struct Request {
        std::string method, path, body;
        std::map<std::string, std::string> headers;  // names in lower case
    };

    std::string url(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(tls_.port()) + path;
    }
    std::filesystem::path caFile() const { return tls_.caFile(); }

    std::vector<Request> requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    int connections() const { return tls_.connections() - connectionsBefore_; }
    int mostAtOnce() const {  // requests being answered together
        const std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }
    void forget() {
        const std::lock_guard lock(mutex_);
        requests_.clear();
        mostAtOnce_ = 0;
        connectionsBefore_ = tls_.connections();
    }

private:
    bool read(GIOStream* stream, char* into, std::size_t size) {
        return tls_.receive(stream, into, size);
    }
    bool write(GIOStream* stream, const std::string& text) { return tls_.send(stream, text); }

    void serve(GIOStream* stream) {
        std::string head;
        for (char c = 0;
             !head.ends_with("\r\n\r\n") && head.size() < 16384 && read(stream, &c, 1);) {
            head += c;
        }
        if (!head.ends_with("\r\n\r\n")) {  // a client that refused the certificate
            return;
        }
        Request request;
        std::istringstream lines(head);
        std::string line;
        std::getline(lines, line);
        std::istringstream(line) >> request.method >> request.path;
        while (std::getline(lines, line) && line.find(':') != std::string::npos) {
            std::string name = line.substr(0, line.find(':'));
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            request.headers[name] = line.substr(name.size() + 2, line.size() - name.size() - 3);
        }
        const auto length = request.headers.find("content-length");
        request.body.resize(length == request.headers.end() ? 0 : std::stoul(length->second));
        if (!read(stream, request.body.data(), request.body.size())) {
            return;
        }
        const bool counted = request.path != "/hang";  // a stopped client may leave it waiting
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(request);
            atOnce_ += counted;
            mostAtOnce_ = std::max(mostAtOnce_, atOnce_);
        }
        answer(stream, request.path.substr(0, request.path.find('?')));  // by path alone
        const std::lock_guard lock(mutex_);
        atOnce_ -= counted;
    }

    void answer(GIOStream* stream, const std::string& path) {
        const std::string head = "Connection: close\r\nSet-Cookie: visit=1\r\n";
        if (path == "/slow") {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        if (path == "/ok" || path == "/slow") {
            write(stream, "HTTP/1.1 200 OK\r\n" + head + "Content-Length: 4\r\n\r\ndone");
        } else if (path == "/moved") {
            write(stream,
                  "HTTP/1.1 302 Found\r\n" + head + "Location: /ok\r\nContent-Length: 0\r\n\r\n");
        } else if (path == "/endless") {
            write(stream, "HTTP/1.1 200 OK\r\n" + head + "Transfer-Encoding: chunked\r\n\r\n");
            const std::string chunk = "4000\r\n" + std::string(0x4000, 'x') + "\r\n";
            while (write(stream, chunk)) {
            }
        } else if (path == "/hang") {
            // Until the client gives up, or a client that has no limit fails.
            for (int i = 0; i < 50 && !tls_.stopping(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        } else {
            write(stream, "HTTP/1.1 500 Broken\r\n" + head + "Content-Length: 0\r\n\r\n");
        }
    }

    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    int atOnce_ = 0;
    int mostAtOnce_ = 0;
    int connectionsBefore_ = 0;
    TlsServer tls_{[this](TlsServer&, GIOStream* stream) { serve(stream); }};  // last: stops first
};

}  // namespace nolvetta::testsupport
