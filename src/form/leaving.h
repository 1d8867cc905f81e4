#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "launcher/one_click.h"
#include "message/dkim.h"
#include "message/message.h"
#include "store/leave_record.h"

namespace nolvetta::launcher {
class Launcher;
}

namespace nolvetta::form {

// An address as every question names it before it opens: a page by its
// scheme and whole host, a host in another script marked; a mail by its
// recipients and subject.
std::u16string targetText(const message::Address& address);

// What a page opened to leave a newsletter goes into the record as.
struct LeaveNote {
    store::LeaveWay way;
    std::u16string newsletter;  // see mailbox::newsletterKey
    std::u16string address;     // the user's, or empty
};

// Whether leaving by one request is on, and where the signers' keys are
// found: copied to a worker thread that checks a message.
struct OneClickSettings {
    bool on = true;
    message::DkimKeys keys;
};

// Whether a message, `sent` as its bytes were sent, leaves by one request
// to `way`: switched on, asked for, and signed by its sender. Slow (it asks
// the DNS): for a worker thread.
bool leavesByOneClick(const OneClickSettings& settings, const message::Reading& reading,
                      const message::Address& way, std::string_view sent);

// Why a one-click request did not arrive, as a question names it.
std::u16string notSentReason(const launcher::PostAnswer& answer);

// The one way the window and its newsletter list open a page or the mail
// program: what fails is said, and each way opened to leave a newsletter
// is added to the record in the data folder.
class Leaving {
public:
    using Say = std::function<void(std::u16string_view)>;
    using Ask = std::function<bool(std::u16string_view)>;

    Leaving(launcher::Launcher& launcher, std::filesystem::path dataDirectory);

    // Opens a mailto: address in the mail program, anything else in the
    // browser; false when it did not start. Recorded when `note` is given.
    bool open(std::u16string_view url, const std::optional<LeaveNote>& note, const Say& say);
    // What came of leaving by a message's own way out.
    enum class Left { Opened, Declined, NotStarted };
    // A message's own way out, taken as each is: https opens, mailto goes to
    // the mail program, plain http only when `ask` agrees to it. Recorded as
    // leaving `newsletter` for the user's `address`.
    Left leaveBy(const message::Address& way, std::u16string newsletter, std::u16string address,
                 const Say& say, const Ask& ask);
    // One-click requests, each to its address, were answered: into the record.
    void sent(std::vector<std::pair<LeaveNote, std::u16string>> requests, const Say& say);
    OneClickSettings oneClick;
    std::filesystem::path recordPath() const { return record_.path(); }
    // What kept the record from being read in full, as a reading of it
    // found; said once.
    void sayRecordLoad(const store::FileLoad& load, const Say& say);

private:
    void record(const std::vector<std::pair<LeaveNote, std::u16string>>& opened, const Say& say);

    launcher::Launcher& launcher_;
    store::LeaveRecord record_;
    bool loadSaid_ = false;
    bool saveSaid_ = false;
};

}  // namespace nolvetta::form
