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

#include "certificates.h"

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

    HttpsServer() {
        certificate_ = g_tls_certificate_new_from_files(certificates_.certFile().c_str(),
                                                        certificates_.keyFile().c_str(), nullptr);
        listener_ = g_socket_listener_new();
        GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
        GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
        GSocketAddress* bound = nullptr;
        g_socket_listener_add_address(listener_, address, G_SOCKET_TYPE_STREAM,
                                      G_SOCKET_PROTOCOL_TCP, nullptr, &bound, nullptr);
        port_ = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
        g_object_unref(bound);
        g_object_unref(address);
        g_object_unref(loopback);
        cancellable_ = g_cancellable_new();
        accepting_ = std::thread([this] { accept(); });
    }

    ~HttpsServer() {
        g_cancellable_cancel(cancellable_);
        accepting_.join();
        for (std::thread& each : serving_) {
            each.join();
        }
        g_socket_listener_close(listener_);
        g_object_unref(listener_);
        g_object_unref(cancellable_);
        g_object_unref(certificate_);
    }

    std::string url(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::filesystem::path caFile() const { return certificates_.caFile(); }

    std::vector<Request> requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    int connections() const { return connections_; }
    int mostAtOnce() const {  // requests being answered together
        const std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }
    void forget() {
        const std::lock_guard lock(mutex_);
        requests_.clear();
        connections_ = mostAtOnce_ = 0;
    }

private:
    void accept() {
        while (GSocketConnection* socket =
                   g_socket_listener_accept(listener_, nullptr, cancellable_, nullptr)) {
            ++connections_;
            const std::lock_guard lock(mutex_);
            serving_.emplace_back([this, socket] {
                GIOStream* tls =
                    g_tls_server_connection_new(G_IO_STREAM(socket), certificate_, nullptr);
                if (g_tls_connection_handshake(G_TLS_CONNECTION(tls), cancellable_, nullptr)) {
                    serve(tls);
                }
                g_io_stream_close(tls, nullptr, nullptr);
                g_object_unref(tls);
                g_object_unref(socket);
            });
        }
    }

    bool read(GIOStream* stream, char* into, std::size_t size) {
        gsize got = 0;
        return g_input_stream_read_all(g_io_stream_get_input_stream(stream), into, size, &got,
                                       cancellable_, nullptr) &&
               got == size;
    }
    bool write(GIOStream* stream, const std::string& text) {
        return g_output_stream_write_all(g_io_stream_get_output_stream(stream), text.data(),
                                         text.size(), nullptr, cancellable_, nullptr);
    }

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
            for (int i = 0; i < 50 && !g_cancellable_is_cancelled(cancellable_); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        } else {
            write(stream, "HTTP/1.1 500 Broken\r\n" + head + "Content-Length: 0\r\n\r\n");
        }
    }

    TestCertificates certificates_;
    GTlsCertificate* certificate_ = nullptr;
    GSocketListener* listener_ = nullptr;
    GCancellable* cancellable_ = nullptr;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::atomic<int> connections_ = 0;
    int atOnce_ = 0;
    int mostAtOnce_ = 0;
    std::thread accepting_;
    std::vector<std::thread> serving_;
};

}  // namespace nolvetta::testsupport
