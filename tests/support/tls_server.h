#pragma once

#include <gio/gio.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "certificates.h"

// A server of a test's own on loopback, speaking TLS with a certificate made
// for the test: each connection, once its handshake is done, is served on a
// thread of its own. Its owner keeps it last, so that it stops (and waits
// for every connection) before whatever the serving uses is gone.
namespace nolvetta::testsupport {

class TlsServer {
public:
    using Serve = std::function<void(TlsServer&, GIOStream*)>;

    explicit TlsServer(Serve serve) : serve_(std::move(serve)) {
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
        accepting_ = std::thread([this] { accept(); });
    }
    ~TlsServer() {
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
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::filesystem::path caFile() const { return certificates_.caFile(); }
    int connections() const { return connections_; }
    bool stopping() const { return g_cancellable_is_cancelled(cancellable_); }

    // Each false once the client has gone or the server stops.
    bool send(GIOStream* stream, const std::string& text) {
        return g_output_stream_write_all(g_io_stream_get_output_stream(stream), text.data(),
                                         text.size(), nullptr, cancellable_, nullptr);
    }
    bool receive(GIOStream* stream, char* into, std::size_t size) {
        gsize got = 0;
        return g_input_stream_read_all(g_io_stream_get_input_stream(stream), into, size, &got,
                                       cancellable_, nullptr) &&
               got == size;
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
                if (tls &&
                    g_tls_connection_handshake(G_TLS_CONNECTION(tls), cancellable_, nullptr)) {
                    serve_(*this, tls);
                }
                if (tls) {
                    g_io_stream_close(tls, nullptr, nullptr);
                    g_object_unref(tls);
                }
                g_object_unref(socket);
            });
        }
    }

    Serve serve_;
    TestCertificates certificates_;
    GTlsCertificate* certificate_ = nullptr;
    GSocketListener* listener_ = nullptr;
    GCancellable* cancellable_ = g_cancellable_new();
    std::uint16_t port_ = 0;
    std::atomic<int> connections_ = 0;
    std::mutex mutex_;
    std::thread accepting_;
    std::vector<std::thread> serving_;
};

}  // namespace nolvetta::testsupport
