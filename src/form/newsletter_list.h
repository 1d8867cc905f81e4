#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/questions.h"
#include "form/workers.h"
#include "launcher/one_click.h"
#include "mailbox/imap.h"
#include "mailbox/newsletters.h"
#include "mailbox/scan.h"
#include "mailbox/stores.h"

namespace nolvetta::message {
class Reader;
}

namespace nolvetta::form {

class Form1;

// What the newsletter list's window shows, and the answers only its user
// can give.
class ListView {
public:
    virtual ~ListView() = default;
    // A scan is under way (it can be cancelled), or not.
    virtual void setScanning(bool scanning) = 0;
    // Bytes read of all there is to read.
    virtual void setProgress(std::uint64_t done, std::uint64_t total) = 0;
    virtual void setStatus(std::u16string_view text) = 0;
    // The rows shown are others now: read them again.
    virtual void rowsChanged() = 0;
    // A message box over the list: an OK button, or はい and いいえ (true
    // for はい), いいえ the default.
    virtual void inform(std::u16string_view text) = 0;
    virtual bool askYesNo(std::u16string_view text) = 0;
    struct Password {
        std::string password;
        bool remember = false;  // in the desktop's secret store
    };
    // The password of the account named, asked in the window. Nothing when
    // the user would rather not.
    virtual std::optional<Password> askPassword(std::u16string_view account) = 0;
    // Runs `task` on the window's thread once it is free, from any thread;
    // never once the window is gone.
    virtual void post(std::function<void()> task) = 0;
};

// Every newsletter in the user's own mail, one row each, and leaving
// several at once: the list's behaviour, whatever toolkit draws it. The
// mail is read on a worker thread; nothing is sent anywhere.
class NewsletterList {
public:
    enum class Column { Sender, Subject, Count, Latest, Way, Reaches, Left };
    static constexpr std::size_t ColumnCount = 7;

    // `home`, `dataHome`, `configHome`: where the mail programs' stores
    // and settings are looked for (see findMailStores and findImapAccounts).
    NewsletterList(ListView& view, Form1& form, message::Reader& reader,
                   const std::filesystem::path& home, const std::filesystem::path& dataHome,
                   const std::filesystem::path& configHome);
    ~NewsletterList();

    // The mail programs' stores found at the start.
    const std::vector<mailbox::MailStore>& sources() const { return sources_; }
    // The IMAP accounts found in the mail programs' settings, then those
    // the user added.
    const std::vector<mailbox::ImapAccount>& servers() const { return servers_; }
    // An account added by hand, kept in the data folder's list of servers
    // (no password is ever written there). False when it was not added: one
    // that sends its password in clear, or the list not saved (a message
    // says so).
    bool addServer(const mailbox::ImapAccount& account) noexcept;

    // Reads the mail at the paths and on the servers, replacing the rows
    // when done; a scan under way is given up for it. A server's password
    // is the one given in this window before, else the one the secret store
    // keeps, else asked; a server whose password the user does not give is
    // not read.
    void scan(std::vector<std::filesystem::path> paths,
              std::vector<mailbox::ImapPlace> servers = {}) noexcept;
    // Stops the scan within half a second; the rows found until then show.
    void cancel() noexcept;
    // The window is closed: the scan stops, and what it found is dropped.
    void closed() noexcept;

    // Newest first, or most messages first; `ascending` turns it round.
    void sortBy(Column column, bool ascending = false) noexcept;
    // The column sorted by turns round; another starts from its own first
    // order: the most and newest first, texts from the start.
    void sortOrTurn(Column column) noexcept;
    Column sortColumn() const { return sortColumn_; }
    bool ascending() const { return ascending_; }
    // Only the rows whose texts hold `text` (letter case aside) show.
    void setFilter(std::u16string_view text) noexcept;

    std::size_t rowCount() const { return shown_.size(); }
    std::size_t allRowCount() const { return rows_.size(); }
    const mailbox::Newsletter& row(std::size_t shownRow) const { return rows_[shown_[shownRow]]; }
    std::u16string cell(std::size_t shownRow, Column column) const;
    // A still-coming row stands out.
    bool marked(std::size_t shownRow) const { return row(shownRow).stillComing; }

    // 解除: after one question, opens for each row shown at `shownRows` what a
    // drop of its latest message opens, for the address that message reached.
    void leave(const std::vector<std::size_t>& shownRows) noexcept;

private:
    void finish(mailbox::Scan found, const store::FileLoad& record);
    void show();
    void showStatus();
    // Asks once about the rows chosen, `signedRows` saying which leave by
    // one request; then opens or sends what leaves each.
    void confirmLeave(std::vector<mailbox::Newsletter> chosen,
                      std::vector<mailbox::Newsletter> mixed, const std::vector<bool>& signedRows);
    void openWays(const std::vector<const mailbox::Newsletter*>& left);
    // The one-click requests, a few at a time on a worker thread.
    void sendRequests(std::vector<mailbox::Newsletter> requests);
    void answered(const std::vector<mailbox::Newsletter>& requests,
                  const std::vector<launcher::PostAnswer>& answers);
    // Opens one row's way out: whether it opened; nothing when nothing more
    // should open.
    std::optional<bool> leaveOne(const mailbox::Newsletter& row);
    // As the main window's: on standard error too.
    void inform(std::u16string_view text);
    bool askYesNo(std::u16string_view text);
    // What an event or a posted task does, failures told.
    template <typename Act>
    void guarded(Act&& act) noexcept;

    struct Reached {
        std::shared_ptr<mailbox::ImapMemory> memory;
        bool remember = false;
        bool fromStore = false;
    };
    void addOnce(const mailbox::ImapAccount& account);
    // What a finished scan teaches about its servers' passwords.
    void settle(const mailbox::ScanReport& report, std::vector<mailbox::ServerSource>& servers,
                const std::vector<Reached>& reached);

    ListView& view_;
    Questions questions_;
    Form1& form_;
    message::Reader& reader_;
    std::vector<mailbox::MailStore> sources_;
    std::vector<mailbox::ImapAccount> servers_;
    std::filesystem::path serversFile_;
    // For each server (by its address), the password given in this window
    // and what its last scan read; a scan holds the memory while it runs.
    std::map<std::string, std::string> passwords_;
    std::map<std::string, std::shared_ptr<mailbox::ImapMemory>> memories_;
    std::vector<mailbox::Newsletter> rows_;
    std::vector<std::size_t> shown_;  // rows_ in the order shown, as filtered
    Column sortColumn_ = Column::Latest;
    bool ascending_ = false;
    std::u16string filter_;
    // What the latest scan read, once it is done: the status line counts the
    // rows shown against it.
    std::optional<std::uint64_t> messages_;
    std::u16string reportTail_;
    unsigned scans_ = 0;  // which scan is the latest
    Workers scan_;        // last: it ends before anything it uses
};

// A window's place on the screen, in the toolkit's pixels.
struct Box {
    int left, top, width, height;
    bool operator==(const Box&) const = default;
};
// What the window manager draws round a window, each side.
struct Margins {
    int left, top, right, bottom;
};

// Where a window that would like `width` by `height` opens: centred on
// `screen` (the part free of panels), no larger than it with the window
// manager's `frame` round it, its frame wholly on it.
Box fitOnScreen(int width, int height, Box screen, Margins frame);

}  // namespace nolvetta::form
