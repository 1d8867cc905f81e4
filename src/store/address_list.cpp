#include "store/address_list.h"

#include <algorithm>

#include "store/field_reader.h"

namespace nolvetta::store {

AddressList::AddressList(std::initializer_list<std::u16string_view> entries) {
    for (const std::u16string_view entry : entries) {
        append(entry);
    }
}

AddressList AddressList::fromText(std::u16string text) {
    AddressList list;
    Entries& entries = list.own();
    // Each field is moved down over the separators and quotes before it:
    // it never starts before the characters kept so far end.
    std::size_t kept = 0;
    for (FieldReader reader(text); !reader.atEnd();) {
        const std::u16string_view field = reader.next();
        std::char_traits<char16_t>::move(text.data() + kept, field.data(), field.size());
        kept += field.size();
        entries.ends.push_back(kept);
    }
    text.resize(kept);
    entries.chars = std::move(text);
    return list;
}

std::u16string_view AddressList::operator[](std::size_t i) const {
    const Entries& e = entries();
    return std::u16string_view(e.chars).substr(e.start(i), e.ends[i] - e.start(i));
}

void AddressList::append(std::u16string_view entry) {
    Entries& e = own();
    e.chars += entry;
    e.ends.push_back(e.chars.size());
}

void AddressList::erase(std::size_t i) {
    Entries& e = own();
    const std::size_t length = e.ends[i] - e.start(i);
    e.chars.erase(e.start(i), length);
    e.ends.erase(e.ends.begin() + static_cast<std::ptrdiff_t>(i));
    std::for_each(e.ends.begin() + static_cast<std::ptrdiff_t>(i), e.ends.end(),
                  [length](std::size_t& end) { end -= length; });
}

std::optional<std::size_t> AddressList::find(std::u16string_view entry) const {
    for (std::size_t i = 0; i < size(); ++i) {
        if ((*this)[i] == entry) {
            return i;
        }
    }
    return std::nullopt;
}

const AddressList::Entries& AddressList::entries() const {
    static const Entries none;
    return entries_ ? *entries_ : none;
}

AddressList::Entries& AddressList::own() {
    if (!entries_) {
        entries_ = std::make_shared<Entries>();
    } else if (entries_.use_count() > 1) {
        entries_ = std::make_shared<Entries>(*entries_);
    }
    return *entries_;
}

}  // namespace nolvetta::store
