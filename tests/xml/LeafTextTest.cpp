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
    for (double value : {1.0 / 3, 2.0 / 3 * 1e10, 5e-324, 1.7976931348623157e308, -0.0, 6.02214076e23}) {
        std::string text = DecimalText(value);
        EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        double back = 1;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
        EXPECT_EQ(std::signbit(back), std::signbit(value)) << text;
    }
}

TEST(LeafTextTest, NullRecordsAndListsAreNoLeaves) {
    EXPECT_THROW(LeafText(Variant::Null(), LeafType::Text), Error);
    EXPECT_THROW(LeafText(Variant(NewRecord()), LeafType::Text), Error);
    EXPECT_THROW(LeafText(Variant(NewList()), LeafType::Text), Error);
}

}  // namespace
}  // namespace ovardx::xml
