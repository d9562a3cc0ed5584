// The ERP schema's triggers: row versions as SQL Server keeps them, whoever
// writes, and the change log of deletions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "erp/ErpSchema.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/erp/ConnectionFor.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::erp {
namespace {

using ::ovardx::testing::TemporaryFolder;

class ErpTriggersTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = folder_.Path() / "erp.db";
        raw_ = sqlite::Database::Open(file_.string(), sqlite::OpenMode::ReadWriteCreate);
        CreateErpSchema(raw_);
        connection_ = std::make_shared<sqlite::SqliteConnection>(sqlite::SqliteConnection::Policy::Scripts);
        connection_->ConnString(testing::ConnectStringFor(file_));
    }

    // Through the library's connection (T-SQL, translated).
    std::shared_ptr<Recordset> Query(std::string sql) { return connection_->GetAnyRecordSet(sql); }

    Bytes Version(const std::string& table, const std::string& column, const std::string& where) {
        auto rows = Query("SELECT " + column + " FROM " + table + " WHERE " + where);
        EXPECT_EQ(rows->RecordCount(), 1) << table << " " << where;
        return rows->Value(column).AsBytes();
    }

    std::int64_t Count(const std::string& sql) { return Query(sql)->Item(0).Value.ToInt64(); }

    TemporaryFolder folder_;
    std::filesystem::path file_;
    sqlite::Database raw_;
    std::shared_ptr<DatabaseConnection> connection_;
};

TEST_F(ErpTriggersTest, EveryInsertAndUpdateGetsAGreaterRowVersionWhoeverWrites) {
    enum class Writer { Raw, Connection, RecursiveTriggers };
    const struct {
        Writer writer;
        std::string sql;
        std::string table, column, where;
    } steps[] = {
        {Writer::Raw, "INSERT INTO t_rp_contact (FNumber, FRP, FType) VALUES ('A', 1, 3)", "t_rp_contact",
         "FModifyTime", "FNumber='A'"},
        {Writer::Connection, "INSERT INTO t_RPContract (FContractNo, UUID) VALUES ('HT-1', 'U-1')", "t_RPContract",
         "FModifyTime", "FContractNo='HT-1'"},
        {Writer::Raw, "INSERT INTO t_RP_NewReceiveBill (FNumber, FPre, UUID) VALUES ('B-1', 0, 'B-1')",
         "t_RP_NewReceiveBill", "FModifyTime", "FNumber='B-1'"},
        {Writer::Connection, "INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete) VALUES (2, 5, 0)",
         "COM_DataChange", "FTimeStamp", "FID=1"},
        {Writer::Connection, "UPDATE t_rp_contact SET FExplanation='x' WHERE FNumber='a'", "t_rp_contact",
         "FModifyTime", "FNumber='A'"},
        {Writer::Raw, "UPDATE t_RPContract SET FStatus=1 WHERE FContractNo='HT-1'", "t_RPContract", "FModifyTime",
         "FContractNo='HT-1'"},
        {Writer::Connection, "UPDATE t_RP_NewReceiveBill SET FExplanation='y' WHERE FNumber='b-1'",
         "t_RP_NewReceiveBill", "FModifyTime", "FNumber='B-1'"},
        {Writer::Raw, "UPDATE COM_DataChange SET FIfDelete=0 WHERE FID=1", "COM_DataChange", "FTimeStamp", "FID=1"},
        // With recursive triggers on, the trigger's own write must not start
        // another round.
        {Writer::RecursiveTriggers, "UPDATE t_rp_contact SET FNumber='A2' WHERE FNumber='A'", "t_rp_contact",
         "FModifyTime", "FNumber='A2'"},
        {Writer::RecursiveTriggers, "INSERT INTO t_RPContract (FContractNo, UUID) VALUES ('HT-2', 'U-2')",
         "t_RPContract", "FModifyTime", "FContractNo='HT-2'"},
    };
    Bytes newest(8, 0);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.sql);
        if (step.writer == Writer::Connection) {
            std::string sql = step.sql;
            connection_->GetAnyRecordSet(sql);
        } else {
            sqlite::Database other = sqlite::Database::Open(file_.string(), sqlite::OpenMode::ReadWrite);
            if (step.writer == Writer::RecursiveTriggers) other.Exec("PRAGMA recursive_triggers = ON");
            other.Exec(step.sql);
        }
        const Bytes version = Version(step.table, step.column, step.where);
        ASSERT_EQ(version.size(), 8u);
        EXPECT_GT(version, newest);
        newest = version;
    }
    // One value per write: the counter moved exactly once per step.
    EXPECT_EQ(newest, (Bytes{0, 0, 0, 0, 0, 0, 0x07, 0xD0 + 10}));
}

TEST_F(ErpTriggersTest, EachRowOfAMultiRowUpdateGetsItsOwnVersion) {
    raw_.Exec("INSERT INTO t_rp_contact (FNumber, FRP, FType) VALUES ('A', 1, 3), ('B', 1, 13), ('C', 0, 3)");
    const Bytes before = Query("SELECT MAX(FModifyTime) FMT FROM t_rp_contact")->Value("FMT").AsBytes();
    raw_.Exec("UPDATE t_rp_contact SET FExplanation = 'checked'");
    auto rows = Query("SELECT FModifyTime FROM t_rp_contact ORDER BY FModifyTime");
    ASSERT_EQ(rows->RecordCount(), 3);
    Bytes previous = before;
    for (; !rows->Eof(); rows->MoveNext()) {
        const Bytes version = rows->Value("FModifyTime").AsBytes();
        EXPECT_GT(version, previous);
        previous = version;
    }
}

TEST_F(ErpTriggersTest, RowVersionCannotBeWritten) {
    // An explicit value on insert is replaced by the next row version.
    raw_.Exec("INSERT INTO t_RPContract (FContractNo, UUID, FModifyTime) VALUES ('HT-1', 'U-1', X'FFFFFFFFFFFFFFFF')");
    const Bytes stamped = Version("t_RPContract", "FModifyTime", "FContractNo='HT-1'");
    EXPECT_EQ(stamped, (Bytes{0, 0, 0, 0, 0, 0, 0x07, 0xD1}));

    // An update that sets it is refused, as SQL Server refuses it.
    try {
        Query("UPDATE t_RPContract SET FModifyTime=0x0000000000000001 WHERE FContractNo='HT-1'");
        FAIL() << "the update was not refused";
    } catch (const Error& error) {
        EXPECT_NE(error.record().Description.find("Cannot update a timestamp column."), std::string::npos)
            << error.record().Description;
    }
    EXPECT_EQ(Version("t_RPContract", "FModifyTime", "FContractNo='HT-1'"), stamped);
}

TEST_F(ErpTriggersTest, DeletionsAreLoggedWithTheDeletedUuid) {
    raw_.Exec(
        "INSERT INTO t_RPContract (FContractID, FContractNo, UUID) VALUES (1, 'HT-1', 'C-1'), (2, 'HT-2', 'C-2');"
        "INSERT INTO t_rpcontractentry (FContractID) VALUES (1), (1), (2);"
        "INSERT INTO t_rpcontractscheme (FContractID) VALUES (1), (2);"
        "INSERT INTO t_RP_NewReceiveBill (FBillID, FPre, UUID) VALUES (1, 0, 'B-1'), (2, 1, 'B-2'), (3, 2, 'B-3');");
    const struct {
        std::string deletion;
        std::string uuid;
        int type;  // 0: nothing logged
    } cases[] = {
        {"DELETE FROM t_RPContract WHERE FContractID=1", "C-1", -1},
        {"DELETE FROM t_RP_NewReceiveBill WHERE FBillID=1", "B-1", 5},
        {"DELETE FROM t_RP_NewReceiveBill WHERE FBillID=2", "B-2", 15},
        {"DELETE FROM t_RP_NewReceiveBill WHERE FBillID=3", "B-3", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deletion);
        const Variant newest = Query("SELECT MAX(v) FMT FROM (SELECT MAX(FModifyTime) v FROM t_RPContract UNION ALL "
                                   "SELECT MAX(FModifyTime) FROM t_RP_NewReceiveBill UNION ALL "
                                   "SELECT MAX(FTimeStamp) FROM COM_DataChange) x")
                                   ->Value("FMT");
        Query(c.deletion);
        auto logged = Query("SELECT * FROM COM_DataChange WHERE FChangedUUID='" + c.uuid + "'");
        if (c.type == 0) {
            EXPECT_EQ(logged->RecordCount(), 0);
            continue;
        }
        ASSERT_EQ(logged->RecordCount(), 1);
        EXPECT_EQ(logged->Value("FSystemFlag"), Variant(2));
        EXPECT_EQ(logged->Value("FType"), Variant(c.type));
        EXPECT_EQ(logged->Value("FIfDelete"), Variant(1));
        EXPECT_GT(logged->Value("FTimeStamp").AsBytes(), newest.AsBytes());
    }
    // The contract took its own lines with it, and only those.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractentry WHERE FContractID=1"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractscheme WHERE FContractID=1"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractentry WHERE FContractID=2"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractscheme WHERE FContractID=2"), 1);
}

// The deletion page has no ORDER BY; its next bound is the greatest
// FTimeStamp of the page. Rows must come oldest first, also when a row's
// version no longer follows the insertion order, or a deletion is skipped.
TEST_F(ErpTriggersTest, DeletionPageHoldsTheOldestDeletions) {
    raw_.Exec("INSERT INTO COM_DataChange (FID, FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES"
              " (1, 2, 5, 1, 'U-1'), (2, 2, 5, 1, 'U-2'), (3, 2, 5, 1, 'U-3');"
              "UPDATE COM_DataChange SET FChangedUUID = 'U-1' WHERE FID = 1");  // now the newest
    std::string bound = "0x0000000000000000";
    std::vector<std::int64_t> order;
    for (int page = 0; page < 3; ++page) {
        const std::string sql = "SELECT TOP 2 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and "
                                "FIfDelete=1  and (FTimeStamp>" + bound + ")";
        auto rows = Query(sql);
        if (rows->Eof()) break;
        for (; !rows->Eof(); rows->MoveNext()) order.push_back(rows->Value("FID").ToInt64());
        const Bytes next = Query("SELECT MAX(u.FTimeStamp) FMT FROM ( " + sql + ") u")->Value("FMT").AsBytes();
        bound = "0x" + HexDigits(next);
    }
    EXPECT_EQ(order, (std::vector<std::int64_t>{2, 3, 1}));
}

TEST_F(ErpTriggersTest, RowsWrittenWithoutUuidGetOne) {
    Query("INSERT INTO t_RPContract (FContractNo) VALUES ('HT-1')");
    Query("INSERT INTO t_RPContract (FContractNo) VALUES ('HT-2')");
    auto rows = Query("SELECT UUID FROM t_RPContract");
    ASSERT_EQ(rows->RecordCount(), 2);
    const std::string first = rows->Value("UUID").ToText();
    rows->MoveNext();
    const std::string second = rows->Value("UUID").ToText();
    EXPECT_EQ(first.size(), 36u);
    EXPECT_EQ(first[8], '-');
    EXPECT_NE(first, second);
}

// An amount column holds what SQL Server's DECIMAL(28,10) holds, so every
// value in it can be written into a document.
TEST_F(ErpTriggersTest, AmountsAreNumbersBelowTenToTheEighteen) {
    Query("INSERT INTO t_rpcontractentry (FContractID, FPriceFor) VALUES (1, 2.5)");
    for (const char* value : {"'12.5'", "-999999999999999900", "NULL", "0.0000000033333333333333334"}) {
        SCOPED_TRACE(value);
        EXPECT_NO_THROW(Query(std::string("UPDATE t_rpcontractentry SET FPriceFor=") + value));
    }
    for (const char* value : {"'abc'", "1e18", "-1e18", "1e999", "X'00'"}) {
        SCOPED_TRACE(value);
        EXPECT_THROW(Query(std::string("UPDATE t_rpcontractentry SET FPriceFor=") + value), Error);
    }
}

}  // namespace
}  // namespace ovardx::erp
