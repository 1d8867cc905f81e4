#include "form/leaving.h"

#include <chrono>
#include <utility>

#include "form/captions.h"
#include "launcher/launcher.h"
#include "mailbox/newsletters.h"
#include "text/ascii.h"

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
    if (!note) {
        return true;
    }
    sayRecordLoad(record_.load(), say);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const store::LeaveEntry entry{std::chrono::duration_cast<std::chrono::seconds>(now).count(),
                                  note->way, note->newsletter, note->address, std::u16string(url)};
    const std::optional<store::SaveProblem> problem = record_.append({&entry, 1});
    // A record not read at the start was named then. Said once: each further
    // page would only repeat it.
    if (problem && problem->fault != store::SaveFault::NotReadAtStart &&
        problem->fault != store::SaveFault::NotAFile && !std::exchange(saveSaid_, true)) {
        say(format(captions::RecordNotSaved,
                   {captions::named(problem->file), captions::cause(problem->code)}));
    }
    return true;
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

std::u16string targetText(const message::Address& address) {
    const message::Target target = message::targetOf(address);
    if (address.scheme == message::Scheme::Mailto) {
        return format(target.subject.empty() ? captions::MailTarget : captions::MailSubjectTarget,
                      {target.where, target.subject});
    }
    return target.foreignScript ? format(captions::ForeignHost, {target.where}) : target.where;
}

}  // namespace nolvetta::form
