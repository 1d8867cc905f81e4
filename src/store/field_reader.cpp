#include "store/field_reader.h"

namespace nolvetta::store {

namespace {

bool isLineEnd(char16_t c) {
    return c == u'\r' || c == u'\n';
}

bool endsUnquotedField(char16_t c) {
    return c == u',' || isLineEnd(c);
}

bool endsQuotedField(char16_t c) {
    return c == u'"' || isLineEnd(c);
}

template <typename Stop>
std::size_t findFrom(std::u16string_view text, std::size_t pos, Stop stop) {
    while (pos < text.size() && !stop(text[pos])) {
        ++pos;
    }
    return pos;
}

}  // namespace

std::u16string_view FieldReader::next() {
    if (atEnd()) {
        return {};
    }
    std::size_t valueStart = pos_;
    std::size_t valueEnd = 0;
    std::size_t separator = 0;
    if (text_[pos_] == u'"') {
        // A quote left open ends at its line end, so that an entry typed with
        // a lone leading quote cannot swallow the entries after it.
        valueStart = pos_ + 1;
        valueEnd = findFrom(text_, valueStart, endsQuotedField);
        const bool closed = valueEnd < text_.size() && text_[valueEnd] == u'"';
        separator = findFrom(text_, closed ? valueEnd + 1 : valueEnd, endsUnquotedField);
    } else {
        valueEnd = separator = findFrom(text_, pos_, endsUnquotedField);
    }
    pos_ = separator;
    if (pos_ < text_.size()) {
        const bool crLf =
            text_[pos_] == u'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\n';
        pos_ += crLf ? 2 : 1;
    }
    return text_.substr(valueStart, valueEnd - valueStart);
}

}  // namespace nolvetta::store
