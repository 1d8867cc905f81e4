#include "requests/id_check.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace nolvetta::requests {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(requests_IdReading, ReadsTheLeadingNumber) {
    const struct {
        std::u16string_view text;
        double value;
    } cases[] = {
        {u"", 0},
        {u"abc", 0},
        {u"0", 0},
        {u"000", 0},
        {u"0.0", 0},
        {u"-0", 0},
        {u".", 0},
        {u"-", 0},
        {u"e5", 0},
        {u"007", 7},
        {u"12abc", 12},
        {u"-5", -5},
        {u"+5", 5},
        {u"+-5", 0},
        {u".5", 0.5},
        {u"5.", 5},
        {u"1.2.3", 1.2},
        {u"0.1", 0.1},
        {u" 1 2", 12},
        {u"\t-\n3 4.5", -34.5},
        {u"\r5", 0},
        {u"\u30005", 0},
        {u"１２", 0},
        {u"1e3", 1000},
        {u"1.5D2", 150},
        {u"25d-1", 2.5},
        {u"2E+ 1", 20},
        {u"2e", 2},
        {u"2e+x", 2},
        {u"&H1F", 31},
        {u"&h 1f", 31},
        {u"&H0", 0},
        {u"&H", 0},
        {u"&HG", 0},
        {u"&O17", 15},
        {u"&o18", 1},
        {u"&X1", 0},
        {u"123456789012345678901234567890", 123456789012345678901234567890.0},
        {u"1e999", Inf},
        {u"-1e999", -Inf},
        {u"0.00000000001e400", Inf},
        {u"1e-999", 0},
        {u"100e-310", 1e-308},
        {u"1e99999999999999999999999", Inf},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::u16string(c.text)));
        EXPECT_EQ(idNumericValue(c.text), c.value);
        EXPECT_EQ(isValidId(c.text), c.value != 0);
    }
}

}  // namespace
}  // namespace nolvetta::requests
