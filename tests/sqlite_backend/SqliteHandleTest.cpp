#include "sqlite_backend/SqliteHandle.h"

#include <gtest/gtest.h>

#include <utility>

#include "ovardx/Error.h"

namespace ovardx::sqlite {
namespace {

TEST(SqliteHandleTest, BindsEveryValueKindAndReadsItBack) {
    Database db = Database::Open(":memory:", OpenMode::ReadWriteCreate);
    struct {
        Variant value;
        StorageClass storage;
        const char* text;
    } cases[] = {
        {Variant::Null(), StorageClass::Null, ""},
        {Variant(), StorageClass::Null, ""},
        {Variant(true), StorageClass::Integer, "1"},
        {Variant(-42), StorageClass::Integer, "-42"},
        {Variant(2.5), StorageClass::Float, "2.5"},
        {Variant("x'y"), StorageClass::Text, "x'y"},
        {Variant(DateTime{2024, 2, 29, 13, 45, 0}), StorageClass::Text, "2024-02-29 13:45:00"},
        {Variant(Bytes{0x00, 0x41}), StorageClass::Blob, ""},
        {Variant(Bytes{}), StorageClass::Blob, ""},
    };
    Statement statement(db, "SELECT ?1");
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.value));
        statement.Reset();
        statement.Bind(1, c.value);
        ASSERT_TRUE(statement.Step());
        EXPECT_EQ(statement.ColumnStorage(0), c.storage);
        if (c.storage == StorageClass::Blob) {
            EXPECT_EQ(Variant(statement.ColumnBlob(0)), c.value);
        } else if (c.storage != StorageClass::Null) {
            EXPECT_EQ(statement.ColumnText(0), c.text);
        }
        EXPECT_FALSE(statement.Step());
    }
}

TEST(SqliteHandleTest, HandlesMoveAndCloseOnce) {
    Database db = Database::Open(":memory:", OpenMode::ReadWriteCreate);
    db.Exec("CREATE TABLE t (a INT); INSERT INTO t VALUES (1), (2);");
    EXPECT_EQ(db.Changes(), 2);
    Database moved = std::move(db);
    EXPECT_FALSE(db);
    ASSERT_TRUE(moved);

    Statement statement(moved, "SELECT a FROM t ORDER BY a");
    Statement other = std::move(statement);
    EXPECT_FALSE(statement);
    ASSERT_TRUE(other.Step());
    EXPECT_EQ(other.ColumnInt64(0), 1);
    EXPECT_EQ(other.DeclaredType(0), "INT");
    // Closing with a statement still open defers the release; no crash.
    moved.Close();
    moved.Close();
}

TEST(SqliteHandleTest, ScriptErrorsAndStatementCount) {
    Database db = Database::Open(":memory:", OpenMode::ReadWriteCreate);
    try {
        db.Exec("CREATE TABLE t (a INT); INSERT INTO nowhere VALUES (1);");
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.record(),
                  (ErrorRecord{kStatementError, kProviderSource, "no such table: nowhere"}));
    }
    // Statements before the failing one stay done.
    EXPECT_NO_THROW(Statement(db, "SELECT a FROM t"));
    EXPECT_THROW(Statement(db, "SELECT 1; SELECT 2"), Error);
    EXPECT_THROW(Statement(db, " -- nothing"), Error);
}

}  // namespace
}  // namespace ovardx::sqlite
