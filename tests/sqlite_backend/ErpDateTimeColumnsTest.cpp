// The DATETIME columns of the ERP schema: what they admit, what a plain
// sqlite3 client can do with them, and that the library's comparisons use
// the DATETIME collation.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SqliteTestDatabase.h"
#include "erp/ErpSchema.h"
#include "ovardx/Error.h"
#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::sqlite {
namespace {

using namespace std::string_literals;

class ErpDateTimeColumnsTest : public ::testing::Test {
protected:
    ErpDateTimeColumnsTest() {
        Database db = Database::Open(path_.string(), OpenMode::ReadWriteCreate);
        erp::CreateErpSchema(db);
    }

    Database Open() const { return Database::Open(path_.string(), OpenMode::ReadWrite); }

    // Every DATETIME column of the schema, found in the schema itself.
    std::vector<std::pair<std::string, std::string>> DateTimeColumns() const {
        Database db = Open();
        Statement columns(db, "SELECT s.name, c.name FROM sqlite_schema s JOIN pragma_table_info(s.name) c "
                              "WHERE s.type = 'table' AND c.type = 'DATETIME'");
        std::vector<std::pair<std::string, std::string>> found;
        while (columns.Step()) found.emplace_back(columns.ColumnText(0), columns.ColumnText(1));
        return found;
    }

    testing::TempFolder folder_;
    std::filesystem::path path_ = folder_.path() / "erp.db";
};

TEST_F(ErpDateTimeColumnsTest, OnlyValuesThatReadBackAsDatesAreStored) {
    struct {
        Variant value;
        bool admitted;
    } cases[] = {
        {Variant("2025-07-14"), true},
        {Variant("2025-07-14 08:30"), true},
        {Variant("2025-07-14 08:30:15"), true},
        {Variant("2025-07-14T08:30:15.123"), true},
        {Variant("2025-07-14 08:30:15.1234567"), true},
        {Variant("2024-02-29"), true},
        {Variant("2000-02-29 23:59:59"), true},
        {Variant("1753-01-01"), true},
        {Variant("9999-12-31 23:59:59.997"), true},
        {Variant("2025-02-30"), false},
        {Variant("2025-02-29"), false},
        {Variant("1900-02-29"), false},
        {Variant("2025-04-31"), false},
        {Variant("2025-13-01"), false},
        {Variant("2025-00-10"), false},
        {Variant("2025-07-00"), false},
        {Variant("2025-07-32"), false},
        {Variant("2025-07-14 25:00"), false},
        {Variant("2025-07-14 24:00"), false},
        {Variant("2025-07-14 12:60"), false},
        {Variant("2025-07-14 12:00:60"), false},
        {Variant("2025-07-14 12:00:00."), false},
        {Variant("2025-07-14 12:00:00.12a"), false},
        {Variant("2025-07-14x"), false},
        {Variant("2025-7-14"), false},   // DateTime::Parse reads it; the schema keeps one form
        {Variant("2025/07/14"), false},
        {Variant(" 2025-07-14"), false},
        {Variant("1752-12-31"), false},  // before what DateTime::Parse reads
        {Variant("someday"), false},
        {Variant(""), false},
        {Variant("20250714"), false},    // numeric affinity makes it a number
        {Variant(std::int64_t{20250714}), false},
        {Variant(2025.5), false},
        {Variant(Bytes{'2', '0', '2', '5', '-', '0', '7', '-', '1', '4'}), false},
        {Variant("2025-07-14\0"s), false},
        {Variant("2025-07-14 10:00:00.1\0x"s), false},
    };
    Database db = Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.kind() == Variant::Kind::Bytes ? "a blob" : c.value.ToText());
        Statement insert(db, "INSERT INTO t_rp_plan_ar (FOrgID, FDate) VALUES (1, ?1)");
        insert.Bind(1, c.value);
        if (!c.admitted) {
            try {
                insert.Step();
                ADD_FAILURE() << "admitted";
            } catch (const Error& error) {
                EXPECT_EQ(error.record().Description, "CHECK constraint failed: FDate_is_a_date");
            }
            continue;
        }
        ASSERT_NO_THROW(insert.Step());
        Statement read(db, "SELECT FDate FROM t_rp_plan_ar WHERE FID = " + std::to_string(db.LastInsertRowId()));
        ASSERT_TRUE(read.Step());
        EXPECT_EQ(ReadColumn(read, 0, ColumnType::DateTime), Variant(*DateTime::Parse(c.value.ToText())));
    }
}

TEST_F(ErpDateTimeColumnsTest, EveryDateTimeColumnIsCheckedAndCollated) {
    const auto columns = DateTimeColumns();
    ASSERT_EQ(columns.size(), 9u);  // t_rp_plan_union.FDate among them
    Database db = Open();
    db.Exec("INSERT INTO t_rp_contact (FNumber, FRP, FType) VALUES ('A', 1, 3);"
            "INSERT INTO t_rp_plan_ar (FOrgID) VALUES (1); INSERT INTO t_Rp_plan_ap (FOrgID) VALUES (1);"
            "INSERT INTO t_RPContract (FContractNo) VALUES ('X'); INSERT INTO t_rpcontractscheme (FContractID) VALUES (1);"
            "INSERT INTO t_RP_NewReceiveBill (FNumber) VALUES ('B');");
    for (const auto& [table, column] : columns) {
        SCOPED_TRACE(table + "." + column);
        EXPECT_NO_THROW(db.Exec("UPDATE " + table + " SET " + column + " = '2025-07-14 00:00:00'"));
        EXPECT_THROW(db.Exec("UPDATE " + table + " SET " + column + " = '2025-07-14 24:00'"), Error);
        Statement equal(db, "SELECT COUNT(*) FROM " + table + " WHERE " + column + " = '2025-07-14'");
        ASSERT_TRUE(equal.Step());
        EXPECT_EQ(equal.ColumnInt64(0), 1);
    }
}

// sqlite3 and other plain clients do not know the collation: they can still
// write, as no index holds a DATETIME column, but cannot compare.
TEST_F(ErpDateTimeColumnsTest, PlainClientsWriteButCannotCompare) {
    {
        Database db = Open();
        Statement indexed(db, "SELECT i.name FROM sqlite_schema i JOIN pragma_index_info(i.name) k "
                              "JOIN pragma_table_info(i.tbl_name) c ON c.name = k.name "
                              "WHERE i.type = 'index' AND c.type = 'DATETIME'");
        EXPECT_FALSE(indexed.Step()) << "index " << indexed.ColumnText(0) << " holds a DATETIME column";
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> plain(raw, &sqlite3_close);
    char* message = nullptr;
    const int written = sqlite3_exec(
        raw,
        "INSERT INTO t_rp_plan_ar (FOrgID, FDate) VALUES (1, '2025-07-14');"
        "UPDATE t_rp_plan_ar SET FDate = '2025-07-15T10:00:00.000' WHERE FOrgID = 1;"
        "INSERT INTO t_RP_NewReceiveBill (FNumber, FDate, FCheckDate) VALUES ('B', '2025-07-14', NULL);"
        "UPDATE t_RP_NewReceiveBill SET FCheckDate = '2025-07-16 08:00' WHERE FNumber = 'B';"
        "DELETE FROM t_RP_NewReceiveBill WHERE FNumber = 'B';",
        nullptr, nullptr, &message);
    EXPECT_EQ(written, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    message = nullptr;
    EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO t_rp_plan_ar (FOrgID, FDate) VALUES (1, '2025-02-30')", nullptr,
                           nullptr, &message),
              SQLITE_CONSTRAINT);
    sqlite3_free(message);
    sqlite3_stmt* compare = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(raw, "SELECT FOrgID FROM t_rp_plan_ar WHERE FDate > '2025'", -1, &compare, nullptr),
              SQLITE_ERROR);
    EXPECT_STREQ(sqlite3_errmsg(raw), "no such collation sequence: DATETIME");
    sqlite3_finalize(compare);
}

// Where the library compares dates: a column, a column of a derived table
// built from a UNION (the plan query), the literal on either side, ORDER BY.
TEST_F(ErpDateTimeColumnsTest, TheLibrarysComparisonsUseTheCollation) {
    Open().Exec(
        "INSERT INTO t_rp_contact (FID, FNumber, FRP, FType) VALUES (1, 'A', 1, 3), (2, 'B', 1, 3), (3, 'C', 0, 3);"
        "INSERT INTO t_rp_plan_ar (FOrgID, FDate, FRemainAmountFor) VALUES "
        "  (1, '2025-07-14 00:00:00', 5), (1, '2025-07-15', 5), (2, '2025-07-14T00:00:00.000', 3);"
        "INSERT INTO t_Rp_plan_ap (FOrgID, FDate, FRemainAmountFor) VALUES (1, '2025-07-14', 5), "
        "  (3, '2025-07-13 23:59:59', 1);");
    // Translated by the library's connection (which writes COLLATE DATETIME
    // itself), and as plain SQL, where only the columns' collation works.
    SqliteConnection connection;
    connection.ConnString("Provider=SQLite;Data Source=" + path_.string());
    const Database plain = Open();
    const auto count = [&](const std::string& condition, const std::string& from) {
        std::string sql = "SELECT COUNT(*) n FROM " + from + " WHERE " + condition;
        const std::int64_t translated = connection.GetAnyRecordSet(sql)->Value("n").ToInt64();
        if (sql.find("CAST") == std::string::npos) {
            Statement untranslated(plain, sql);
            EXPECT_TRUE(untranslated.Step());
            EXPECT_EQ(untranslated.ColumnInt64(0), translated) << "plain SQL: " << condition;
        }
        return translated;
    };
    const std::string plan = "t_rp_contact c join (select FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar union "
                             "select FOrgID,FDate,FRemainAmountFor from t_Rp_plan_ap) d on c.FID=d.FOrgID";
    struct {
        const char* condition;
        std::string from;
        std::int64_t rows;
    } cases[] = {
        {"c.FDate<='2025-07-14'", "t_rp_plan_ar c", 2},
        {"'2025-07-14'>=c.FDate", "t_rp_plan_ar c", 2},
        {"c.FDate='2025-07-14'", "t_rp_plan_ar c", 2},
        {"c.FDate BETWEEN '2025-07-14' AND '2025-07-14 00:00'", "t_rp_plan_ar c", 2},
        {"c.FDate IN ('2025-07-15 00:00:00.000')", "t_rp_plan_ar c", 1},
        // The union takes (1, 2025-07-14, 5) once, as the server would.
        {"1=1", plan, 4},
        {"d.FDate<='2025-07-14'", plan, 3},
        {"'2025-07-14'>=d.FDate", plan, 3},
        {"d.FDate='2025-07-14'", plan, 2},
        {"d.FDate>=CAST('2025-07-14' AS datetime)", plan, 3},
    };
    for (const auto& c : cases) EXPECT_EQ(count(c.condition, c.from), c.rows) << c.condition;

    const std::vector<DateTime> newestFirst{{2025, 7, 15}, {2025, 7, 14}, {2025, 7, 14}, {2025, 7, 13, 23, 59, 59}};
    std::string ordered = "SELECT d.FDate FROM " + plan + " ORDER BY d.FDate DESC";
    auto rows = connection.GetAnyRecordSet(ordered);
    std::vector<DateTime> dates;
    for (; !rows->Eof(); rows->MoveNext()) dates.push_back(rows->Value("FDate").ToDate());
    EXPECT_EQ(dates, newestFirst);
    Statement untranslated(plain, ordered);
    dates.clear();
    while (untranslated.Step()) dates.push_back(*DateTime::Parse(untranslated.ColumnText(0)));
    EXPECT_EQ(dates, newestFirst);
}

}  // namespace
}  // namespace ovardx::sqlite
