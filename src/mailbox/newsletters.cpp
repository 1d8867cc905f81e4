#include "mailbox/newsletters.h"

#include <algorithm>
#include <array>

#include "requests/catalogue.h"
#include "requests/id_check.h"
#include "requests/urls.h"
#include "text/ascii.h"

namespace nolvetta::mailbox {

namespace {

// The record's names of the services, by catalogue index.
constexpr std::array<std::u16string_view, 5> ServiceKeys = {u"mag2", u"melma", u"kapu", u"tiara",
                                                            u"makey"};

std::u16string smallLetters(std::u16string_view text) {
    std::u16string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char16_t c) { return text::asciiLower(c); });
    return lower;
}

store::LeaveWay wayOf(message::Scheme scheme) {
    switch (scheme) {
        case message::Scheme::Https:
            return store::LeaveWay::Https;
        case message::Scheme::Mailto:
            return store::LeaveWay::Mail;
        case message::Scheme::Http:
            break;
    }
    return store::LeaveWay::Http;
}

}  // namespace

std::u16string magazineKey(std::int16_t service, std::u16string_view id) {
    const auto index = static_cast<std::size_t>(service);
    const requests::CheckedId checked = requests::checkId(service, id);
    const int width = requests::ServiceCatalogue[index].idWidth;
    const std::u16string sent = checked.problem == requests::IdProblem::None && width > 0
                                    ? requests::fixedWidthId(checked.id, width)
                                    : checked.id;
    return std::u16string(ServiceKeys[index]) + u':' + sent;
}

std::optional<std::u16string> newsletterKey(const message::Reading& message) {
    if (message.magazine) {
        return magazineKey(message.magazine->service, message.magazine->id);
    }
    const std::optional<message::Address> way = message::preferredAddress(message.unsubscribe);
    if (!way) {
        return std::nullopt;
    }
    if (!message.envelope.listId.empty()) {
        return u"list:" + message.envelope.listId;
    }
    if (!message.envelope.senderAddress.empty()) {
        return u"from:" + message.envelope.senderAddress;
    }
    return u"address:" + smallLetters(way->url.substr(0, way->url.find_first_of(u"?#")));
}

Newsletters::Newsletters(std::span<const std::u16string_view> userAddresses) {
    for (const std::u16string_view address : userAddresses) {
        userAddresses_.insert(smallLetters(address));
    }
}

void Newsletters::add(const message::Reading& message) {
    if (message.problem != message::Problem::None) {
        return;
    }
    std::optional<std::u16string> key = newsletterKey(message);
    if (!key) {
        return;
    }
    const message::Envelope& envelope = message.envelope;
    if (!envelope.messageId.empty() &&
        !seen_.insert(std::hash<std::u16string>()(envelope.messageId)).second) {
        return;
    }
    Newsletter& row = rows_[*key];
    ++row.count;
    // The latest message speaks for the newsletter; one without a date only
    // while no message with one came.
    if (row.count > 1 && row.latest && !(envelope.date && *envelope.date >= *row.latest)) {
        return;
    }
    row.key = std::move(*key);
    row.sender = envelope.senderName.empty() ? envelope.senderAddress : envelope.senderName;
    row.subject = envelope.subject;
    row.latest = envelope.date;
    row.magazine = message.magazine;
    row.address = message.magazine ? std::nullopt : message::preferredAddress(message.unsubscribe);
    row.way = row.address ? wayOf(row.address->scheme) : store::LeaveWay::Page;
    Reach reach = reachOf(envelope, [this](std::u16string_view address) {
        return userAddresses_.contains(std::u16string(address));
    });
    row.reaches = std::move(reach.address);
    row.reachesListed = reach.listed;
}

Reach reachOf(const message::Envelope& envelope,
              const std::function<bool(std::u16string_view)>& listed) {
    const auto found = std::find_if(envelope.recipients.begin(), envelope.recipients.end(), listed);
    if (found != envelope.recipients.end()) {
        return {*found, true};
    }
    return {envelope.recipients.empty() ? std::u16string() : envelope.recipients.front(), false};
}

std::vector<Newsletter> Newsletters::rows() const {
    std::vector<Newsletter> rows;
    rows.reserve(rows_.size());
    for (const auto& [key, row] : rows_) {
        rows.push_back(row);
    }
    return rows;
}

void markLeaves(std::vector<Newsletter>& rows, std::span<const store::LeaveEntry> record) {
    std::unordered_map<std::u16string, std::int64_t> left;
    for (const store::LeaveEntry& entry : record) {
        std::int64_t& at = left[entry.newsletter];
        at = std::max(at, entry.at);
    }
    for (Newsletter& row : rows) {
        const auto found = left.find(row.key);
        row.leftAt = found != left.end() ? std::optional(found->second) : std::nullopt;
        row.stillComing = row.leftAt && row.latest && *row.latest > *row.leftAt + GraceSeconds;
    }
}

}  // namespace nolvetta::mailbox
