#include "ovardx/DatabaseConnection.h"

#include <gtest/gtest.h>

#include "ovardx/Error.h"

namespace ovardx {
namespace {

TEST(RecordsetTest, ScrollsAndFindsFieldsByNameOrPosition) {
    Recordset rows({"FNumber", "FModifyTime"}, {{Variant("A"), Variant(Bytes{0, 1})},
                                                {Variant("B"), Variant(Bytes{0, 2})}});
    EXPECT_FALSE(rows.Bof());
    EXPECT_EQ(rows.RecordCount(), 2);
    EXPECT_EQ(rows.Value("fnumber").ToText(), "A");
    rows.MoveLast();
    EXPECT_EQ(rows.Item(1).Value.AsBytes(), (Bytes{0, 2}));
    rows.MoveFirst();
    rows.MoveNext();
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof());
    EXPECT_THROW(rows.Value("FNumber"), Error);
    EXPECT_THROW(rows.MoveNext(), Error);
}

TEST(RecordsetTest, EmptyResultIsAtBothEnds) {
    Recordset rows({"FValue"}, {});
    EXPECT_TRUE(rows.Bof());
    EXPECT_TRUE(rows.Eof());
    try {
        rows.MoveFirst();
        rows.Value("FValue");
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, errnum::kNoCurrentRecord);
    }
}

TEST(RecordsetTest, UnknownFieldRaisesItemNotFound) {
    Recordset rows({"FValue"}, {{Variant(1)}});
    try {
        rows.Value("FOther");
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, errnum::kItemNotFound);
    }
}

}  // namespace
}  // namespace ovardx
