#pragma once

#include <cstddef>
#include <string_view>

// Reads a data file's text as a sequence of fields. A field ends at a comma
// or at a line end (CR LF, a lone LF or a lone CR). A field that begins with
// a double quote runs to the next double quote on its line, without the
// quotes; anything between the closing quote and the field's end is dropped.
// An empty line is one empty field. Blanks around a field are kept; a double
// quote inside an unquoted field is an ordinary character.
namespace nolvetta::store {

class FieldReader {
public:
    explicit FieldReader(std::u16string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    // The next field, a view into the text; empty once atEnd().
    std::u16string_view next();

private:
    std::u16string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace nolvetta::store
