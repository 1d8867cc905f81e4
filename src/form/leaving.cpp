#include "form/leaving.h"

#include <chrono>
#include <utility>

#include "form/captions.h"
#include "launcher/launcher.h"
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

void Leaving::sayRecordLoad(const store::FileLoad& load, const Say& say) {
    if (std::exchange(loadSaid_, true)) {
        return;
    }
    const std::u16string name = captions::named(record_.path());
    if (load.state == store::FileState::Damaged) {
        say(format(captions::PartlyRead,
                   {name, captions::named(store::unusedBackupPath(record_.path()))}));
    } else if (load.state == store::FileState::Unreadable) {
        say(format(captions::CannotRead, {name, captions::cause(load.code)}));
    } else if (load.state == store::FileState::NotAFile) {
        say(format(captions::NotAFile, {name}));
    } else if (load.state == store::FileState::Hidden) {
        say(format(captions::HiddenFile, {name}));
    } else {
        loadSaid_ = false;  // nothing to say yet
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
