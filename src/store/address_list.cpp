#include "store/address_list.h"

#include <algorithm>
#include <functional>

#include "store/field_reader.h"

namespace nolvetta::store {

AddressList::AddressList(std::initializer_list<std::u16string_view> entries) {
    for (std::u16string_view entry : entries) {
        append(entry);
    }
}

AddressList::AddressList(const AddressList& other)
    : text_(other.text_), entries_(other.entries_), changed_(other.changed_) {
    for (std::u16string_view& entry : entries_) {
        if (!inText(entry)) {
            entry = added_.emplace_back(entry);
        }
    }
}

AddressList& AddressList::operator=(const AddressList& other) {
    if (this != &other) {
        *this = AddressList(other);
    }
    return *this;
}

AddressList AddressList::fromText(std::u16string text) {
    AddressList list;
    // The text lives on the heap behind the shared pointer, so its characters
    // never move, short text included.
    list.text_ = std::make_shared<const std::u16string>(std::move(text));
    list.entries_ = readFields(*list.text_);
    return list;
}

void AddressList::append(std::u16string_view entry) {
    entries_.push_back(added_.emplace_back(entry));
    changed_ = true;
}

void AddressList::erase(std::size_t i) {
    const std::u16string_view entry = entries_[i];
    if (!inText(entry)) {
        added_.remove_if([&](const std::u16string& own) { return own.data() == entry.data(); });
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    changed_ = true;
}

std::optional<std::size_t> AddressList::find(std::u16string_view entry) const {
    const auto found = std::find(entries_.begin(), entries_.end(), entry);
    if (found == entries_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - entries_.begin());
}

bool AddressList::inText(std::u16string_view entry) const {
    // std::less orders pointers into different objects too.
    const std::less_equal<const char16_t*> notAfter;
    return text_ && notAfter(text_->data(), entry.data()) &&
           notAfter(entry.data(), text_->data() + text_->size());
}

}  // namespace nolvetta::store
