// The plan export's date conditions on a demo database: a T-SQL date filter
// and DateTo select what SQL Server would, whatever text form the entry
// dates were stored in. The expected rows are counted independently, with
// SQLite's own date() on the stored text.
#include <gtest/gtest.h>

#include <string>

#include "ovardx/ValueDictionary.h"
#include "ovardx/XmlComponents.h"
#include "ovardx/clsArapPlan.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

class PlanDateFilterTest : public DemoDatabaseSuite {
protected:
    // The records of one unlimited page with `filter`.
    static std::shared_ptr<ValueVector> Export(const std::string& filter) {
        clsArapPlan plan;
        plan.Filter(filter);
        std::string props = AdminProps(), xml, timeStamp, maxTimeStamp, error;
        EXPECT_TRUE(plan.Export(props, xml, 0, timeStamp, maxTimeStamp, error)) << error;
        auto list = NewList();
        EXPECT_TRUE(ReadXml(list, xml, SchemaFolder() + "ArApPlan.xsd", "ArApPlan", error)) << error;
        return list;
    }

    // Exportable plan rows (as the page statement selects them) whose
    // entry date, as SQLite's date() reads the text, meets `dateCondition`.
    static std::int64_t ExportableRows(const std::string& dateCondition) {
        sqlite::Database db = sqlite::Database::Open(DatabasePath().string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement count(
            db, "SELECT COUNT(*) FROM (SELECT DISTINCT c.FID, date(d.FDate) AS day, d.FRemainAmountFor "
                "FROM t_rp_contact c JOIN t_item i ON c.FCustomer = i.FItemID "
                "JOIN t_Currency b ON c.FCurrencyID = b.FCurrencyID "
                "JOIN (SELECT FOrgID, FDate, FRemainAmountFor FROM t_rp_plan_ar UNION ALL "
                "      SELECT FOrgID, FDate, FRemainAmountFor FROM t_Rp_plan_ap) d ON c.FID = d.FOrgID "
                "WHERE c.FRP = 1 AND c.FType IN (3, 13) AND d.FRemainAmountFor <> 0) "
                "WHERE " + dateCondition);
        EXPECT_TRUE(count.Step());
        return count.ColumnInt64(0);
    }

    static void Exec(const std::string& sql) {
        sqlite::Database::Open(DatabasePath().string(), sqlite::OpenMode::ReadWrite).Exec(sql);
    }
};

TEST_F(PlanDateFilterTest, ACastInTheTSqlFilterComparesAsADate) {
    ASSERT_EQ(ExportableRows("1=1"), Summary().ExportablePlanRows);
    const std::int64_t expected = ExportableRows("day >= '2025-06-01'");
    ASSERT_GT(expected, 0);
    ASSERT_LT(expected, Summary().ExportablePlanRows);

    const auto records = Export("TSql=d.FDate>=CAST('2025-06-01' AS datetime)");
    EXPECT_EQ(static_cast<std::int64_t>(records->Count()), expected);
    for (const auto& item : *records) {
        EXPECT_GE(item.AsRecord()->GetValue("FArDate").ToDate(), (DateTime{2025, 6, 1}));
    }
}

TEST_F(PlanDateFilterTest, DateToTakesEntriesStoredWithAMidnightTime) {
    // The entry dates of one day, written the two ways a writer may add a
    // midnight time.
    sqlite::Database db = sqlite::Database::Open(DatabasePath().string(), sqlite::OpenMode::ReadOnly);
    sqlite::Statement day(db, "SELECT d.FDate FROM t_rp_plan_ar d JOIN t_rp_contact c ON c.FID = d.FOrgID "
                              "WHERE c.FRP = 1 AND d.FRemainAmountFor <> 0 GROUP BY d.FDate HAVING COUNT(*) >= 2 "
                              "ORDER BY d.FDate LIMIT 1 OFFSET 3");
    ASSERT_TRUE(day.Step());
    const std::string date = day.ColumnText(0);
    ASSERT_EQ(date.size(), 10u) << date;
    Exec("UPDATE t_rp_plan_ar SET FDate = FDate || ' 00:00:00' WHERE FID = (SELECT MIN(FID) FROM t_rp_plan_ar "
         "WHERE date(FDate) = '" + date + "');"
         "UPDATE t_rp_plan_ar SET FDate = FDate || 'T00:00:00.000' WHERE FID = (SELECT MAX(FID) FROM t_rp_plan_ar "
         "WHERE date(FDate) = '" + date + "')");
    ASSERT_EQ(ExportableRows("1=1"), Summary().ExportablePlanRows);

    const std::int64_t upTo = ExportableRows("day <= '" + date + "'");
    EXPECT_EQ(static_cast<std::int64_t>(Export("DateTo=" + date)->Count()), upTo);
    const std::int64_t onTheDay = ExportableRows("day = '" + date + "'");
    ASSERT_GE(onTheDay, 2);
    EXPECT_EQ(static_cast<std::int64_t>(Export("DateFrom=" + date + "||DateTo=" + date)->Count()), onTheDay);
}

}  // namespace
}  // namespace ovardx::testing
