#include "form/leaving.h"

#include <chrono>
#include <utility>

#include "form/captions.h"
#include "launcher/launcher.h"
#include "mailbox/newsletters.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace nolvetta::form {

using captions::format;

Leaving::Leaving(launcher::Launcher& launcher, std::filesystem::path dataDirectory)
    : launcher_(launcher), record_(std::move(dataDirectory)) {}

bool Leaving::open(std::u16string_view url, const std::optional<LeaveNote>& note, const Say& say) {
    const bool mail = text::equalsIgnoringAsciiCase(url.substr(0, 7), u"mailto:");
    if (!(mail ? launcher_.openMail(url) : launcher_.open(url))) {
        say(mail ? format(captions::CannotStartMailProgram, {url})
                 : format(captions::CannotStartBrowser, {launcher_.browserCommand(), url}));
        return false;
    }
    if (note) {
        record({{*note, std::u16string(url)}}, say);
    }
    return true;
}

void Leaving::sent(std::vector<std::pair<LeaveNote, std::u16string>> requests, const Say& say) {
    for (auto& request : requests) {
        request.first.way = store::LeaveWay::OneClick;
    }
    record(requests, say);
}

void Leaving::record(const std::vector<std::pair<LeaveNote, std::u16string>>& opened,
                     const Say& say) {
    sayRecordLoad(record_.load(), say);
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    std::vector<store::LeaveEntry> entries;
    for (const auto& [note, url] : opened) {
        entries.push_back({now, note.way, note.newsletter, note.address, url});
    }
    const std::optional<store::SaveProblem> problem = record_.append(entries);
    // A record not read at the start was named then. Said once: each further
    // page would only repeat it.
    if (problem && problem->fault != store::SaveFault::NotReadAtStart &&
        problem->fault != store::SaveFault::NotAFile && !std::exchange(saveSaid_, true)) {
        say(format(captions::RecordNotSaved,
                   {captions::named(problem->file), captions::cause(problem->code)}));
    }
}

Leaving::Left Leaving::leaveBy(const message::Address& way, std::u16string newsletter,
                               std::u16string address, const Say& say, const Ask& ask) {
    if (way.scheme == message::Scheme::Http && !ask(format(captions::ConfirmHttp, {way.url}))) {
        return Left::Declined;
    }
    const LeaveNote note{mailbox::leaveWayOf(way.scheme), std::move(newsletter),
                         std::move(address)};
    return open(way.url, note, say) ? Left::Opened : Left::NotStarted;
}

void Leaving::sayRecordLoad(const store::FileLoad& load, const Say& say) {
    if (loadSaid_) {
        return;
    }
    const std::filesystem::path backup = load.state == store::FileState::Damaged
                                             ? store::unusedBackupPath(record_.path())
                                             : std::filesystem::path();
    if (const std::u16string text = captions::loadProblem(load, record_.path(), backup);
        !text.empty()) {
        loadSaid_ = true;
        say(text);
    }
}

bool leavesByOneClick(const OneClickSettings& settings, const message::Reading& reading,
                      const message::Address& way, std::string_view sent) {
    return settings.on && reading.oneClick && way.scheme == message::Scheme::Https &&
           message::oneClickSigning(sent, settings.keys) == message::OneClickSigning::Signed;
}

std::u16string notSentReason(const launcher::PostAnswer& answer) {
    using Outcome = launcher::PostAnswer::Outcome;
    switch (answer.outcome) {
        case Outcome::Sent:
            break;
        case Outcome::Refused:
            return format(captions::OneClickRefused,
                          {text::decimal(std::uintmax_t(answer.status))});
        case Outcome::Redirected:
            return format(captions::OneClickRedirected,
                          {text::decimal(std::uintmax_t(answer.status))});
        case Outcome::TimedOut:
            return std::u16string(captions::OneClickTimedOut);
        case Outcome::Certificate:
            return std::u16string(captions::OneClickCertificate);
        case Outcome::Failed:
            return format(captions::OneClickNotSent, {text::fromUtf8(answer.detail)});
        case Outcome::Cancelled:
            return std::u16string(captions::OneClickCancelled);
        case Outcome::Unavailable:
            return std::u16string(captions::OneClickUnavailable);
    }
    return {};
}

std::u16string targetText(const message::Address& address) {
    const message::Target target = message::targetOf(address);
    if (address.scheme == message::Scheme::Mailto) {
        return format(target.subject.empty() ? captions::MailTarget : captions::MailSubjectTarget,
                      {target.where, target.subject});
    }
    return target.foreignScript ? format(captions::ForeignHost, {target.where}) : target.where;
}

}  // namespace nolvetta::form
