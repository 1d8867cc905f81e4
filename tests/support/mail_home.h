#pragma once

#include <filesystem>

// A home folder of made-up mail (tests/mailbox/home) in each mail program's
// place and format: Thunderbird (a profile with local and offline folders),
// Claws Mail (an MH mailbox named in its folder list), Evolution (a Maildir)
// and saved messages, and each program's settings of an IMAP account. Five
// newsletters, one of each kind, beside personal mail, a duplicate and a
// damaged message, and subjects in every way Japanese mail sends them
// (encoded, raw ISO-2022-JP, raw Shift_JIS). No real person's mail. Beside
// it, a Windows user's (tests/mailbox/windows-home): the roaming and local
// application data folders with Thunderbird's profiles, Claws Mail's
// accounts and the folders of Windows Live Mail and Windows Mail.
namespace nolvetta::testsupport {

inline void copyMailHome(const std::filesystem::path& home) {
    std::filesystem::copy(NOLVETTA_MAIL_HOME, home, std::filesystem::copy_options::recursive);
}

}  // namespace nolvetta::testsupport
