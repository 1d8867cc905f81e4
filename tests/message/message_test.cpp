#include "message/message.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace nolvetta::message;
using Clock = std::chrono::steady_clock;

std::string ascii(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

// What the program acts on: a problem, the service rule's reading, or the one
// address it opens.
std::string outcome(const Reading& reading) {
    const auto address = preferredAddress(reading.unsubscribe);
    const std::string& charset = reading.unreadableCharset;
    return reading.problem != Problem::None
               ? "problem " + std::to_string(static_cast<int>(reading.problem))
           : reading.magazine
               ? (reading.magazine->service == 0 ? "mag2 " : "melma ") + ascii(reading.magazine->id)
           : address         ? ascii(address->url)
           : charset.empty() ? "nothing"
                             : "charset " + charset;
}

TEST(Message, EachMessageGivesAProblemItsServiceOrItsOneWayOut) {
    const std::string head = "From: a\r\nContent-Type: text/plain; charset=";
    const std::string japanese = "ISO-2022-JP\r\n\r\nmelma87654321 ご案内\r\n";
    const struct {
        std::string file, bytes;  // a sample file, or else these bytes
        std::string expected;
        Origin origin = Origin::Sent;
    } cases[] = {
        // The window's and the program's tests open folded_comment.eml, header_only.eml and
        // mailto_only.eml.
        // clang-format off
        {"iso2022jp_service.eml", "", "mag2 0001234567"},  // before its List-Unsubscribe
        {"sjis_qp.eml", "", "melma 12345678"},              // ① is code page 932's
        {"truncated_multipart.eml", "", "mag2 0000098765"},
        {"utf8_base64_alternative.eml", "", "https://example.jp/one-click?u=7"},  // https before mailto
        {"javascript.eml", "", "http://plain.example.jp/leave"},
        {"none.eml", "", "nothing"}, {"missing.eml", "", "problem 3"},
        {"", head + "x-unknown\r\n\r\nmelma87654321\r\n", "charset x-unknown"},
        {"", head + japanese, "charset ISO-2022-JP"},  // 8-bit bytes where 7-bit ones belong
        {"", head + japanese, "melma 87654321", Origin::DroppedText},  // the characters themselves
        {"", "plain text\r\nFrom: x\r\n", "problem 1"}, {"", "melma: 12345678\r\n\r\nbody", "problem 1"},
        {"", " From: x\r\n", "problem 1"}, {"", "Subject: s\r\n\r\nFrom: x", "problem 1"},
        {"", "From x\r\n", "problem 1"}, {"", std::string(MaxMessageBytes + 1, 'x'), "problem 2"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const Reading reading =
            c.file.empty() ? readMessage(c.bytes, c.origin)
                           : readMessageFile(std::filesystem::path(NOLVETTA_MESSAGE_DATA) / c.file);
        EXPECT_EQ(outcome(reading), c.expected) << c.file << c.bytes.substr(0, 40);
    }
}

TEST(Message, OnlyBracketedHttpsMailtoAndHttpAddressesOutsideCommentsCount) {
    const std::vector<Address> expected = {{Scheme::Https, u"HTTPS://a.jp/x"},
                                           {Scheme::Mailto, u"MailTo:b@c"},
                                           {Scheme::Http, u"http://a.jp/y"}};
    EXPECT_EQ(
        unsubscribeAddresses(
            "<HTTPS://a.jp/x>,(c <https://no/>) <MailTo:b@c>, https://bare.jp/, <mailto:>,"
            "(nested (<https://no/>) \\) <https://no/>) <http://a.jp/ y>, <https:>, <ftp://a>,"
            "<javascript:alert(1)>, <file:///etc/passwd>, <data:,x>, <https://a.jp/\"onload>,"
            "<https://a.jp/\x01>, <https://a.jp/\xe3\x81\x82>, <https://a")
            .addresses,
        expected);
}
TEST(Message, ListUnsubscribeIsTheHeadersOwnTextUpToTheLengthBound) {
    const std::string atBound = "https://a.jp/" + std::string(MaxAddressLength - 13, 'x');
    const struct {
        std::string value;
        std::vector<std::string> urls;
        std::size_t overlong = 0;
    } cases[] = {
        {"<https://real.example/u?k=?us-ascii?q?>, <http://plain.example/?=>",
         {"https://real.example/u?k=?us-ascii?q?", "http://plain.example/?="}},
        {"=?us-ascii?q?=3Chttps=3A//hidden.example/=3E?=", {}},
        {"=?utf-8?b?PGh0dHBzOi8vaGlkZGVuLmV4YW1wbGUvPg==?=", {}},
        {"<" + atBound + ">, <" + atBound + "y>, <http://b.jp/" + std::string(1 << 20, 'z') + ">",
         {atBound},
         2},
    };
    for (const auto& c : cases) {
        const auto started = Clock::now();
        const Reading reading =
            readMessage("From: a\r\nList-Unsubscribe: " + c.value + "\r\n\r\nbody\r\n");
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));  // a megabyte, in one pass
        std::vector<std::string> urls;
        for (const Address& address : reading.unsubscribe) {
            urls.push_back(ascii(address.url));
        }
        EXPECT_EQ(urls, c.urls) << c.value.substr(0, 60);
        EXPECT_EQ(reading.overlongAddresses, c.overlong);
    }
}
