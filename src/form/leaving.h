#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/leave_record.h"

namespace nolvetta::launcher {
class Launcher;
}

namespace nolvetta::form {

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

    Leaving(launcher::Launcher& launcher, std::filesystem::path dataDirectory);

    // Opens a mailto: address in the mail program, anything else in the
    // browser; false when it did not start. Recorded when `note` is given.
    bool open(std::u16string_view url, const std::optional<LeaveNote>& note, const Say& say);
    // The record; what kept it from being read in full is said once.
    std::span<const store::LeaveEntry> record(const Say& say);

private:
    void sayLoad(const Say& say);

    launcher::Launcher& launcher_;
    store::LeaveRecord record_;
    bool loadSaid_ = false;
    bool saveSaid_ = false;
};

}  // namespace nolvetta::form
