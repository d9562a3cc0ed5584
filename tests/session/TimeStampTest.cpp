#include "session/TimeStamp.h"

#include <gtest/gtest.h>

#include "ovardx/ValueDictionary.h"

namespace ovardx {
namespace {

TEST(TimeStampTest, RowVersionsBecomeUpperCaseHexText) {
    const struct {
        const char* what;
        Variant value;
        std::string text;
    } cases[] = {
        {"row version", Variant(Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xAB, 0x0F}), "0x000000000001AB0F"},
        {"single bytes", Variant(Bytes{0x05, 0xFF}), "0x05FF"},
        {"empty array", Variant(Bytes{}), "0x"},
        {"null", Variant::Null(), kZeroTimeStamp},
        {"empty", Variant(), kZeroTimeStamp},
        {"text", Variant("0x0000000000000001"), kZeroTimeStamp},
        {"number", Variant(12), kZeroTimeStamp},
        {"record", Variant(NewRecord()), kZeroTimeStamp},
    };
    for (const auto& c : cases) EXPECT_EQ(TimeStampToHex(c.value), c.text) << c.what;
}

TEST(TimeStampTest, OnlyHexLiteralsAreTimeStampTexts) {
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"", true},
        {"0x", true},
        {"0x000000000001AB0F", true},
        {"0xabcdef", true},
        {"0X00", false},
        {"00", false},
        {"0x00 ", false},
        {"0x00;DROP TABLE t_User", false},
        {"0x00' OR '1'='1", false},
        {"0xG0", false},
        {std::string("0x00\0", 5), false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsTimeStampText(c.text), c.valid) << "text '" << c.text << "'";
}

}  // namespace
}  // namespace ovardx
