// The IMAP accounts read from each mail program's settings, and found in a
// home folder of made-up ones.
#include <gtest/gtest.h>

#include "mail_home.h"
#include "mailbox/imap_accounts.h"
#include "scratch.h"
#include "text/utf8.h"

using namespace nolvetta::mailbox;
namespace fs = std::filesystem;

namespace {

// One line an account: program|name|host:port security|user.
std::string shown(const std::vector<ImapAccount>& accounts) {
    static const char* const Security[] = {"tls", "starttls", "none"};
    std::string lines;
    for (const ImapAccount& a : accounts) {
        lines += nolvetta::text::toUtf8(a.program + u"|" + a.name) + "|" + a.host + ":" +
                 std::to_string(a.port) + " " + Security[int(a.security)] + "|" + a.user + "\n";
    }
    return lines;
}

// Thunderbird's line for a preference of server N.
std::string pref(int n, const char* key, const char* value) {
    return "user_pref(\"mail.server.server" + std::to_string(n) + "." + key + "\", " + value +
           ");\n";
}

}  // namespace

TEST(ImapAccounts, ThunderbirdsImapServersAreReadFromPrefsJs) {
    const struct {
        const char* what;
        std::string prefs;
        std::string accounts;
    } cases[] = {
        {"IMAP only, in N's order",
         "// Mozilla User Preferences\n" + pref(1, "type", "\"none\"") +
             pref(1, "hostname", "\"Local Folders\"") +
             pref(10, "hostname", "\"imap.example.jp\"") + pref(10, "socketType", "3") +
             pref(10, "type", "\"imap\"") + pref(2, "hostname", "\"pop.example.com\"") +
             pref(2, "type", "\"pop3\"") + pref(3, "hostname", "\"news.example.com\"") +
             pref(3, "type", "\"nntp\"") + pref(4, "hostname", "\"Feeds\"") +
             pref(4, "type", "\"rss\"") + pref(9, "hostname", "\"imap.example.com\"") +
             pref(9, "port", "1993") + pref(9, "socketType", "3") + pref(9, "type", "\"imap\"") +
             pref(9, "userName", "\"hanako\""),
         "Thunderbird|hanako@imap.example.com|imap.example.com:1993 tls|hanako\n"
         "Thunderbird|imap.example.jp|imap.example.jp:993 tls|\n"},
        {"each socketType, no port written",
         pref(1, "hostname", "\"a.example.com\"") + pref(1, "type", "\"imap\"") +
             pref(2, "hostname", "\"b.example.com\"") + pref(2, "socketType", "1") +
             pref(2, "type", "\"imap\"") + pref(3, "hostname", "\"c.example.com\"") +
             pref(3, "socketType", "2") + pref(3, "type", "\"imap\"") +
             pref(4, "hostname", "\"d.example.com\"") + pref(4, "socketType", "7") +
             pref(4, "type", "\"imap\""),
         "Thunderbird|a.example.com|a.example.com:143 none|\n"
         "Thunderbird|b.example.com|b.example.com:143 starttls|\n"
         "Thunderbird|c.example.com|c.example.com:143 starttls|\n"},
        {"escapes, names changed later, CR LF, lines of another shape",
         "user_pref(\"mail.server.server5.name\", \"\\\"\\u4ED5\\u4E8B\\\" \\\\ \\uD83D\\uDCE8\");"
         "\r\n"
         "user_pref(\"mail.server.server5.hostname\", \"old.example.jp\");\r\n"
         "user_pref(\"mail.server.server5.realhostname\", \"[2001:db8::5]\");\r\n"
         "user_pref(\"mail.server.server5.type\", \"imap\");\r\n"
         "user_pref(\"mail.server.server5.userName\", \"old\");\r\n"
         "user_pref(\"mail.server.server5.realuserName\", \"花子\\\\box\");\r\n"
         "user_pref(\"mail.server.server5.realuserName\", \"\\q\");\r\n"
         "user_pref(\"mail.server.server5.realuserName\", \"cut);\r\n"
         "user_pref(\"mail.server.server5.socketType\", 3); 2\r\n"
         "pref(\"mail.server.server5.socketType\", 3);\r\n",
         "Thunderbird|\"仕事\" \\ 📨|2001:db8::5:143 none|花子\\box\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(thunderbirdImapAccounts(c.prefs)), c.accounts) << c.what;
    }
}

TEST(ImapAccounts, AnEvolutionSourceIsAnAccountWhereItIsOneOfImap) {
    const std::string imap = "[Data Source]\nDisplayName=仕事\\sのメール\n[Mail Account]\n";
    const struct {
        std::string source;
        std::string account;
    } cases[] = {
        {imap + "BackendName=imapx\n[Authentication]\nHost=imap.example.jp\nPort=993\n"
                "User=example\\\\hanako\n[Security]\nMethod=ssl-on-alternate-port\n",
         "Evolution|仕事 のメール|imap.example.jp:993 tls|example\\hanako\n"},
        {"[Mail Account]\r\nBackendName=imap\r\n[Authentication]\r\nHost=imap.example.jp\r\n"
         "User=hanako\r\n[Security]\r\nMethod=starttls-on-standard-port\r\n",
         "Evolution|hanako@imap.example.jp|imap.example.jp:143 starttls|hanako\n"},
        {imap + "BackendName=imapx\n[Authentication]\nHost=imap.example.jp\nPort=0\n"
                "[Security]\nMethod=none\n",
         "Evolution|仕事 のメール|imap.example.jp:143 none|\n"},
        {imap + "BackendName=imapx\n[Authentication]\nHost=imap.example.jp\nPort=1143\n",
         "Evolution|仕事 のメール|imap.example.jp:1143 none|\n"},
        {imap + "BackendName=imapx\n[Authentication]\nHost=imap.example.jp\n"
                "[Security]\nMethod=tls-someday\n",
         ""},
        {imap + "BackendName=pop\n[Authentication]\nHost=pop.example.jp\n", ""},
        {"[Mail Transport]\nBackendName=smtp\n[Authentication]\nHost=smtp.example.jp\n", ""},
        {imap + "BackendName=imapx\n[Authentication]\nUser=hanako\n", ""},
        {imap + "BackendName=imapx\nthis is no key file\n[Authentication]\nHost=imap.example.jp\n",
         ""},
    };
    for (const auto& c : cases) {
        const std::optional<ImapAccount> account = evolutionImapAccount(c.source);
        EXPECT_EQ(account ? shown({*account}) : "", c.account) << c.source;
    }
}

// One file holds every case: Claws Mail writes values as they are, a
// backslash too (a Windows domain's login), and a port counts once ticked.
TEST(ImapAccounts, ClawsMailsAndSylpheedsImapAccountsAreReadFromAccountrc) {
    const std::string accountrc =
        "[Account: 1]\r\naccount_name=家のメール\r\nprotocol=3\r\n"
        "receive_server=mail.example.jp\r\nuser_id=EXAMPLE\\taro\r\nssl_imap=1\r\n"
        "set_imapport=0\r\nimap_port=143\r\n\r\n"
        "[Account: 2]\naccount_name=\nprotocol=3\nreceive_server=imap.example.com\nuser_id=h\n"
        "ssl_imap=2\nset_imapport=1\nimap_port=1143\n"
        "[Account: 3]\nprotocol=3\nreceive_server=imap.example.com\nset_imapport=1\nimap_port=0\n"
        "[Account: 4]\nprotocol=0\nreceive_server=pop.example.com\n"
        "[Account: 5]\nprotocol=4\nnntp_server=news.example.com\nreceive_server=x.example.com\n"
        "[Account: 6]\nprotocol=3\nreceive_server=imap.example.com\nssl_imap=3\n"
        "[Account: 7]\nprotocol=3\nreceive_server=\n";
    EXPECT_EQ(shown(clawsImapAccounts(accountrc, u"Sylpheed")),
              "Sylpheed|家のメール|mail.example.jp:993 tls|EXAMPLE\\taro\n"
              "Sylpheed|h@imap.example.com|imap.example.com:1143 starttls|h\n"
              "Sylpheed|imap.example.com|imap.example.com:143 none|\n");
}

#ifndef _WIN32
// The made-up home's Thunderbird profile, Evolution source and Claws Mail
// accountrc, and beside them a Thunderbird in a Snap, Sylpheed and a damaged
// source; the same server (its host's case aside) is offered under the first.
TEST(ImapAccounts, EachMailProgramsAccountsAreFoundInTheHomeOnceEach) {
    const nolvetta::testsupport::ScratchDirectory home;
    nolvetta::testsupport::copyMailHome(home.path());
    const fs::path snap = home / "snap/thunderbird/common/.thunderbird";
    fs::create_directories(snap / "x.default");
    nolvetta::testsupport::writeBytes(snap / "profiles.ini", "[Profile0]\nPath=x.default\n");
    nolvetta::testsupport::writeBytes(
        snap / "x.default/prefs.js",
        pref(1, "hostname", "\"IMAP.Example.com\"") + pref(1, "port", "993") +
            pref(1, "socketType", "3") + pref(1, "type", "\"imap\"") +
            pref(1, "userName", "\"hanako@example.com\"") +
            pref(2, "hostname", "\"imap.example.com\"") + pref(2, "socketType", "3") +
            pref(2, "type", "\"imap\"") + pref(2, "userName", "\"taro@example.com\""));
    nolvetta::testsupport::writeBytes(home / ".config/evolution/sources/0.source", "[Mail");
    fs::create_directory(home / ".sylpheed-2.0");
    nolvetta::testsupport::writeBytes(
        home / ".sylpheed-2.0/accountrc",
        "[Account: 1]\nprotocol=3\nreceive_server=imap.example.jp\nuser_id=hanako\nssl_imap=1\n"
        "[Account: 2]\nprotocol=3\nreceive_server=imap.example.jp\nuser_id=h2\nssl_imap=1\n");
    EXPECT_EQ(shown(findImapAccounts(home.path(), home / ".config")),
              "Thunderbird|hanako@example.com|imap.example.com:993 tls|hanako@example.com\n"
              "Thunderbird|taro@example.com@imap.example.com|imap.example.com:993 tls|"
              "taro@example.com\n"
              "Evolution|仕事のメール|imap.example.jp:993 tls|hanako\n"
              "Claws Mail|家のメール|mail.example.jp:143 starttls|hanako\n"
              "Sylpheed|h2@imap.example.jp|imap.example.jp:993 tls|h2\n");
    EXPECT_TRUE(findImapAccounts(home / "nobody", home / "nobody").empty());
}
#else
// Thunderbird's and Claws Mail's places in the roaming application data
// folder (tests/mailbox/windows-home), their files written with CR LF.
TEST(ImapAccounts, WindowsMailProgramsAccountsAreFoundInTheUsersFolders) {
    const fs::path roaming = fs::absolute(NOLVETTA_WINDOWS_MAIL_HOME) / "Roaming";
    EXPECT_EQ(shown(findImapAccounts(roaming, {})),
              "Thunderbird|仕事|imap.example.jp:993 tls|hanako\n"
              "Claws Mail|家のメール|mail.example.jp:143 starttls|hanako\n");
}
#endif
