#include "form/newsletter_list.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "form/captions.h"
#include "form/form1.h"
#include "form/guarded.h"
#include "form/servers.h"
#include "mailbox/scan.h"
#include "message/dkim.h"
#include "message/reader.h"
#include "requests/catalogue.h"
#include "requests/id_check.h"
#include "requests/urls.h"
#include "store/data_files.h"
#include "store/safe_save.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace nolvetta::form {

namespace {

namespace fs = std::filesystem;
using captions::format;
using mailbox::Newsletter;
using Column = NewsletterList::Column;

// The progress bar moves often enough to show life, seldom enough to cost nothing.
constexpr auto ProgressEvery = std::chrono::milliseconds(100);

// The day alone where the time would only crowd the text.
std::u16string localDate(std::int64_t seconds, bool withTime = true) {
    const auto at = static_cast<std::time_t>(seconds);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &at);
#else
    localtime_r(&at, &local);
#endif
    char date[32];
    std::strftime(date, sizeof date, withTime ? "%Y-%m-%d %H:%M" : "%Y-%m-%d", &local);
    return text::fromUtf8(date);
}

std::u16string plainWayText(const Newsletter& row) {
    switch (row.way) {
        case store::LeaveWay::Page: {
            const auto service = static_cast<std::size_t>(row.magazine->service);
            return format(captions::WayService,
                          {requests::ServiceCatalogue[service].caption, row.magazine->id});
        }
        case store::LeaveWay::Https:
        case store::LeaveWay::OneClick:
            return u"https";
        case store::LeaveWay::Mail:
            return std::u16string(captions::WayMail);
        case store::LeaveWay::Http:
            break;
    }
    return u"http";
}

std::u16string wayText(const Newsletter& row) {
    return row.mixed() ? format(captions::WayMixed, {plainWayText(row)}) : plainWayText(row);
}

// What leaving the row opens, as its question names it.
std::u16string targetOf(const Newsletter& row) {
    return row.address ? targetText(*row.address) : plainWayText(row);
}

std::u16string cellOf(const Newsletter& row, Column column) {
    switch (column) {
        case Column::Sender:
            return row.sender;
        case Column::Subject:
            return row.subject;
        case Column::Count:
            return text::decimal(row.count);
        case Column::Latest:
            return row.latest ? localDate(*row.latest) : std::u16string();
        case Column::Way:
            return wayText(row);
        case Column::Reaches:
            return row.reaches;
        case Column::Left:
            break;
    }
    if (row.stillComing) {
        return format(captions::StillComing,
                      {localDate(*row.leftAt, false), localDate(*row.latest, false)});
    }
    return row.leftAt ? format(captions::LeftAt, {localDate(*row.leftAt, false)})
                      : std::u16string();
}

}  // namespace

NewsletterList::NewsletterList(ListView& view, Form1& form, message::Reader& reader,
                               const fs::path& home, const fs::path& dataHome,
                               const fs::path& configHome)
    : view_(view),
      questions_([&view](std::function<void()> task) { view.post(std::move(task)); }),
      form_(form),
      reader_(reader),
      sources_(mailbox::findMailStores(home, dataHome)),
      servers_(mailbox::findImapAccounts(home, configHome)),
      serversFile_(form.leaving().recordPath().parent_path() / mailbox::ServersFileName) {
    std::string added;
    store::readDataFile(serversFile_, added);
    for (const mailbox::ImapAccount& account : mailbox::accountsOf(added)) {
        addOnce(account);
    }
}

// An account is the same whatever program found it.
void NewsletterList::addOnce(const mailbox::ImapAccount& account) {
    const std::string address = mailbox::imapAddressOf(account);
    if (std::none_of(servers_.begin(), servers_.end(), [&](const mailbox::ImapAccount& known) {
            return mailbox::imapAddressOf(known) == address;
        })) {
        servers_.push_back(account);
    }
}

bool NewsletterList::addServer(const mailbox::ImapAccount& account) noexcept {
    bool added = false;
    guarded([&] {
        if (account.security == mailbox::ImapSecurity::None) {
            inform(format(captions::ServerInsecure, {mailbox::accountText(account)}));
            return;
        }
        std::vector<mailbox::ImapAccount> kept;
        std::string text;
        store::readDataFile(serversFile_, text);
        kept = mailbox::accountsOf(text);
        if (std::find(kept.begin(), kept.end(), account) == kept.end()) {
            kept.push_back(account);
        }
        if (const std::error_code error =
                store::saveFileSafely(serversFile_, mailbox::accountsText(kept))) {
            inform(format(captions::ServersNotSaved,
                          {captions::named(serversFile_), captions::cause(error)}));
            return;
        }
        addOnce(account);
        added = true;
    });
    return added;
}

NewsletterList::~NewsletterList() = default;

template <typename Act>
void NewsletterList::guarded(Act&& act) noexcept {
    form::guarded(std::forward<Act>(act), [this](std::u16string_view why) { inform(why); });
}

void NewsletterList::inform(std::u16string_view text) {
    Form1::log(text);
    questions_.ask([&] { view_.inform(Form1::shortened(text)); });
}

bool NewsletterList::askYesNo(std::u16string_view text) {
    Form1::log(text);
    return questions_.ask([&] { return view_.askYesNo(Form1::shortened(text)); });
}

void NewsletterList::scan(std::vector<fs::path> paths,
                          std::vector<mailbox::ImapPlace> places) noexcept {
    guarded([&] {
        std::vector<mailbox::ServerSource> servers;
        std::vector<Reached> reached;
        for (mailbox::ImapPlace& place : places) {
            const std::string key = mailbox::imapAddressOf(place.account);
            Reached how;
            std::optional<std::string> password;
            if (const auto given = passwords_.find(key); given != passwords_.end()) {
                password = given->second;
            } else if ((password = mailbox::keptPassword(place.account))) {
                how.fromStore = true;
            } else if (std::optional<ListView::Password> asked =
                           view_.askPassword(mailbox::accountText(place.account))) {
                password = std::move(asked->password);
                how.remember = asked->remember;
            }
            if (!password) {
                continue;
            }
            // Taken while the scan runs: one that was given up may still hold its own.
            how.memory = std::move(memories_[key]);
            if (!how.memory) {
                how.memory = std::make_shared<mailbox::ImapMemory>();
            }
            servers.push_back({std::move(place), std::move(*password), how.memory.get()});
            reached.push_back(std::move(how));
        }
        if (paths.empty() && servers.empty()) {
            return;
        }
        const unsigned scan = ++scans_;
        std::vector<std::u16string> addresses(form_.deletionAddresses().begin(),
                                              form_.deletionAddresses().end());
        view_.setScanning(true);
        messages_.reset();
        view_.setStatus(captions::ListScanning);
        view_.setProgress(0, 0);
        scan_.start([this, paths = std::move(paths), addresses = std::move(addresses),
                     servers = std::move(servers), reached = std::move(reached),
                     recordFile = form_.leaving().recordPath(),
                     scan](std::stop_token stop) mutable {
            form::guarded(
                [&] {
                    const std::vector<std::u16string_view> own(addresses.begin(), addresses.end());
                    auto shown = std::chrono::steady_clock::now();
                    mailbox::Scan found =
                        mailbox::scanMail(paths, servers, own, reader_, stop,
                                          [&](std::uint64_t done, std::uint64_t total) {
                                              if (const auto now = std::chrono::steady_clock::now();
                                                  now - shown >= ProgressEvery) {
                                                  shown = now;
                                                  // Only a bar: it need not wait for a question.
                                                  view_.post([this, scan, done, total] {
                                                      if (scan == scans_) {
                                                          view_.setProgress(done, total);
                                                      }
                                                  });
                                              }
                                          });
                    const store::FileLoad record = mailbox::markLeaves(found.rows, recordFile);
                    questions_.post([this, scan, found = std::move(found), record,
                                     servers = std::move(servers),
                                     reached = std::move(reached)]() mutable {
                        guarded([&] {
                            if (scan == scans_) {
                                settle(found.report, servers, reached);
                                finish(std::move(found), record);
                            }
                        });
                    });
                },
                [this, scan](std::u16string_view why) {
                    questions_.post([this, scan, why = std::u16string(why)] {
                        if (scan == scans_) {
                            view_.setScanning(false);
                            inform(why);
                        }
                    });
                });
        });
    });
}

void NewsletterList::settle(const mailbox::ScanReport& report,
                            std::vector<mailbox::ServerSource>& servers,
                            const std::vector<Reached>& reached) {
    for (std::size_t i = 0; i < servers.size() && i < report.servers.size(); ++i) {
        const mailbox::ImapAccount& account = servers[i].place.account;
        const std::string key = mailbox::imapAddressOf(account);
        memories_[key] = reached[i].memory;
        const mailbox::ImapFailure failure = report.servers[i].report.failure;
        if (failure == mailbox::ImapFailure::Login) {
            // Asked again next time, not tried again and again.
            passwords_.erase(key);
            if (reached[i].fromStore) {
                mailbox::forgetPassword(account);
            }
            continue;
        }
        if (failure != mailbox::ImapFailure::None) {
            continue;
        }
        if (reached[i].remember && !mailbox::keepPassword(account, servers[i].password)) {
            inform(format(captions::PasswordNotKept, {mailbox::accountText(account)}));
        }
        passwords_[key] = std::move(servers[i].password);
    }
}

void NewsletterList::cancel() noexcept {
    guarded([&] { scan_.stopLatest(); });
}

void NewsletterList::closed() noexcept {
    guarded([&] {
        ++scans_;
        scan_.stopLatest();
        view_.setScanning(false);
    });
}

void NewsletterList::finish(mailbox::Scan found, const store::FileLoad& record) {
    rows_ = std::move(found.rows);
    const mailbox::ScanReport& report = found.report;
    form_.leaving().sayRecordLoad(record, [this](std::u16string_view text) { inform(text); });
    std::u16string tail;
    if (report.cancelled) {
        tail += captions::ListCancelled;
    }
    if (report.unreadable > 0) {
        tail += format(captions::ListUnreadableFiles, {text::decimal(report.unreadable)});
    }
    if (report.tooLarge > 0) {
        tail += format(captions::ListTooLarge, {text::decimal(report.tooLarge)});
    }
    if (report.skippedLinks > 0) {
        tail += format(captions::ListSkippedLinks, {text::decimal(report.skippedLinks)});
    }
    for (const fs::path& path : report.missing) {
        tail += format(captions::ListMissing, {captions::named(path)});
    }
    messages_ = report.messages;
    reportTail_ = std::move(tail);
    show();
    view_.setScanning(false);
    if (report.unavailable) {
        inform(format(captions::CannotReadMessages, {captions::MenuNewsletterList}));
    }
    for (const mailbox::ServerReport& server : report.servers) {
        if (const std::optional<std::u16string> message = serverMessage(server)) {
            inform(*message);
        }
    }
}

// A filter that hides rows says how many of them show.
void NewsletterList::showStatus() {
    if (!messages_) {
        return;  // still reading: the status says so
    }
    const std::u16string all = text::decimal(rows_.size());
    const std::u16string messages = text::decimal(*messages_);
    view_.setStatus((filter_.empty() ? format(captions::ListFound, {all, messages})
                                     : format(captions::ListFoundFiltered,
                                              {all, text::decimal(shown_.size()), messages})) +
                    reportTail_);
}

void NewsletterList::sortBy(Column column, bool ascending) noexcept {
    guarded([&] {
        sortColumn_ = column;
        ascending_ = ascending;
        show();
    });
}

void NewsletterList::sortOrTurn(Column column) noexcept {
    const bool textFirst = column == Column::Sender || column == Column::Subject ||
                           column == Column::Way || column == Column::Reaches;
    sortBy(column, column == sortColumn_ ? !ascending_ : textFirst);
}

void NewsletterList::setFilter(std::u16string_view text) noexcept {
    guarded([&] {
        filter_ = text::asciiLowered(std::u16string(text));
        show();
    });
}

void NewsletterList::show() {
    shown_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Newsletter& row = rows_[i];
        const std::u16string texts =
            text::asciiLowered(row.sender + u'\n' + row.subject + u'\n' + row.reaches + u'\n' +
                               wayText(row) + u'\n' + (row.address ? row.address->url : u""));
        if (texts.find(filter_) != std::u16string::npos) {
            shown_.push_back(i);
        }
    }
    const auto less = [this](std::size_t a, std::size_t b) {
        const Newsletter& x = rows_[a];
        const Newsletter& y = rows_[b];
        switch (sortColumn_) {
            case Column::Count:
                return std::pair(x.count, x.latest) < std::pair(y.count, y.latest);
            case Column::Latest:
                return x.latest < y.latest;
            case Column::Left:
                return std::pair(x.stillComing, x.leftAt) < std::pair(y.stillComing, y.leftAt);
            default:
                return cellOf(x, sortColumn_) < cellOf(y, sortColumn_);
        }
    };
    std::stable_sort(shown_.begin(), shown_.end(), [&](std::size_t a, std::size_t b) {
        return ascending_ ? less(a, b) : less(b, a);
    });
    view_.rowsChanged();
    showStatus();
}

std::u16string NewsletterList::cell(std::size_t shownRow, Column column) const {
    return cellOf(row(shownRow), column);
}

void NewsletterList::leave(const std::vector<std::size_t>& shownRows) noexcept {
    guarded([&] {
        // Copies: a scan that ends while a question waits replaces the rows.
        std::vector<Newsletter> chosen, mixed;
        for (const std::size_t i : shownRows) {
            if (i < shown_.size()) {
                (row(i).mixed() ? mixed : chosen).push_back(row(i));
            }
        }
        const OneClickSettings settings = form_.leaving().oneClick;
        if (!settings.on || std::none_of(chosen.begin(), chosen.end(),
                                         [](const Newsletter& r) { return r.oneClick; })) {
            return confirmLeave(std::move(chosen), std::move(mixed), {});
        }
        // Their latest messages' signatures first, away from the window: the DNS may be slow.
        const unsigned job = ++scans_;
        view_.setScanning(true);
        view_.setStatus(captions::ListChecking);
        view_.setProgress(0, 0);
        scan_.start([this, chosen = std::move(chosen), mixed = std::move(mixed), settings,
                     job](std::stop_token stop) mutable {
            form::guarded(
                [&] {
                    std::vector<bool> signedRows;
                    for (const Newsletter& r : chosen) {
                        const std::optional<std::string> sent =
                            r.oneClick ? message::storedMessage(r.oneClick->file, r.oneClick->begin,
                                                                r.oneClick->end)
                                       : std::nullopt;
                        signedRows.push_back(sent && !stop.stop_requested() &&
                                             message::oneClickSigning(*sent, settings.keys) ==
                                                 message::OneClickSigning::Signed);
                    }
                    questions_.post([this, chosen = std::move(chosen), mixed = std::move(mixed),
                                     signedRows = std::move(signedRows), job]() mutable {
                        guarded([&] {
                            if (job == scans_) {
                                view_.setScanning(false);
                                showStatus();
                                confirmLeave(std::move(chosen), std::move(mixed), signedRows);
                            }
                        });
                    });
                },
                [this](std::u16string_view why) {
                    questions_.post([this, why = std::u16string(why)] {
                        view_.setScanning(false);
                        inform(why);
                    });
                });
        });
    });
}

void NewsletterList::confirmLeave(std::vector<Newsletter> chosen, std::vector<Newsletter> mixed,
                                  const std::vector<bool>& signedRows) {
    const auto byOneClick = [&](std::size_t i) { return i < signedRows.size() && signedRows[i]; };
    std::vector<const Newsletter*> left;
    std::vector<Newsletter> requests;
    if (!chosen.empty()) {
        std::size_t mails = 0, oneClicks = 0;
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            oneClicks += byOneClick(i) ? 1 : 0;
            mails += !byOneClick(i) && chosen[i].way == store::LeaveWay::Mail ? 1 : 0;
        }
        const std::u16string lines = captions::listed(chosen.size(), [&](std::size_t i) {
            const std::u16string target =
                byOneClick(i) ? format(captions::OneClickTarget, {targetOf(chosen[i])})
                              : targetOf(chosen[i]);
            return format(captions::ListLine, {chosen[i].sender, target});
        });
        const std::u16string count = text::decimal(chosen.size());
        const std::u16string pages = text::decimal(chosen.size() - mails - oneClicks);
        const std::u16string question =
            oneClicks == 0
                ? format(captions::ConfirmList, {count, pages, text::decimal(mails), lines})
                : format(captions::ConfirmListOneClick,
                         {count, text::decimal(oneClicks), pages, text::decimal(mails), lines});
        if (askYesNo(question)) {
            for (std::size_t i = 0; i < chosen.size(); ++i) {
                if (byOneClick(i)) {
                    requests.push_back(chosen[i]);
                } else {
                    left.push_back(&chosen[i]);
                }
            }
        }
    }
    // Each on its own: which of its ways is the newsletter's own, only the user can tell.
    for (const Newsletter& row : mixed) {
        std::u16string lines;
        for (const Newsletter::Origin& origin : row.origins) {
            lines += format(captions::MixedLine, {origin.senderDomain, targetText(origin.address)});
            lines += u'\n';
        }
        lines.pop_back();
        if (askYesNo(format(captions::ConfirmMixed, {row.sender, lines, targetOf(row)}))) {
            left.push_back(&row);
        }
    }
    openWays(left);
    if (!requests.empty()) {
        sendRequests(std::move(requests));
    }
}

void NewsletterList::openWays(const std::vector<const Newsletter*>& left) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    for (const Newsletter* row : left) {
        const std::optional<bool> opened = leaveOne(*row);
        if (!opened) {
            break;  // a program that did not start will not start for the next row either
        }
        for (Newsletter& shown : rows_) {
            if (*opened && shown.key == row->key) {
                mailbox::markLeft(shown, now);
            }
        }
    }
    show();
}

void NewsletterList::sendRequests(std::vector<Newsletter> requests) {
    const unsigned job = ++scans_;
    view_.setScanning(true);
    view_.setStatus(captions::ListSending);
    view_.setProgress(0, requests.size());
    scan_.start([this, requests = std::move(requests), job](std::stop_token stop) mutable {
        form::guarded(
            [&] {
                std::vector<std::string> urls;
                for (const Newsletter& r : requests) {
                    urls.push_back(text::toUtf8(r.address->url));
                }
                std::vector<launcher::PostAnswer> answers = launcher::postOneClick(
                    urls, {},
                    [this, job](std::size_t done, std::size_t total) {
                        view_.post([this, job, done, total] {
                            if (job == scans_) {
                                view_.setProgress(done, total);
                            }
                        });
                    },
                    stop);
                questions_.post(
                    [this, requests = std::move(requests), answers = std::move(answers), job] {
                        guarded([&] {
                            if (job == scans_) {
                                view_.setScanning(false);
                                answered(requests, answers);
                            }
                        });
                    });
            },
            [this](std::u16string_view why) {
                questions_.post([this, why = std::u16string(why)] {
                    view_.setScanning(false);
                    inform(why);
                });
            });
    });
}

void NewsletterList::answered(const std::vector<Newsletter>& requests,
                              const std::vector<launcher::PostAnswer>& answers) {
    std::vector<std::pair<LeaveNote, std::u16string>> sent;
    std::vector<const Newsletter*> failed;
    std::vector<std::u16string> reasons;
    for (std::size_t i = 0; i < requests.size() && i < answers.size(); ++i) {
        const Newsletter& r = requests[i];
        if (answers[i].outcome == launcher::PostAnswer::Outcome::Sent) {
            sent.push_back({LeaveNote{r.way, r.key, r.reaches}, r.address->url});
        } else {
            failed.push_back(&r);
            reasons.push_back(notSentReason(answers[i]));
        }
    }
    if (!sent.empty()) {
        form_.leaving().sent(sent, [this](std::u16string_view text) { inform(text); });
        const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        for (Newsletter& shown : rows_) {
            if (std::any_of(sent.begin(), sent.end(),
                            [&](const auto& s) { return s.first.newsletter == shown.key; })) {
                mailbox::markLeft(shown, now);
            }
        }
    }
    show();
    if (!failed.empty()) {
        const std::u16string lines = captions::listed(failed.size(), [&](std::size_t i) {
            return format(captions::FailedLine,
                          {failed[i]->sender, targetOf(*failed[i]), reasons[i]});
        });
        if (askYesNo(format(captions::ListOneClickFailed, {text::decimal(failed.size()), lines}))) {
            openWays(failed);
        }
    }
    view_.setStatus(format(captions::ListOneClickDone, {text::decimal(sent.size())}));
}

std::optional<bool> NewsletterList::leaveOne(const Newsletter& row) {
    const auto say = [this](std::u16string_view text) { inform(text); };
    // Its own way out, else its delivery service's page for the address it reaches.
    if (row.address) {
        const Leaving::Left left =
            form_.leaving().leaveBy(*row.address, row.key, row.reaches, say,
                                    [this](std::u16string_view text) { return askYesNo(text); });
        return left == Leaving::Left::NotStarted ? std::nullopt
                                                 : std::optional(left == Leaving::Left::Opened);
    }
    const std::optional<std::u16string> url = mailbox::leaveUrl(row);
    if (row.magazine && row.reaches.empty()) {
        inform(format(captions::NoAddressFor, {row.sender}));
    } else if (row.magazine && !url) {
        inform(format(captions::InvalidIdFor, {row.sender, row.magazine->id}));
    }
    if (!url) {
        return false;
    }
    return form_.leaving().open(*url, LeaveNote{row.way, row.key, row.reaches}, say)
               ? std::optional(true)
               : std::nullopt;
}

Box fitOnScreen(int width, int height, Box screen, Margins frame) {
    width = std::max(1, std::min(width, screen.width - frame.left - frame.right));
    height = std::max(1, std::min(height, screen.height - frame.top - frame.bottom));
    const int outerWidth = width + frame.left + frame.right;
    const int outerHeight = height + frame.top + frame.bottom;
    return {screen.left + std::max(0, (screen.width - outerWidth) / 2) + frame.left,
            screen.top + std::max(0, (screen.height - outerHeight) / 2) + frame.top, width, height};
}

}  // namespace nolvetta::form
