#include "requests/urls.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "requests/catalogue.h"
#include "requests/endpoints.h"
#include "text/ascii.h"

namespace nolvetta::requests {

namespace {

// Characters that would end or alter a query field if sent as typed.
bool needsEncoding(char16_t c) {
    switch (c) {
        case u'%':
        case u'&':
        case u'+':
        case u'=':
        case u'#':
        case u';':
        case u' ':
            return true;
        default:
            return c < 0x20 || (c >= 0x7F && c <= 0x9F);
    }
}

void appendPercentByte(std::u16string& out, unsigned byte) {
    static constexpr char16_t Hex[] = u"0123456789ABCDEF";
    out += u'%';
    out += Hex[(byte >> 4) & 0xF];
    out += Hex[byte & 0xF];
}

std::u16string concat(std::initializer_list<std::u16string_view> pieces) {
    std::size_t size = 0;
    for (auto piece : pieces) {
        size += piece.size();
    }
    std::u16string out;
    out.reserve(size);
    for (auto piece : pieces) {
        out += piece;
    }
    return out;
}

enum class Field { Address, Id };

// base + path + first field + middle + second field.
struct UrlFormat {
    std::u16string_view path;
    Field first;
    std::u16string_view middle;
    Field second;
};

constexpr std::array<UrlFormat, ServiceCount> UnsubscribeFormats{{
    {u"/reader/D?id=", Field::Id, u"&e=", Field::Address},
    {u"/cgi-bin/host/bye.pl?e=", Field::Address, u"&m=m", Field::Id},
    {u"/cgi-bin/mlmg_delma_np.cgi?mgid=", Field::Id, u"&e_mail=", Field::Address},
}};

constexpr std::array<UrlFormat, ServiceCount> SubscribeFormats{{
    {u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd&rdemail=", Field::Address, u"&magid=", Field::Id},
    {u"/cgi-bin/host/mailmag.pl?email=", Field::Address, u"&mailmag=add&magid=m", Field::Id},
    {u"/cgi-bin/mlmg_setma_np.cgi?mgid=", Field::Id, u"&e_mail=", Field::Address},
}};

std::u16string buildUrl(std::u16string_view base, const UrlFormat& format, int idWidth,
                        std::u16string_view address, std::u16string_view id) {
    const std::u16string addressText = encodeUserText(address);
    const std::u16string idText = encodeUserText(idWidth > 0 ? fixedWidthId(id, idWidth) : id);
    auto field = [&](Field f) -> std::u16string_view {
        return f == Field::Address ? addressText : idText;
    };
    return concat({base, format.path, field(format.first), format.middle, field(format.second)});
}

bool knownService(std::int16_t service) {
    return service >= 0 && service < ServiceCount;
}

}  // namespace

std::u16string encodeUserText(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (!needsEncoding(c)) {
            out += c;
        } else if (c < 0x80) {
            appendPercentByte(out, c);
        } else {
            // Every encoded character lies below U+0800: two UTF-8 bytes at most.
            appendPercentByte(out, 0xC0 | (c >> 6));
            appendPercentByte(out, 0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fixedWidthId(std::u16string_view id, int width) {
    if (width <= 0) {
        return {};
    }
    const auto n = static_cast<std::size_t>(width);
    if (id.size() >= n) {
        return std::u16string(id.substr(id.size() - n));
    }
    std::u16string out(n - id.size(), u'0');
    out += id;
    return out;
}

std::u16string unsubscribeUrl(std::int16_t service, std::u16string_view address,
                              std::u16string_view id) {
    if (!knownService(service)) {
        return {};
    }
    const Service& s = ServiceCatalogue[static_cast<std::size_t>(service)];
    return buildUrl(s.unsubscribeBase, UnsubscribeFormats[static_cast<std::size_t>(service)],
                    s.idWidth, address, id);
}

std::u16string subscribeUrl(std::int16_t service, std::u16string_view address,
                            std::u16string_view id) {
    if (!knownService(service)) {
        return {};
    }
    const Service& s = ServiceCatalogue[static_cast<std::size_t>(service)];
    return buildUrl(s.subscribeBase, SubscribeFormats[static_cast<std::size_t>(service)], s.idWidth,
                    address, id);
}

std::u16string weeklyMag2Url(NewsAction action, std::u16string_view address) {
    // Both forms carry MagRdDel on purpose; only the path tells them apart.
    return concat(
        {Mag2RegistrationBase, u"/reader/Magrd", action == NewsAction::Register ? u"add" : u"del",
         u"?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=", encodeUserText(address)});
}

std::u16string kapuNewsUrl(NewsAction action, std::u16string_view address) {
    return concat({KapuBase,
                   action == NewsAction::Register ? u"/cgi-bin/mlmg_set_kapunews.cgi?e_mail="
                                                  : u"/cgi-bin/mlmg_del_kapunews.cgi?e_mail=",
                   encodeUserText(address)});
}

std::u16string mallCancellationUrl(std::u16string_view address) {
    return concat({ShopMallBase, u"/rakuten_news/n.cgi?", encodeUserText(address)});
}

std::u16string shopPrefix() {
    return concat({ShopMallBase, u"/"});
}

std::u16string shopSampleText() {
    return concat({ShopMallBase, u"/***/news.html"});
}

std::u16string shopNewsPage(std::u16string_view shopText) {
    static constexpr std::u16string_view Page = u"news.html";
    std::u16string out(shopText);
    const std::u16string_view tail =
        shopText.substr(shopText.size() - std::min(shopText.size(), Page.size()));
    // The shop text is the user's own whole address, so it goes unencoded.
    if (!text::equalsIgnoringAsciiCase(tail, Page)) {
        out += Page;
    }
    return out;
}

}  // namespace nolvetta::requests
