#include "ovardx/Variant.h"

#include <gtest/gtest.h>

#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {
namespace {

std::int32_t ErrorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.record().Number;
    }
    return 0;
}

TEST(VariantTest, IntegerConversionsFollowTheRunTime) {
    struct Case {
        Variant value;
        std::int32_t expectedInt16Error;
        std::int16_t expected;
    } cases[] = {
        {Variant("16"), 0, 16},
        {Variant(" 7 "), 0, 7},
        {Variant("-32768"), 0, -32768},
        {Variant("32767"), 0, 32767},
        {Variant("32768"), errnum::kOverflow, 0},
        {Variant("-32769"), errnum::kOverflow, 0},
        {Variant("abc"), errnum::kTypeMismatch, 0},
        {Variant("nan"), errnum::kTypeMismatch, 0},
        {Variant("inf"), errnum::kTypeMismatch, 0},
        {Variant("1e400"), errnum::kOverflow, 0},
        {Variant(""), errnum::kTypeMismatch, 0},
        {Variant::Null(), errnum::kInvalidUseOfNull, 0},
        {Variant(2.5), 0, 2},   // half to even
        {Variant(3.5), 0, 4},
        {Variant("12.5"), 0, 12},
        {Variant(), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.value));
        if (c.expectedInt16Error != 0) {
            EXPECT_EQ(ErrorNumberOf([&] { c.value.ToInt16(); }), c.expectedInt16Error);
        } else {
            EXPECT_EQ(c.value.ToInt16(), c.expected);
        }
    }
}

TEST(VariantTest, TextAndBooleanConversions) {
    EXPECT_EQ(Variant(std::int64_t{42}).ToText(), "42");
    EXPECT_EQ(Variant(0.1).ToText(), "0.1");
    EXPECT_EQ(Variant(true).ToText(), "True");
    EXPECT_EQ(Variant(DateTime{2005, 1, 7}).ToText(), "2005-01-07");
    EXPECT_EQ(ErrorNumberOf([] { Variant::Null().ToText(); }), errnum::kInvalidUseOfNull);
    EXPECT_TRUE(Variant(5).ToBool());
    EXPECT_FALSE(Variant("0").ToBool());
    EXPECT_TRUE(Variant("True").ToBool());
    EXPECT_EQ(ErrorNumberOf([] { Variant("yes").ToBool(); }), errnum::kTypeMismatch);
}

TEST(VariantTest, DatesParseInIsoForms) {
    struct Case {
        const char* text;
        bool valid;
        DateTime expected;
    } cases[] = {
        {"2005-1-7", true, {2005, 1, 7}},
        {"2005-01-07", true, {2005, 1, 7}},
        {"2005/01/07", true, {2005, 1, 7}},
        {"2005-01-07 13:45", true, {2005, 1, 7, 13, 45}},
        {"2005-01-07T13:45:10.25", true, {2005, 1, 7, 13, 45, 10, 250}},
        {"2004-02-29", true, {2004, 2, 29}},
        {"2005-02-29", false, {}},
        {"2005-13-01", false, {}},
        {"abc", false, {}},
        {"2005-01-07 25:00", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto parsed = DateTime::Parse(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid);
        if (c.valid) {
            EXPECT_EQ(*parsed, c.expected);
        }
    }
    EXPECT_EQ((DateTime{2005, 1, 7, 13, 45, 10, 250}).ToText(), "2005-01-07 13:45:10.250");
}

TEST(VariantTest, EqualityIsDeepForRecordsAndLists) {
    auto a = NewRecord();
    a->SetValue("Number", "C001");
    auto b = NewRecord();
    b->SetValue("Number", "C001");
    EXPECT_EQ(Variant(a), Variant(b));
    b->SetValue("Name", Variant::Null());
    EXPECT_NE(Variant(a), Variant(b));
    EXPECT_NE(Variant(""), Variant::Null());
    EXPECT_NE(Variant(1), Variant("1"));
}

}  // namespace
}  // namespace ovardx
