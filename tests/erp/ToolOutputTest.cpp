// How the ovardx tool prints values and rows.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/ovardx/ResultPrinter.h"

namespace ovardx::tool {
namespace {

TEST(ToolOutputTest, CellTexts) {
    const struct {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant::Null(), "NULL"},
        {Variant(Bytes{0x00, 0x00, 0x07, 0xAB}), "0x000007AB"},
        {Variant(Bytes{}), "0x"},
        {Variant(*DateTime::Parse("2025-3-1")), "2025-03-01"},
        {Variant(*DateTime::Parse("2025-03-01 10:30")), "2025-03-01 10:30:00"},
        {Variant(true), "1"},
        {Variant(-1), "-1"},
        {Variant(0.048), "0.048"},
        {Variant(1e20), "100000000000000000000"},
        {Variant(77073.42), "77073.42"},
        {Variant(100.0), "100"},
        {Variant("人民币"), "人民币"},
        {Variant("a\tb\nc\\d"), "a\\tb\\nc\\\\d"},
    };
    for (const auto& c : cases) EXPECT_EQ(CellText(c.value), c.text) << Describe(c.value);
}

TEST(ToolOutputTest, RowsUnderAHeaderLine) {
    Recordset rows({"FNumber", "FModifyTime", "FContractNo"},
                   {{Variant("A"), Variant(Bytes{0, 1}), Variant::Null()}, {Variant("B"), Variant(Bytes{0, 2}), "HT"}});
    std::ostringstream out;
    PrintRecordset(out, rows);
    EXPECT_EQ(out.str(), "FNumber\tFModifyTime\tFContractNo\nA\t0x0001\tNULL\nB\t0x0002\tHT\n");

    Recordset none({"FValue"}, {});
    std::ostringstream empty;
    PrintRecordset(empty, none);
    EXPECT_EQ(empty.str(), "FValue\n");
    EXPECT_EQ(ChangedRowsText(1), "(1 row affected)");
    EXPECT_EQ(ChangedRowsText(0), "(0 rows affected)");
}

}  // namespace
}  // namespace ovardx::tool
