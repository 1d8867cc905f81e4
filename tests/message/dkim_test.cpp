// Whether a newsletter's sender signed its one-click way out: real
// signatures, made with a key of the tests' own, and the key from a file.
#include <gtest/gtest.h>

#include "dkim_signer.h"
#include "message/dkim.h"
#include "message/message.h"
#include "scratch.h"

using namespace nolvetta::message;
using nolvetta::testsupport::dkimSigned;

namespace {

const std::filesystem::path Keys = NOLVETTA_MESSAGE_DATA "/dkim";

const std::string Newsletter =
    "From: News <news@news.example.jp>\n"
    "To: a@example.jp\n"
    "Subject: =?UTF-8?B?44OL44Ol44O844K5?=\n"
    "Date: Tue, 01 Dec 2026 09:00:00 +0900\n"
    "Message-ID: <1@news.example.jp>\n"
    "List-Unsubscribe: <https://news.example.jp/u?a=1>, <mailto:u@news.example.jp>\n"
    "List-Unsubscribe-Post: List-Unsubscribe=One-Click\n"
    "\n"
    "Body\n";

std::string signedOver(std::vector<const char*> fields, const std::string& message = Newsletter) {
    return dkimSigned(message, Keys / "signer.pem", fields);
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace

TEST(message_Dkim, OnlyAValidSignatureOverBothFieldsLetsOneRequestLeave) {
    const std::vector<const char*> both = {"From", "Subject", "List-Unsubscribe",
                                           "List-Unsubscribe-Post"};
    const std::string good = signedOver(both);
    std::string crlf;
    for (const char c : good) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const struct {
        const char* what;
        std::string message;
        std::filesystem::path keys;
        OneClickSigning expected;
    } cases[] = {
        {"signed over both", good, Keys / "keys.txt", OneClickSigning::Signed},
        {"with CR LF line ends", crlf, Keys / "keys.txt", OneClickSigning::Signed},
        {"not over List-Unsubscribe-Post", signedOver({"From", "List-Unsubscribe"}),
         Keys / "keys.txt", OneClickSigning::NotCovered},
        {"the address changed after signing", replaced(good, "u?a=1", "u?a=2"), Keys / "keys.txt",
         OneClickSigning::NoValidSignature},
        {"the body changed after signing", replaced(good, "Body", "Bodz"), Keys / "keys.txt",
         OneClickSigning::NoValidSignature},
        {"no signature", Newsletter, Keys / "keys.txt", OneClickSigning::NoValidSignature},
        {"no key for the signer", good, Keys / "signer.pem", OneClickSigning::NoValidSignature},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(oneClickSigning(c.message, {c.keys}), c.expected) << c.what;
    }
}

TEST(message_Dkim, AMessageAsksForOneClickOnlyWithOneOfEachField) {
    const struct {
        std::string message;
        bool oneClick;
    } cases[] = {
        {Newsletter, true},
        {replaced(Newsletter, "List-Unsubscribe=One-Click", " list-unsubscribe=one-click "), true},
        {replaced(Newsletter, "List-Unsubscribe=One-Click", "List-Unsubscribe=Two-Clicks"), false},
        {"List-Unsubscribe: <https://evil.example/>\n" + Newsletter, false},
        {"List-Unsubscribe-Post: List-Unsubscribe=One-Click\n" + Newsletter, false},
        {replaced(Newsletter, "List-Unsubscribe-Post: List-Unsubscribe=One-Click\n", ""), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readMessage(c.message).oneClick, c.oneClick) << c.message;
    }
}

TEST(message_Dkim, AMessageOfAMailboxIsReadAgainAsItWasSent) {
    const nolvetta::testsupport::ScratchDirectory scratch;
    const std::string second = signedOver({"From", "List-Unsubscribe", "List-Unsubscribe-Post"});
    nolvetta::testsupport::writeBytes(
        scratch / "mbox", "From a@b Tue Dec  1 00:00:00 2026\n" + replaced(Newsletter, "1@", "0@") +
                              "\nFrom news@news.example.jp Tue Dec  1 09:00:00 2026\n" + second);
    const FileReading read = readMailFile(scratch / "mbox");
    ASSERT_EQ(read.messages.size(), 2u);
    const Reading& last = read.messages[1];
    EXPECT_TRUE(last.oneClick);
    EXPECT_EQ(storedMessage(scratch / "mbox", last.begin, last.end), second);
    EXPECT_EQ(storedMessage(scratch / "mbox", last.begin, last.begin + MaxMessageBytes + 1),
              std::nullopt);
}
