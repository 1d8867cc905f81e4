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

}  // namespace

store::LeaveWay leaveWayOf(message::Scheme scheme) {
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
    return u"address:" + text::asciiLowered(way->url.substr(0, way->url.find_first_of(u"?#")));
}

namespace {

// A few are enough to show that they differ.
constexpr std::size_t MaxOrigins = 4;

std::u16string domainOf(std::u16string_view address) {
    return text::asciiLowered(
        std::u16string(address.substr(std::min(address.rfind(u'@') + 1, address.size()))));
}

void noteOrigin(Newsletter& row, const message::Reading& message) {
    const std::optional<message::Address> way =
        message.magazine ? std::nullopt : message::preferredAddress(message.unsubscribe);
    if (!way || row.origins.size() >= MaxOrigins) {
        return;  // a service's page leads where its ID says, whoever sent it
    }
    const message::Target target = message::targetOf(*way);
    Newsletter::Origin origin{
        text::asciiLowered(way->scheme == message::Scheme::Mailto
                               ? domainOf(target.where)
                               : target.where.substr(target.where.find(u"//") + 2)),
        domainOf(message.envelope.senderAddress), *way};
    if (std::none_of(row.origins.begin(), row.origins.end(), [&](const Newsletter::Origin& o) {
            return o.host == origin.host && o.senderDomain == origin.senderDomain;
        })) {
        row.origins.push_back(std::move(origin));
    }
}

}  // namespace

std::optional<std::u16string> leaveUrl(const Newsletter& row) {
    if (!row.magazine) {
        return row.address ? std::optional(row.address->url) : std::nullopt;
    }
    const requests::CheckedId id = requests::checkId(row.magazine->service, row.magazine->id);
    if (row.reaches.empty() || id.problem != requests::IdProblem::None) {
        return std::nullopt;
    }
    return requests::unsubscribeUrl(row.magazine->service, row.reaches, id.id);
}

Newsletters::Newsletters(std::span<const std::u16string_view> userAddresses) {
    for (const std::u16string_view address : userAddresses) {
        userAddresses_.insert(text::asciiLowered(std::u16string(address)));
    }
}

void Newsletters::add(const message::Reading& message, const std::filesystem::path* file) {
    if (message.problem != message::Problem::None) {
        return;
    }
    std::optional<std::u16string> key = newsletterKey(message);
    if (!key) {
        return;
    }
    const message::Envelope& envelope = message.envelope;
    if (!envelope.messageId.empty() && !seen_.insert(envelope.messageId).second) {
        return;
    }
    Newsletter& row = rows_[*key];
    ++row.count;
    noteOrigin(row, message);
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
    row.way = row.address ? leaveWayOf(row.address->scheme) : store::LeaveWay::Page;
    row.oneClick.reset();
    if (file && message.oneClick && row.address && row.address->scheme == message::Scheme::Https) {
        row.oneClick = Newsletter::Stored{*file, message.begin, message.end};
    }
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

store::FileLoad markLeaves(std::vector<Newsletter>& rows, const std::filesystem::path& record) {
    // As the record holds the key: a List-Id may hold characters it does not.
    std::unordered_map<std::u16string, std::vector<std::size_t>> byKey;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].leftAt.reset();
        rows[i].stillComing = false;
        byKey[store::recordText(rows[i].key)].push_back(i);
    }
    const store::FileLoad load = store::readRecord(record, [&](store::LeaveEntry&& entry) {
        if (const auto found = byKey.find(entry.newsletter); found != byKey.end()) {
            for (const std::size_t i : found->second) {
                rows[i].leftAt = std::max(rows[i].leftAt.value_or(entry.at), entry.at);
            }
        }
    });
    for (Newsletter& row : rows) {
        if (row.leftAt) {
            markLeft(row, *row.leftAt);
        }
    }
    return load;
}

void markLeft(Newsletter& row, std::int64_t at) {
    row.leftAt = at;
    row.stillComing = row.latest && *row.latest > at + GraceSeconds;
}

}  // namespace nolvetta::mailbox
