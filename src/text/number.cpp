#include "text/number.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace nolvetta::text {

namespace {

// Hands out the text's characters with blanks, tabs and line feeds left out,
// since those are ignored even in the middle of a number.
class Reader {
public:
    explicit Reader(std::u16string_view text) : text_(text) { skipIgnored(); }

    bool atEnd() const { return pos_ >= text_.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : text_[pos_]; }
    void advance() {
        ++pos_;
        skipIgnored();
    }

private:
    void skipIgnored() {
        while (pos_ < text_.size() &&
               (text_[pos_] == u' ' || text_[pos_] == u'\t' || text_[pos_] == u'\n')) {
            ++pos_;
        }
    }

    std::u16string_view text_;
    std::size_t pos_ = 0;
};

int digitValue(char16_t c, int radix) {
    int value = radix;
    if (c >= u'0' && c <= u'9') {
        value = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
        value = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
        value = c - u'A' + 10;
    }
    return value < radix ? value : -1;
}

NumberReading readRadixDigits(Reader& in, int radix) {
    NumberReading reading;
    bool any = false;
    for (int d = digitValue(in.peek(), radix); d >= 0; d = digitValue(in.peek(), radix)) {
        reading.value = reading.value * radix + d;
        any = true;
        in.advance();
    }
    reading.wholeText = any && in.atEnd();
    return reading;
}

bool copyDigits(Reader& in, std::string& out) {
    const std::size_t before = out.size();
    while (digitValue(in.peek(), 10) >= 0) {
        out += static_cast<char>(in.peek());
        in.advance();
    }
    return out.size() > before;
}

// from_chars leaves the value alone when it is out of range; whether it was
// too large or too small follows from the decimal order of magnitude.
double outOfRangeValue(const std::string& number) {
    std::size_t i = number.front() == '-' ? 1 : 0;
    long long order = 0;
    bool significant = false;
    bool fraction = false;
    // The value lies in [10^(order-1), 10^order).
    for (; i < number.size() && number[i] != 'e'; ++i) {
        if (number[i] == '.') {
            fraction = true;
        } else if (!significant && number[i] == '0') {
            order -= fraction ? 1 : 0;
        } else {
            significant = true;
            order += fraction ? 0 : 1;
        }
    }
    long long exponent = 0;
    bool negativeExponent = false;
    if (i < number.size()) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
            negativeExponent = number[i] == '-';
            ++i;
        }
        for (; i < number.size(); ++i) {
            exponent = std::min(exponent * 10 + (number[i] - '0'), 1'000'000'000LL);
        }
    }
    order += negativeExponent ? -exponent : exponent;
    const double magnitude = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return number.front() == '-' ? -magnitude : magnitude;
}

}  // namespace

NumberReading readNumber(std::u16string_view text) {
    Reader in(text);
    if (in.peek() == u'&') {
        in.advance();
        const char16_t radixLetter = in.peek();
        const bool hex = radixLetter == u'H' || radixLetter == u'h';
        if (!hex && radixLetter != u'O' && radixLetter != u'o') {
            return {};
        }
        in.advance();
        return readRadixDigits(in, hex ? 16 : 8);
    }

    // Gathered as plain ASCII so that the conversion is exact and ignores the locale.
    std::string number;
    if (in.peek() == u'-' || in.peek() == u'+') {
        if (in.peek() == u'-') {
            number += '-';
        }
        in.advance();
    }
    bool hasDigits = copyDigits(in, number);
    if (in.peek() == u'.') {
        number += '.';
        in.advance();
        hasDigits = copyDigits(in, number) || hasDigits;
    }
    if (!hasDigits) {
        return {};
    }
    const char16_t e = in.peek();
    if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
        in.advance();
        std::string exponent = "e";
        if (in.peek() == u'-' || in.peek() == u'+') {
            exponent += static_cast<char>(in.peek());
            in.advance();
        }
        if (copyDigits(in, exponent)) {
            number += exponent;
        }
    }

    NumberReading reading;
    reading.wholeText = in.atEnd();
    const auto result =
        std::from_chars(number.data(), number.data() + number.size(), reading.value);
    if (result.ec == std::errc::result_out_of_range) {
        reading.value = outOfRangeValue(number);
    }
    return reading;
}

}  // namespace nolvetta::text
