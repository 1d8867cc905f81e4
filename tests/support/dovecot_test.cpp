#include "dovecot.h"

#include <gio/gio.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace nolvetta::testsupport {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// An IMAP conversation over GIO, line by line, as a client of the fixture would hold it.
class Session {
public:
    explicit Session(std::uint16_t port) {
        g_socket_client_set_timeout(client_, 10);
        connection_ = G_IO_STREAM(
            g_socket_client_connect_to_host(client_, "127.0.0.1", port, nullptr, nullptr));
        stream_ = connection_ != nullptr ? G_IO_STREAM(g_object_ref(connection_)) : nullptr;
        readFrom(stream_);
    }
    ~Session() {
        g_clear_object(&in_);
        g_clear_object(&stream_);
        g_clear_object(&connection_);
        g_object_unref(client_);
    }

    // Takes TLS on, trusting `caFile` only, for the server name `host`.
    bool startTls(const std::filesystem::path& caFile, const char* host = "localhost") {
        if (stream_ == nullptr) {
            return false;
        }
        g_autoptr(GTlsDatabase) trusted = g_tls_file_database_new(caFile.c_str(), nullptr);
        g_autoptr(GSocketConnectable) name = g_network_address_new(host, 993);
        GIOStream* tls = g_tls_client_connection_new(stream_, name, nullptr);
        if (tls == nullptr) {
            ADD_FAILURE() << "GIO has no TLS: is glib-networking installed?";
            return false;
        }
        g_tls_connection_set_database(G_TLS_CONNECTION(tls), trusted);
        const bool verified = g_tls_connection_handshake(G_TLS_CONNECTION(tls), nullptr, nullptr);
        g_object_unref(stream_);
        stream_ = tls;
        readFrom(stream_);
        return verified;
    }

    std::string line() {
        char* read = in_ != nullptr ? g_data_input_stream_read_line(in_, nullptr, nullptr, nullptr)
                                    : nullptr;
        std::string text = read != nullptr ? read : "(connection lost)";
        g_free(read);
        return text;
    }

    // Sends a tagged command; returns every line of the answer, the tagged one last.
    std::string command(const std::string& text) {
        const std::string sent = "a " + text + "\r\n";
        if (stream_ != nullptr) {
            g_output_stream_write_all(g_io_stream_get_output_stream(stream_), sent.data(),
                                      sent.size(), nullptr, nullptr, nullptr);
        }
        std::string answer, last;
        do {
            last = line();
            answer += last + "\n";
        } while (last.rfind("a ", 0) != 0 && last != "(connection lost)");
        return answer;
    }

    std::string login() {
        return command(std::string("LOGIN ") + Dovecot::User + " \"" + Dovecot::Password + "\"");
    }

private:
    void readFrom(GIOStream* stream) {
        g_clear_object(&in_);
        if (stream != nullptr) {
            in_ = g_data_input_stream_new(g_io_stream_get_input_stream(stream));
            // The TLS stream takes over the same connection after STARTTLS.
            g_filter_input_stream_set_close_base_stream(G_FILTER_INPUT_STREAM(in_), FALSE);
        }
    }

    GSocketClient* client_ = g_socket_client_new();
    GIOStream* connection_ = nullptr;
    GIOStream* stream_ = nullptr;
    GDataInputStream* in_ = nullptr;
};

TEST(DovecotTest, ImplicitTlsIsTrustedThroughItsOwnAuthorityOnly) {
    const Dovecot server;
    const TestCertificates stranger;
    for (const char* host : {"localhost", "127.0.0.1"}) {
        Session session(server.port());
        EXPECT_TRUE(session.startTls(server.caFile(), host)) << host;
        EXPECT_THAT(session.line(), HasSubstr("* OK"));
        EXPECT_THAT(session.login(), HasSubstr("a OK"));
        EXPECT_FALSE(Session(server.port()).startTls(stranger.caFile(), host)) << host;
    }
}

TEST(DovecotTest, StartTlsRefusesLoginUntilTlsIsOn) {
    const Dovecot server(ImapTls::StartTls);
    Session session(server.port());
    EXPECT_THAT(session.line(), AllOf(HasSubstr("STARTTLS"), HasSubstr("LOGINDISABLED")));
    EXPECT_THAT(session.login(), HasSubstr("a NO"));
    EXPECT_THAT(session.command("STARTTLS"), HasSubstr("a OK"));
    ASSERT_TRUE(session.startTls(server.caFile()));
    EXPECT_THAT(session.login(), HasSubstr("a OK"));
}

TEST(DovecotTest, WithoutTlsOffersNoneAndTakesAPlaintextLogin) {
    const Dovecot server(ImapTls::None);
    const TestCertificates certificates;
    EXPECT_FALSE(Session(server.port()).startTls(certificates.caFile()));
    Session session(server.port());
    EXPECT_THAT(session.line(), AllOf(HasSubstr("* OK"), Not(HasSubstr("STARTTLS")),
                                      Not(HasSubstr("LOGINDISABLED"))));
    EXPECT_THAT(session.login(), HasSubstr("a OK"));
}

TEST(DovecotTest, ListsEveryMessageWithItsFlagsAsTheServerSeesThem) {
    Dovecot server;
    server.addMessage("INBOX", "Subject: new\r\n\r\nnew\r\n");
    server.addMessage("INBOX", "Subject: read, flagged\r\n\r\nold\r\n", "SF");
    server.addMessages("Newsletters", 2, [](std::size_t i) {
        return MaildirMessage{"Subject: " + std::to_string(i) + "\r\n\r\n", i == 0 ? "RS" : "T"};
    });
    server.addMessage("ニュース", "Subject: x\r\n\r\n", "D");
    EXPECT_EQ(server.flagsListing(),
              "INBOX\t1\t\nINBOX\t2\t\\Flagged \\Seen\n"
              "Newsletters\t1\t\\Answered \\Seen\nNewsletters\t2\t\\Deleted\n"
              "ニュース\t1\t\\Draft\n");
}

TEST(DovecotTest, SessionSeesSpecialFoldersAndWhatArrivesWhileItRuns) {
    Dovecot server;
    for (const char* folder : {"Trash", "Junk", "Drafts", "Sent", "Newsletters"}) {
        server.addMessage(folder, "Subject: x\r\n\r\n", "S");
    }
    Session session(server.port());
    ASSERT_TRUE(session.startTls(server.caFile()));
    session.line();
    ASSERT_THAT(session.login(), HasSubstr("a OK"));
    EXPECT_THAT(session.command("LIST \"\" \"*\""),
                AllOf(HasSubstr("\\Trash) \"/\" Trash"), HasSubstr("\\Junk) \"/\" Junk"),
                      HasSubstr("\\Drafts) \"/\" Drafts"), HasSubstr("\\Sent) \"/\" Sent"),
                      HasSubstr("(\\HasNoChildren) \"/\" Newsletters")));
    EXPECT_THAT(session.command("EXAMINE Newsletters"), HasSubstr("* 1 EXISTS"));
    server.addMessage("Newsletters", "Subject: y\r\n\r\n");
    server.addMessage("ニュース", "Subject: z\r\n\r\n");
    EXPECT_THAT(session.command("EXAMINE Newsletters"), HasSubstr("* 2 EXISTS"));
    EXPECT_THAT(session.command("LIST \"\" \"*\""), HasSubstr("&MMsw5TD8MLk-"));
}

TEST(DovecotTest, KillCutsTheSessionAndRefusesNewOnes) {
    Dovecot server(ImapTls::StartTls);
    Session session(server.port());
    session.line();
    server.kill();
    EXPECT_EQ(session.command("NOOP"), "(connection lost)\n");
    EXPECT_FALSE(acceptsConnections("127.0.0.1", server.port()));
}

TEST(DovecotTest, LeavesNoProcessBehind) {
    std::uint16_t port = 0;
    {
        const Dovecot server(ImapTls::None);
        port = server.port();
        Session(port).line();  // a relay and an IMAP process more
    }
    EXPECT_FALSE(acceptsConnections("127.0.0.1", port));
    int status = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1) << "a child of this test still runs";
}

}  // namespace
}  // namespace nolvetta::testsupport
