#pragma once

#include <cstddef>
#include <initializer_list>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nolvetta::store {

// An ordered list of addresses, any number of them. The entries read from a
// file are views into its decoded text, held once and shared by every copy
// of the list; entries added later are copies of their own. A view of an
// entry stays valid until the entry is erased or the list is gone.
class AddressList {
public:
    using const_iterator = std::vector<std::u16string_view>::const_iterator;

    AddressList() = default;
    // Built by appending each entry.
    AddressList(std::initializer_list<std::u16string_view> entries);

    AddressList(const AddressList& other);
    AddressList& operator=(const AddressList& other);
    AddressList(AddressList&&) noexcept = default;
    AddressList& operator=(AddressList&&) noexcept = default;

    // The entries of an address file's decoded text (see FieldReader).
    static AddressList fromText(std::u16string text);

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    std::u16string_view operator[](std::size_t i) const { return entries_[i]; }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

    void append(std::u16string_view entry);
    void erase(std::size_t i);  // i < size(), as for operator[]
    // The position of the first entry equal to `entry`, character by character.
    std::optional<std::size_t> find(std::u16string_view entry) const;

    // Whether an entry was appended or erased since the list was read (in
    // this list or in the one it was copied from).
    bool changed() const { return changed_; }
    // The decoded file text the list was read from, shared by its copies;
    // nothing for a list not read from a file.
    const std::shared_ptr<const std::u16string>& text() const { return text_; }

private:
    bool inText(std::u16string_view entry) const;

    std::shared_ptr<const std::u16string> text_;
    std::vector<std::u16string_view> entries_;
    std::list<std::u16string> added_;  // list nodes never move, so views into them stay valid
    bool changed_ = false;
};

}  // namespace nolvetta::store
