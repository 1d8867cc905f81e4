#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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
    std::filesystem::path recordPath() const { return record_.path(); }
    // What kept the record from being read in full, as a reading of it
    // found; said once.
    void sayRecordLoad(const store::FileLoad& load, const Say& say);

private:
    launcher::Launcher& launcher_;
    store::LeaveRecord record_;
    bool loadSaid_ = false;
    bool saveSaid_ = false;
};

}  // namespace nolvetta::form
