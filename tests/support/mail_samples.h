#pragma once

#include <filesystem>
#include <string>

#include "scratch.h"

// A home folder of made-up mail in each mail program's place and format:
// five newsletters, one of each kind, beside personal mail, a duplicate and
// a damaged message, and subjects in every way Japanese mail sends them
// (encoded, raw ISO-2022-JP, raw Shift_JIS). No real person's mail.
namespace nolvetta::testsupport {

struct Mail {
    std::string from, subject, date, headers, body, id;
};

inline std::string message(const Mail& m) {
    return "From: " + m.from + "\nTo: Reader <reader@example.com>\nSubject: " + m.subject +
           "\nDate: " + m.date + "\nMessage-ID: <" + m.id + "@test>\n" + m.headers +
           "MIME-Version: 1.0\nContent-Type: text/plain; charset=utf-8\n\n" + m.body + "\n";
}

// An mbox: each message after its "From " line, with a blank line after it.
inline std::string mbox(std::initializer_list<std::string> messages) {
    std::string box;
    for (const std::string& m : messages) {
        box += "From sender@example.jp Mon Nov  2 10:00:00 2026\n" + m + "\n";
    }
    return box;
}

inline const std::string Mag2From = "=?UTF-8?B?44Oh44Or44Oe44Ks6YWN5L+h?= <mag2news@example.jp>";
inline const std::string ShopHeaders =
    "List-Id: Shop News <news.shop.example>\nX-Original-To: me@example.net\n";

inline Mail mag2(const std::string& date, const std::string& id) {
    return {Mag2From,
            "週刊 " + id,
            date,
            "Delivered-To: reader@example.com\nList-Unsubscribe: <https://mail.example.jp/x>\n",
            "配信 mag2 ID:0001234567 発行\n>From the editor: hello",
            id};
}
inline Mail shop(const std::string& date, const std::string& id) {
    return {"Shop News <news@shop.example>",
            "セール " + id,
            date,
            ShopHeaders + "List-Unsubscribe: <https://shop.example/unsub?u=" + id +
                ">, <mailto:unsub@shop.example>\n",
            "Sale",
            id};
}

// Thunderbird (a profile with local and offline folders), Claws Mail (an
// MH mailbox named in its folder list), Evolution (a Maildir under
// `home`/.local/share) and saved messages in `home`/saved.
inline void writeMailHome(const std::filesystem::path& home) {
    namespace fs = std::filesystem;
    const fs::path profile = home / ".thunderbird/abcd.default";
    const fs::path claws = home / "Mail/inbox";
    const fs::path evolution = home / ".local/share/evolution/mail/local";
    for (const fs::path& folder :
         {profile / "Mail/Local Folders", profile / "ImapMail/imap.example.com", claws,
          evolution / "cur", evolution / "new", evolution / "tmp", home / ".claws-mail",
          home / "saved"}) {
        fs::create_directories(folder);
    }
    writeBytes(home / ".thunderbird/profiles.ini",
               "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\n"
               "Path=abcd.default\nDefault=1\n");
    writeBytes(home / ".claws-mail/folderlist.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<folderlist>\n"
               "<folder type=\"mh\" name=\"Mailbox\" path=\"Mail\">\n"
               "<folderitem type=\"inbox\" name=\"inbox\" path=\"inbox\"/>\n</folder>\n"
               "</folderlist>\n");
    const std::string friendMail = message({"Friend <friend@example.com>", "Lunch?",
                                            "Sun, 1 Nov 2026 12:00:00 +0900", "", "Hi", "f1"});
    // A damaged message in the middle: the rest is read all the same.
    writeBytes(
        profile / "Mail/Local Folders/Inbox",
        mbox({message(mag2("Sun, 1 Nov 2026 09:00:00 +0900", "m1")), friendMail,
              "no header here\n\x01\x02", message(shop("Mon, 2 Nov 2026 09:00:00 +0900", "s1"))}));
    writeBytes(profile / "Mail/Local Folders/Inbox.msf", "// an index\n");
    // The same message again, in the offline copy of an IMAP folder.
    writeBytes(profile / "ImapMail/imap.example.com/INBOX",
               mbox({message(mag2("Sun, 1 Nov 2026 09:00:00 +0900", "m1"))}));
    writeBytes(claws / "1", message(mag2("Sun, 8 Nov 2026 09:00:00 +0900", "m2")));
    writeBytes(
        claws / "2",
        message({"letters@example.org", "\x1b$B%a%k%^%,\x1b(B", "Tue, 3 Nov 2026 09:00:00 +0900",
                 "List-Unsubscribe: <mailto:leave@example.org?subject=stop>\n", "Hello", "l1"}));
    writeBytes(claws / ".mh_sequences", "unseen: 1-2\n");
    writeBytes(evolution / "cur/1.host:2,S", message(shop("Mon, 9 Nov 2026 09:00:00 +0900", "s2")));
    writeBytes(
        evolution / "new/2.host",
        message({"melma <m@melma.example>",
                 "=?UTF-8?B?5LuK5pel44Gu6Kmx6aGM?=", "Thu, 5 Nov 2026 09:00:00 +0900",
                 "List-Unsubscribe: <https://melma.example/x>\n", "melma00012345 話題", "e1"}));
    writeBytes(home / "saved/old.eml",
               message({"Old Times <old@example.com>", "\x82\xa8\x92m\x82\xe7\x82\xb9",
                        "Wed, 4 Nov 2026 09:00:00 +0900",
                        "List-Unsubscribe: <http://old.example.com/leave>\n", "Old news", "o1"}));
}

}  // namespace nolvetta::testsupport
