#include "sqlite_backend/ColumnTypes.h"

#include <gtest/gtest.h>

#include "erp/ErpSchema.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {
namespace {

TEST(ColumnTypesTest, NamesAreFoundWithoutRegardToCaseAndDisagreementIsAmbiguous) {
    ColumnTypes types{{"FDate", ColumnKind::DateTime}, {"FValue", ColumnKind::Text}};
    types.Add("fvalue", ColumnKind::Integer);
    types.Add("FDATE", ColumnKind::DateTime);
    types.AddDeclared("FAmount", "decimal(28, 10)");
    types.AddDeclared("FOdd", "GEOMETRY");
    EXPECT_EQ(types.Find("fdate"), ColumnKind::DateTime);
    EXPECT_EQ(types.Find("FValue"), ColumnKind::Ambiguous);
    EXPECT_EQ(types.Find("FAMOUNT"), ColumnKind::Decimal);
    EXPECT_EQ(types.Find("FOdd"), ColumnKind::Ambiguous);
    EXPECT_EQ(types.Find("FNone"), std::nullopt);
}

TEST(ColumnTypesTest, ReadsEveryTableOfTheSchemaAndItsVersion) {
    Database db = Database::Open(":memory:", OpenMode::ReadWriteCreate);
    erp::CreateErpSchema(db);
    const SchemaColumnTypes schema = ReadColumnTypes(db.get());
    EXPECT_EQ(schema.schemaVersion, ReadSchemaVersion(db.get()));
    struct {
        const char* column;
        ColumnKind kind;
    } cases[] = {
        {"FDate", ColumnKind::DateTime},     {"FReceiveDate", ColumnKind::DateTime},
        {"FNumber", ColumnKind::Text},       {"FRemainAmountFor", ColumnKind::Decimal},
        {"FModifyTime", ColumnKind::Binary}, {"FMulCy", ColumnKind::Bit},
        {"FType", ColumnKind::Integer},
        {"FValue", ColumnKind::Ambiguous},  // NVARCHAR in T_SYSTEMPROFILE, INTEGER in RowVersionByte
    };
    for (const auto& c : cases) EXPECT_EQ(schema.types.Find(c.column), c.kind) << c.column;

    db.Exec("CREATE TABLE t_extra (FExtra BIT)");
    EXPECT_NE(ReadSchemaVersion(db.get()), schema.schemaVersion);
    EXPECT_EQ(ReadColumnTypes(db.get()).types.Find("FExtra"), ColumnKind::Bit);
}

}  // namespace
}  // namespace ovardx::sqlite
