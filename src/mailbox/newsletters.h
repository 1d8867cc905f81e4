#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "message/message.h"
#include "recognise/dropped_text.h"
#include "store/leave_record.h"

// The newsletters among the user's messages: one row for each, with what
// leaving it opens.
namespace nolvetta::mailbox {

struct Newsletter {
    std::u16string key;      // what its messages have in common: see newsletterKey
    std::u16string sender;   // of its latest message: the name, else the address
    std::u16string subject;  // of its latest message
    std::size_t count = 0;
    std::optional<std::int64_t> latest;  // the latest message's date (seconds since 1970, UTC)
    // How leaving it goes: what a drop of its latest message opens.
    store::LeaveWay way = store::LeaveWay::Page;
    std::optional<recognise::RecognisedMagazine> magazine;  // a delivery service's page
    std::optional<message::Address> address;                // else its own way out
    // Each host its messages' ways out lead to, with the domain of the sender
    // that offered it, in the order met (a few at most). More than one: a
    // message that is not the newsletter's own may have joined it, and its
    // way out would then be another's.
    struct Origin {
        std::u16string host;  // of a page, or a mail's domain
        std::u16string senderDomain;
        message::Address address;
    };
    std::vector<Origin> origins;
    bool mixed() const { return origins.size() > 1; }
    // The user's address it reaches: the first address it was delivered to
    // that is in the user's list, else the first it was delivered to.
    std::u16string reaches;
    bool reachesListed = false;
    // Where its latest message stands, when it asks to be left by one
    // request to its https way out: read again whole to check its signature.
    struct Stored {
        std::filesystem::path file;
        std::uint64_t begin = 0;
        std::uint64_t end = 0;
    };
    std::optional<Stored> oneClick;
    // The last time Nolvetta opened a way to leave it, and whether its mail
    // kept coming after that.
    std::optional<std::int64_t> leftAt;
    bool stillComing = false;
};

// The user's address a message reaches: the first it was delivered to that
// `listed` says is the user's, else the first it was delivered to.
struct Reach {
    std::u16string address;
    bool listed = false;
};
Reach reachOf(const message::Envelope& envelope,
              const std::function<bool(std::u16string_view)>& listed);

// A delivery service's magazine as the record names it: "mag2:0001234567",
// the ID as the service's page gets it.
std::u16string magazineKey(std::int16_t service, std::u16string_view id);

// The newsletter a message belongs to: its delivery service and magazine ID
// (the dropped-text rule on its first body line), else its List-Id, else
// its sender, else its way out without the query. Nothing for a message
// that offers no way out: it is no newsletter.
//
// The sender comes before the way out itself: many lists put a token of the
// reader or of the message into the address, which would make each message
// a newsletter of its own.
std::optional<std::u16string> newsletterKey(const message::Reading& message);

// How leaving by a message's own way out goes into the record.
store::LeaveWay leaveWayOf(message::Scheme scheme);

// What leaving the row opens: its delivery service's page for the address
// it reaches, else its own way out. Nothing when the service's page cannot
// be made (no address, an ID the service refuses).
std::optional<std::u16string> leaveUrl(const Newsletter& row);

// Messages grouped into newsletters as they are read.
class Newsletters {
public:
    // `userAddresses`: the user's own, as the address list holds them.
    explicit Newsletters(std::span<const std::u16string_view> userAddresses);

    // A message seen before (the same Message-ID, in another folder, say)
    // counts once. `file`: where it was read, when from a file.
    void add(const message::Reading& message, const std::filesystem::path* file = nullptr);
    std::vector<Newsletter> rows() const;

private:
    std::unordered_set<std::u16string> userAddresses_;  // in small letters
    std::unordered_map<std::u16string, Newsletter> rows_;
    // Whole Message-IDs, not hashes: two that hashed alike would lose a message.
    std::unordered_set<std::u16string> seen_;
};

// Mail that still arrives this long after a request to leave was not
// stopped. The large mail services have required bulk senders since 2024 to
// honour an unsubscribe within two days; a third day allows for mail already
// on its way and for time zones. CAN-SPAM's ten business days would hide a
// weekly newsletter's next issue.
inline constexpr std::int64_t GraceSeconds = 3 * 24 * 60 * 60;

// Sets each row's leftAt from the record (its latest entry for the row's
// newsletter) and marks a row whose latest message came more than
// GraceSeconds after that. The record is read a piece at a time; what the
// read found is returned.
store::FileLoad markLeaves(std::vector<Newsletter>& rows, const std::filesystem::path& record);
// The same for rows just left at `at`.
void markLeft(Newsletter& row, std::int64_t at);

}  // namespace nolvetta::mailbox
