// T-SQL filters through the library's connection on the ERP schema give SQL
// Server's answers, or a refusal; never SQLite's own reading of them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SqliteTestDatabase.h"
#include "erp/ErpSchema.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::sqlite {
namespace {

// Local date and time `days` days from now, as a writer stores it.
std::string DaysFromNow(int days) {
    const DateTime now = DateTime::Now();
    using namespace std::chrono;
    const year_month_day date{sys_days{year{now.Year} / month{static_cast<unsigned>(now.Month)} /
                                       day{static_cast<unsigned>(now.Day)}} +
                              std::chrono::days{days}};
    DateTime shifted = now;
    shifted.Year = static_cast<int>(date.year());
    shifted.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    shifted.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    return shifted.ToText();
}

class SqlServerSemanticsTest : public ::testing::Test {
protected:
    SqlServerSemanticsTest() {
        Database db = Database::Open(path_.string(), OpenMode::ReadWriteCreate);
        erp::CreateErpSchema(db);
        db.Exec("INSERT INTO t_item (FItemID, FItemClassID, FNumber, FName) VALUES (13, 1, '013', 'Thirteen');"
                "INSERT INTO t_rp_plan_ar (FID, FOrgID, FDate) VALUES (1, 1, '2025-05-31 23:59:59'), "
                "  (2, 1, '2025-06-01'), (3, 1, '2025-06-01T00:00:00.000'), (4, 1, '2025-07-14 00:00:00'),"
                "  (5, 1, '2025-07-14T00:00:00.000'), (6, 1, '2025-07-14 00:00:00.003'), (7, 1, '2025-07-15');"
                "INSERT INTO t_Rp_plan_ap (FID, FOrgID, FDate) VALUES "
                "  (1, 1, '" + DaysFromNow(-400) + "'), (2, 1, '" + DaysFromNow(-31) + "'), "
                "  (3, 1, '" + DaysFromNow(-29) + "'), (4, 1, '" + DaysFromNow(-10) + "'), "
                "  (5, 1, '" + DaysFromNow(1) + "');");
        connection_.ConnString("Provider=SQLite;Data Source=" + path_.string());
    }

    std::shared_ptr<Recordset> Query(std::string sql) { return connection_.GetAnyRecordSet(sql); }
    std::int64_t Count(const std::string& table, const std::string& condition) {
        return Query("SELECT COUNT(*) AS n FROM " + table + " d WHERE " + condition)->Value("n").ToInt64();
    }

    testing::TempFolder folder_;
    std::filesystem::path path_ = folder_.path() / "erp.db";
    SqliteConnection connection_;  // the library's
};

TEST_F(SqlServerSemanticsTest, CastToDatetimeComparesAsADate) {
    // SQLite alone reads CAST('2025-06-01' AS datetime) as the number 2025.
    EXPECT_EQ(Count("t_rp_plan_ar", "d.FDate>=CAST('2025-06-01' AS datetime)"), 6);
    EXPECT_EQ(Count("t_rp_plan_ar", "d.FDate<CONVERT(datetime, '20250601', 112)"), 1);
}

TEST_F(SqlServerSemanticsTest, GetDateMinusThirtyIsThirtyDaysEarlier) {
    EXPECT_EQ(Count("t_Rp_plan_ap", "d.FDate >= GETDATE()-30"), 3);
    EXPECT_EQ(Count("t_Rp_plan_ap", "d.FDate < DATEADD(day, -30, GETDATE())"), 2);
    EXPECT_EQ(Count("t_Rp_plan_ap", "DATEDIFF(day, d.FDate, GETDATE()) BETWEEN 0 AND 30"), 2);
}

TEST_F(SqlServerSemanticsTest, TextPlusTextConcatenates) {
    EXPECT_EQ(Query("SELECT 'C'+'013' AS v")->Value("v"), Variant("C013"));
    EXPECT_EQ(Query("SELECT FName FROM t_item WHERE 'C'+FNumber='c013'")->Value("FName"), Variant("Thirteen"));
}

TEST_F(SqlServerSemanticsTest, AMidnightDateTimeInAnyFormEqualsItsDate) {
    EXPECT_EQ(Count("t_rp_plan_ar", "d.FDate<='2025-07-14'"), 5);
    EXPECT_EQ(Count("t_rp_plan_ar", "d.FDate='2025-07-14'"), 2);
    EXPECT_EQ(Count("t_rp_plan_ar", "d.FDate='2025-06-01'"), 2);
}

TEST_F(SqlServerSemanticsTest, DateFunctionsGiveTheServersResults) {
    EXPECT_EQ(Query("SELECT DATEADD(month, 1, '2025-01-31') AS v")->Value("v"), Variant("2025-02-28 00:00:00.000"));
    EXPECT_EQ(Query("SELECT 1 AS v WHERE DATEADD(month, 1, '2025-01-31') = '2025-02-28'")->RecordCount(), 1);
    EXPECT_EQ(Query("SELECT DATEDIFF(day, '2025-01-01 23:59', '2025-01-02 00:01') AS v")->Value("v"), Variant(1));
    auto rows = Query("SELECT CONVERT(varchar(10), d.FDate, 120) AS v FROM t_rp_plan_ar d WHERE d.FID IN (3, 6) "
                      "ORDER BY d.FID");
    EXPECT_EQ(rows->Value("v"), Variant("2025-06-01"));
    rows->MoveNext();
    EXPECT_EQ(rows->Value("v"), Variant("2025-07-14"));
}

TEST_F(SqlServerSemanticsTest, WhatCannotBeCarriedOverIsRefused) {
    struct {
        const char* sql;
        const char* description;
    } cases[] = {
        // SQLite compares text with a number as text; the server as numbers.
        {"SELECT FName FROM t_item WHERE FNumber = 13",
         "Cannot translate to SQLite: comparison of an integer with text at character 40"},
        {"SELECT FID FROM t_rp_plan_ar WHERE FDate > 45000",
         "Cannot translate to SQLite: comparison of a date-time with an integer at character 42"},
        {"SELECT FID FROM t_rp_plan_ar WHERE FDate - FDate > 1",
         "Cannot translate to SQLite: - of a date-time and a date-time at character 42"},
        {"SELECT UPPER(FName) FROM t_item", "Cannot translate to SQLite: function UPPER at character 8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            Query(c.sql);
            ADD_FAILURE() << "ran";
        } catch (const Error& error) {
            EXPECT_EQ(error.record().Number, kStatementError);
            EXPECT_EQ(error.record().Description, c.description);
        }
    }
}

TEST_F(SqlServerSemanticsTest, ColumnTypesFollowTheSchemaAsItChanges) {
    SqliteConnection scripts(SqliteConnection::Policy::Scripts);
    scripts.ConnString("Provider=SQLite;Data Source=" + path_.string());
    std::string create = "CREATE TABLE t_extra (FRemark NVARCHAR(20), FDue DATETIME)";
    scripts.GetAnyRecordSet(create);
    // The same connection learns the new columns on its next statement.
    std::string concatenation = "SELECT FRemark + 'x' AS v FROM t_extra";
    EXPECT_NO_THROW(scripts.GetAnyRecordSet(concatenation));
    std::string insert = "INSERT INTO t_extra VALUES ('a', '2025-01-01'); SELECT FRemark + 'x' AS v FROM t_extra "
                         "WHERE FDue = '20250101'";
    EXPECT_EQ(scripts.GetAnyRecordSet(insert)->Value("v"), Variant("ax"));
}

}  // namespace
}  // namespace ovardx::sqlite
