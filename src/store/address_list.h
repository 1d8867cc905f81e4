#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nolvetta::store {

// An ordered list of addresses, any number of them, used as a plain value:
// the characters of all entries one after another, and where each ends.
// Copies share them until one of the copies changes, so that the window's
// lists and their views can each keep a copy of thousands of entries.
class AddressList {
public:
    class const_iterator;

    AddressList() = default;
    AddressList(std::initializer_list<std::u16string_view> entries);

    // The entries of an address file's decoded text (see FieldReader).
    static AddressList fromText(std::u16string text);

    std::size_t size() const { return entries().ends.size(); }
    bool empty() const { return size() == 0; }
    // A view, valid as the iterators are until this list changes.
    std::u16string_view operator[](std::size_t i) const;
    const_iterator begin() const;
    const_iterator end() const;

    void append(std::u16string_view entry);
    void erase(std::size_t i);  // i < size(), as for operator[]
    // The position of the first entry equal to `entry`, character by character.
    std::optional<std::size_t> find(std::u16string_view entry) const;

    bool operator==(const AddressList& other) const {
        return entries_ == other.entries_ || entries() == other.entries();
    }

private:
    struct Entries {
        std::u16string chars;
        std::vector<std::size_t> ends;
        std::size_t start(std::size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
        bool operator==(const Entries&) const = default;
    };
    const Entries& entries() const;
    // The entries, copied first while another list shares them.
    Entries& own();

    std::shared_ptr<Entries> entries_;  // nothing: none yet
};

class AddressList::const_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using iterator_concept = std::forward_iterator_tag;
    using value_type = std::u16string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::u16string_view;

    const_iterator() = default;
    std::u16string_view operator*() const { return (*list_)[i_]; }
    const_iterator& operator++() {
        ++i_;
        return *this;
    }
    const_iterator operator++(int) {
        const const_iterator before = *this;
        ++i_;
        return before;
    }
    bool operator==(const const_iterator&) const = default;

private:
    friend AddressList;
    const_iterator(const AddressList* list, std::size_t i) : list_(list), i_(i) {}

    const AddressList* list_ = nullptr;
    std::size_t i_ = 0;
};

inline AddressList::const_iterator AddressList::begin() const {
    return {this, 0};
}

inline AddressList::const_iterator AddressList::end() const {
    return {this, size()};
}

}  // namespace nolvetta::store
