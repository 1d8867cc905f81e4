#include "form/newsletter_list.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "form/captions.h"
#include "form/form1.h"
#include "mailbox/walk.h"
#include "message/reader.h"
#include "requests/catalogue.h"
#include "requests/id_check.h"
#include "requests/urls.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace nolvetta::form {

namespace {

namespace fs = std::filesystem;
using captions::format;
using mailbox::Newsletter;
using Column = NewsletterList::Column;

// More lines than this in a question would not fit on a screen.
constexpr std::size_t ListedRows = 10;

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

std::u16string wayText(const Newsletter& row) {
    switch (row.way) {
        case store::LeaveWay::Page: {
            const auto service = static_cast<std::size_t>(row.magazine->service);
            return format(captions::WayService,
                          {requests::ServiceCatalogue[service].caption, row.magazine->id});
        }
        case store::LeaveWay::Https:
            return u"https";
        case store::LeaveWay::Mail:
            return std::u16string(captions::WayMail);
        case store::LeaveWay::Http:
            break;
    }
    return u"http";
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

std::u16string smallLetters(std::u16string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char16_t c) { return text::asciiLower(c); });
    return text;
}

}  // namespace

struct NewsletterList::Report {
    std::size_t messages = 0;
    std::size_t unreadable = 0;  // files and folders
    std::vector<fs::path> missing;
    bool unavailable = false;
    bool cancelled = false;
};

NewsletterList::NewsletterList(ListView& view, Form1& form, message::Reader& reader,
                               const fs::path& home, const fs::path& dataHome)
    : view_(view),
      form_(form),
      reader_(reader),
      sources_(mailbox::findMailStores(home, dataHome)) {}

NewsletterList::~NewsletterList() = default;

void NewsletterList::scan(std::vector<fs::path> paths) {
    if (scan_.joinable()) {
        scan_.request_stop();
        scan_.join();
    }
    const unsigned scan = ++scans_;
    std::vector<std::u16string> addresses(form_.deletionAddresses().begin(),
                                          form_.deletionAddresses().end());
    view_.setScanning(true);
    view_.setStatus(captions::ListScanning);
    view_.setProgress(0, 0);
    scan_ = std::jthread([this, paths = std::move(paths), addresses = std::move(addresses),
                          scan](std::stop_token stop) {
        const std::vector<std::u16string_view> own(addresses.begin(), addresses.end());
        mailbox::Newsletters newsletters(own);
        Report report;
        std::vector<mailbox::MailFile> files;
        for (const fs::path& path : paths) {
            mailbox::Walk walk = mailbox::mailFilesUnder(path, stop);
            if (walk.missing) {
                report.missing.push_back(path);
            }
            report.unreadable += walk.unreadable.size();
            std::move(walk.files.begin(), walk.files.end(), std::back_inserter(files));
        }
        std::uint64_t total = 0;
        for (const mailbox::MailFile& file : files) {
            total += file.size;
        }
        std::uint64_t done = 0;
        auto shown = std::chrono::steady_clock::now();
        const auto progress = [&](std::uint64_t at) {
            if (const auto now = std::chrono::steady_clock::now(); now - shown >= ProgressEvery) {
                shown = now;
                view_.post([this, scan, at, total] {
                    if (scan == scans_) {
                        view_.setProgress(at, total);
                    }
                });
            }
        };
        for (const mailbox::MailFile& file : files) {
            if (stop.stop_requested()) {
                break;
            }
            const message::FileReading read = reader_.scanFile(
                file.path, stop, [&](message::Reading&& message, std::uint64_t readUpTo) {
                    ++report.messages;
                    newsletters.add(message);
                    progress(done + std::min<std::uint64_t>(readUpTo, file.size));
                });
            if (read.problem == message::FileProblem::Unavailable) {
                report.unavailable = true;
                break;
            }
            report.unreadable += read.problem == message::FileProblem::Unreadable ? 1 : 0;
            done += file.size;
            progress(done);
        }
        report.cancelled = stop.stop_requested();
        view_.post([this, scan, rows = newsletters.rows(), report]() mutable {
            if (scan == scans_) {
                finish(std::move(rows), report);
            }
        });
    });
}

void NewsletterList::cancel() {
    scan_.request_stop();
}

void NewsletterList::finish(std::vector<Newsletter> rows, const Report& report) {
    rows_ = std::move(rows);
    const auto say = [this](std::u16string_view text) { view_.inform(text); };
    mailbox::markLeaves(rows_, form_.leaving().record(say));
    show();
    view_.setScanning(false);
    std::u16string status =
        format(captions::ListFound, {text::decimal(rows_.size()), text::decimal(report.messages)});
    if (report.cancelled) {
        status += captions::ListCancelled;
    }
    if (report.unreadable > 0) {
        status += format(captions::ListUnreadableFiles, {text::decimal(report.unreadable)});
    }
    for (const fs::path& path : report.missing) {
        status += format(captions::ListMissing, {captions::named(path)});
    }
    view_.setStatus(status);
    if (report.unavailable) {
        view_.inform(format(captions::CannotReadMessages, {captions::MenuNewsletterList}));
    }
}

void NewsletterList::sortBy(Column column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    show();
}

void NewsletterList::setFilter(std::u16string_view text) {
    filter_ = smallLetters(std::u16string(text));
    show();
}

void NewsletterList::show() {
    shown_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Newsletter& row = rows_[i];
        const std::u16string texts =
            smallLetters(row.sender + u'\n' + row.subject + u'\n' + row.reaches + u'\n' +
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
}

std::u16string NewsletterList::cell(std::size_t shownRow, Column column) const {
    return cellOf(row(shownRow), column);
}

void NewsletterList::leave(const std::vector<std::size_t>& shownRows) {
    // Copies: a scan that ends while the question waits replaces the rows.
    std::vector<Newsletter> chosen;
    for (const std::size_t i : shownRows) {
        if (i < shown_.size()) {
            chosen.push_back(row(i));
        }
    }
    if (chosen.empty()) {
        return;
    }
    const auto mails = std::size_t(std::count_if(chosen.begin(), chosen.end(), [](const auto& r) {
        return r.way == store::LeaveWay::Mail;
    }));
    std::u16string lines;
    for (std::size_t i = 0; i < chosen.size() && i < ListedRows; ++i) {
        lines += format(captions::ListLine, {chosen[i].sender, wayText(chosen[i])}) + u'\n';
    }
    if (chosen.size() > ListedRows) {
        lines += format(captions::AndMore, {text::decimal(chosen.size() - ListedRows)}) + u'\n';
    }
    lines.pop_back();
    if (!view_.askYesNo(format(captions::ConfirmList,
                               {text::decimal(chosen.size()), text::decimal(chosen.size() - mails),
                                text::decimal(mails), lines}))) {
        return;
    }
    for (const Newsletter& row : chosen) {
        if (!leaveOne(row)) {
            break;  // a program that did not start will not start for the next row either
        }
    }
    const auto say = [this](std::u16string_view text) { view_.inform(text); };
    mailbox::markLeaves(rows_, form_.leaving().record(say));
    show();
}

bool NewsletterList::leaveOne(const Newsletter& row) {
    const auto say = [this](std::u16string_view text) { view_.inform(text); };
    const LeaveNote note{row.way, row.key, row.reaches};
    if (row.magazine) {
        const requests::CheckedId id = requests::checkId(row.magazine->service, row.magazine->id);
        if (row.reaches.empty()) {
            view_.inform(format(captions::NoAddressFor, {row.sender}));
        } else if (id.problem != requests::IdProblem::None) {
            view_.inform(format(captions::InvalidIdFor, {row.sender, row.magazine->id}));
        } else {
            return form_.leaving().open(
                requests::unsubscribeUrl(row.magazine->service, row.reaches, id.id), note, say);
        }
        return true;
    }
    if (!row.address || (row.way == store::LeaveWay::Http &&
                         !view_.askYesNo(format(captions::ConfirmHttp, {row.address->url})))) {
        return true;
    }
    return form_.leaving().open(row.address->url, note, say);
}

}  // namespace nolvetta::form
