#include <gtest/gtest.h>

#include <charconv>
#include <cmath>

#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"
#include "xml/LeafText.h"

namespace ovardx::xml {
namespace {

TEST(LeafTextTest, FormatsEachKindOfValue) {
    static const struct {
        Variant value;
        LeafType type;
        const char* expected;
    } cases[] = {
        {Variant(), LeafType::Text, ""},
        {Variant(""), LeafType::Text, ""},
        {Variant(" a & b "), LeafType::Text, " a & b "},
        {Variant(true), LeafType::Text, "true"},
        {Variant(false), LeafType::Text, "false"},
        {Variant(-42), LeafType::Text, "-42"},
        {Variant(9223372036854775807LL), LeafType::Text, "9223372036854775807"},
        // Doubles: shortest text that reads back the same, never an exponent.
        {Variant(100.0), LeafType::Text, "100"},
        {Variant(0.1), LeafType::Text, "0.1"},
        {Variant(0.1 + 0.2), LeafType::Text, "0.30000000000000004"},
        {Variant(1e21), LeafType::Text, "1000000000000000000000"},
        {Variant(1e-7), LeafType::Text, "0.0000001"},
        {Variant(-2.5), LeafType::Text, "-2.5"},
        {Variant(123456.789), LeafType::Text, "123456.789"},
        // Dates: xs:date only where the schema says date and there is no time.
        {Variant(DateTime{2024, 3, 5}), LeafType::Date, "2024-03-05"},
        {Variant(DateTime{2024, 3, 5}), LeafType::DateTime, "2024-03-05T00:00:00"},
        {Variant(DateTime{2024, 3, 5}), LeafType::Text, "2024-03-05T00:00:00"},
        {Variant(DateTime{2024, 3, 5, 9, 30, 0, 250}), LeafType::DateTime, "2024-03-05T09:30:00.250"},
        {Variant(DateTime{2024, 3, 5, 9, 30}), LeafType::Date, "2024-03-05T09:30:00"},  // keeps the time
        {Variant(Bytes{0x00, 0x0a, 0xff, 0x1f}), LeafType::HexBinary, "000AFF1F"},
        {Variant(Bytes{}), LeafType::HexBinary, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LeafText(c.value, c.type), c.expected) << Describe(c.value);
}

TEST(LeafTextTest, DoublesReadBackExactly) {
    for (double value : {1.0 / 3, 2.0 / 3 * 1e10, 0.000000003333333333333333, -0.0, 6.02214076e23, 999999999999999999.0}) {
        std::string text = DecimalText(value);
        EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        double back = 1;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
        EXPECT_EQ(std::signbit(back), std::signbit(value)) << text;
    }
}

// An xs:decimal validator takes at most 24 digits; a double that needs more
// is rounded to 24 (only fractions far below any amount's precision go).
TEST(LeafTextTest, DoublesThatNeedMoreThanTwentyFourDigitsAreRounded) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {1.0 / 3e8, "0.000000003333333333333333"},
        {-1.0 / 3e8, "-0.000000003333333333333333"},
        {5e-324, "0"},
        {1e-30, "0"},
        {123456789.123456789, "123456789.12345679"},  // fits: unchanged
        {1e28, "9999999999999999583119736832"},        // no 24-digit text exists
    };
    for (const auto& c : cases) EXPECT_EQ(DecimalText(c.value), c.expected) << c.value;
}

TEST(LeafTextTest, TextXmlCannotCarryIsReplaced) {
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"plain \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80", "plain \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80"},
        {"\t\n\r", "\t\n\r"},
        {std::string("a\0b", 3), "a\xEF\xBF\xBD" "b"},
        {"\x01\x1F", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"caf\xE9", "caf\xEF\xBF\xBD"},                          // Latin-1
        {"\xE4\xB8", "\xEF\xBF\xBD\xEF\xBF\xBD"},              // cut short
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},              // overlong
        {"\xEF\xBF\xBF", "\xEF\xBF\xBD"},                      // U+FFFF
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // above U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(XmlSafeText(c.text), c.expected) << c.text;
    EXPECT_EQ(LeafText(Variant("bell\x07"), LeafType::Text), "bell\xEF\xBF\xBD");
}

TEST(LeafTextTest, NullRecordsAndListsAreNoLeaves) {
    EXPECT_THROW(LeafText(Variant::Null(), LeafType::Text), Error);
    EXPECT_THROW(LeafText(Variant(NewRecord()), LeafType::Text), Error);
    EXPECT_THROW(LeafText(Variant(NewList()), LeafType::Text), Error);
}

}  // namespace
}  // namespace ovardx::xml
