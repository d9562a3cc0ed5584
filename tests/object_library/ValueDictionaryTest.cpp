#include "ovardx/ValueDictionary.h"

#include <gtest/gtest.h>

#include "ovardx/Error.h"

namespace ovardx {
namespace {

TEST(ValueDictionaryTest, KeysKeepFirstOrderAndIgnoreCase) {
    ValueDictionary record;
    record.SetValue("Number", "C001");
    record.SetValue("Name", "North");
    record.SetValue("NUMBER", "C002");  // replaces in place
    ASSERT_EQ(record.Count(), 2u);
    EXPECT_EQ(record.begin()->first, "Number");
    EXPECT_EQ(record.GetValue("number").ToText(), "C002");
    EXPECT_TRUE(record.HasKey("name"));
    EXPECT_EQ(record.GetValueOr("UUID", "none").ToText(), "none");
}

TEST(ValueDictionaryTest, AbsentKeyRaisesInvalidProcedureCall) {
    ValueDictionary record;
    try {
        record.GetValue("UUID");
        FAIL() << "no error raised";
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, errnum::kInvalidProcedureCall);
        EXPECT_NE(error.record().Description.find("UUID"), std::string::npos);
    }
}

TEST(ValueDictionaryTest, NestedObjectsAreHeldByReference) {
    auto record = NewRecord();
    auto lines = NewList();
    record->SetObject("Body", lines);
    lines->Add(NewRecord());
    EXPECT_EQ(record->GetValue("Body").AsList()->Count(), 1);
}

}  // namespace
}  // namespace ovardx
