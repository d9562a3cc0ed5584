// clsDataKey.ExportXMLDataKey: statements, records, paging, refusals, faults.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ovardx/clsDataKey.h"
#include "tests/data_key/DataKeyTestSupport.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

using ExportXMLDataKeyTest = DataKeyDatabaseTest;

TEST_F(ExportXMLDataKeyTest, SendsTheStatementsCharacterForCharacter) {
    const struct {
        std::int16_t billType;
        std::int32_t perCount;
        const char* maxStatement;
        const char* pageStatement;
    } cases[] = {
        {1, 100, "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  ",
         "SELECT TOP 100 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and "
         "(FTimeStamp>0x0000000000000000) ORDER BY FTimeStamp"},
        {2, 7, "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=15 and FIfDelete=1  ",
         "SELECT TOP 7 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=15 and FIfDelete=1  and "
         "(FTimeStamp>0x0000000000000000) ORDER BY FTimeStamp"},
        {3, 0, "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=-1 and FIfDelete=1  ",
         "SELECT  * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=-1 and FIfDelete=1  and "
         "(FTimeStamp>0x0000000000000000) ORDER BY FTimeStamp"},
        {9, 100, "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=0 and FIfDelete=1  ",
         "SELECT TOP 100 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=0 and FIfDelete=1  and "
         "(FTimeStamp>0x0000000000000000) ORDER BY FTimeStamp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("iBillType " + std::to_string(c.billType) + ", lPerCount " + std::to_string(c.perCount));
        RecordingScope recording;
        clsDataKey keys;  // new object: an unknown type compares FType with 0
        ExportResult result = ExportKeys(keys, Props(), c.billType, c.perCount, "");
        ASSERT_TRUE(result.ok) << result.error;
        ASSERT_EQ(recording.Statements().size(), 7u);  // the gate's five, the maximum, the page
        EXPECT_EQ(recording.Statements()[5], c.maxStatement);
        EXPECT_EQ(recording.Statements()[6], c.pageStatement);
        EXPECT_EQ(recording.Log().closeCalls, 1);
    }
}

TEST_F(ExportXMLDataKeyTest, ExportsEveryDeletionOfEachKindWithItsRemark) {
    const struct {
        std::int16_t billType;
        const char* language;
        const char* remark;
        std::int64_t erp::DemoSummary::*count;
        std::string erp::DemoSummary::*sampleUuid;
    } cases[] = {
        {1, "chs", "收款单", &erp::DemoSummary::DeletedReceiveBills, &erp::DemoSummary::DeletedReceiveBillUuid},
        {1, "eng", "Receive bill", &erp::DemoSummary::DeletedReceiveBills, nullptr},
        {2, "chs", "预收单", &erp::DemoSummary::DeletedAdvanceReceipts, nullptr},
        {2, "eng", "Advance receipt bill", &erp::DemoSummary::DeletedAdvanceReceipts, nullptr},
        {3, "chs", "合同", &erp::DemoSummary::DeletedContracts, &erp::DemoSummary::DeletedContractUuid},
        {3, "eng", "Contract", &erp::DemoSummary::DeletedContracts, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("iBillType " + std::to_string(c.billType) + " in " + c.language);
        clsDataKey keys;
        ExportResult result = ExportKeys(keys, Props(c.language), c.billType, 0, "");
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.error, "");
        const std::vector<Key> exported = KeysOf(result.xml);
        ASSERT_EQ(static_cast<std::int64_t>(exported.size()), summary_.*c.count);
        ASSERT_GT(exported.size(), 0u);
        std::set<std::string> uuids;
        for (const Key& key : exported) {
            EXPECT_EQ(key.remark, c.remark);
            uuids.insert(key.uuid);
        }
        if (c.sampleUuid) {
            EXPECT_EQ(uuids.count(summary_.*c.sampleUuid), 1u);
        }
        // The whole log in one page: its bound is the newest deletion.
        EXPECT_EQ(result.timeStamp, result.maxTimeStamp);
        EXPECT_NE(result.timeStamp, kZero);
    }
}

TEST_F(ExportXMLDataKeyTest, PageBoundIsItsLastDeletionAndTheMaximumIgnoresThePage) {
    clsDataKey keys;
    ExportResult all = ExportKeys(keys, Props(), 1, 0, "");
    ASSERT_TRUE(all.ok) << all.error;
    const std::vector<Key> allKeys = KeysOf(all.xml);
    ASSERT_GE(allKeys.size(), 3u);

    ExportResult first = ExportKeys(keys, Props(), 1, 2, "");
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(KeysOf(first.xml), std::vector<Key>(allKeys.begin(), allKeys.begin() + 2));
    EXPECT_LT(first.timeStamp, all.maxTimeStamp);
    EXPECT_EQ(first.maxTimeStamp, all.maxTimeStamp);

    // After the newest deletion: an empty document and the zero bound.
    std::string xml, timeStamp = all.maxTimeStamp, maxTimeStamp = "0xFFFF", error;
    ASSERT_TRUE(keys.ExportXMLDataKey(Props(), 1, xml, 100, timeStamp, maxTimeStamp, error)) << error;
    EXPECT_EQ(timeStamp, kZero);
    EXPECT_EQ(maxTimeStamp, all.maxTimeStamp);
    EXPECT_TRUE(KeysOf(xml).empty());
}

TEST_F(ExportXMLDataKeyTest, KindWithoutDeletionsGivesZeroTimestamps) {
    Sql("DELETE FROM COM_DataChange WHERE FType=15");
    clsDataKey keys;
    ExportResult result = ExportKeys(keys, Props(), 2, 100, "");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.timeStamp, kZero);
    EXPECT_EQ(result.maxTimeStamp, kZero);
    EXPECT_TRUE(KeysOf(result.xml).empty());
}

TEST_F(ExportXMLDataKeyTest, UnknownTypeKeepsTheKindOfThePreviousCall) {
    Sql("INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES (2, 0, 1, 'TYPE-ZERO')");
    {
        clsDataKey keys;
        ExportResult result = ExportKeys(keys, Props(), 9, 0, "");
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(KeysOf(result.xml), (std::vector<Key>{{"未知类别", "TYPE-ZERO"}}));
    }
    clsDataKey keys;
    ExportResult advance = ExportKeys(keys, Props(), 2, 0, "");
    ASSERT_TRUE(advance.ok) << advance.error;
    ExportResult unknown = ExportKeys(keys, Props(), 9, 0, "");
    ASSERT_TRUE(unknown.ok) << unknown.error;
    EXPECT_EQ(unknown.xml, advance.xml);
    EXPECT_EQ(KeysOf(unknown.xml).front().remark, "预收单");
}

// The server may hand the rows of an unordered page out in any order. Here
// the rows lie in the file in the reverse of their FTimeStamp order and no
// index orders them, so a page without ORDER BY would hold the newest rows
// and its bound would skip the older ones for good.
TEST_F(ExportXMLDataKeyTest, PagingThroughAnUnorderedLogDeliversEveryDeletionOnce) {
    Sql("DROP INDEX ix_DataChange_Type");
    std::set<std::string> expected;
    for (int i = 0; i < 20; ++i) {
        const std::string uuid = "OUT-OF-ORDER-" + std::to_string(i);
        Sql("INSERT INTO COM_DataChange (FID, FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES (" +
            std::to_string(900000 - i) + ", 2, 5, 1, '" + uuid + "')");
        expected.insert(uuid);
    }
    clsDataKey keys;
    ExportResult all = ExportKeys(keys, Props(), 1, 0, "");
    ASSERT_TRUE(all.ok) << all.error;
    for (const Key& key : KeysOf(all.xml)) expected.insert(key.uuid);

    std::map<std::string, int> seen;
    std::string timeStamp;
    for (int call = 0; call < 1000; ++call) {
        ExportResult page = ExportKeys(keys, Props(), 1, 3, timeStamp);
        ASSERT_TRUE(page.ok) << page.error;
        if (page.timeStamp == kZero) break;
        EXPECT_GT(page.timeStamp, timeStamp);
        for (const Key& key : KeysOf(page.xml)) ++seen[key.uuid];
        timeStamp = page.timeStamp;
    }
    EXPECT_EQ(seen.size(), expected.size());
    for (const std::string& uuid : expected) EXPECT_EQ(seen[uuid], 1) << uuid;
}

TEST_F(ExportXMLDataKeyTest, MalformedTimestampIsRefusedBeforeAnyStatement) {
    for (const char* bad : {"0x12G4", "1 or 1=1", "0x00) OR (1=1", "00FF"}) {
        SCOPED_TRACE(bad);
        RecordingScope recording;
        clsDataKey keys;
        ExportResult result = ExportKeys(keys, Props("eng"), 1, 100, bad);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.timeStamp, bad);
        EXPECT_EQ(recording.Statements().size(), 5u);  // the gate's statements only
        EXPECT_EQ(result.error,
                  "Error number:-2147221304\r\nError source:OVArDataExchange.clsDataKey.ExportXMLDataKey\r\n"
                  "Error description:Invalid timestamp");
    }
}

TEST_F(ExportXMLDataKeyTest, RefusedUserLeavesEveryArgumentAsPassed) {
    clsDataKey keys;
    const std::string props = PropsFor(path_, erp::kPlainUserId);
    std::string xml = "old", timeStamp = "0x01", maxTimeStamp = "max", error;
    EXPECT_FALSE(keys.ExportXMLDataKey(props, 1, xml, 100, timeStamp, maxTimeStamp, error));
    EXPECT_EQ(xml, "old");
    EXPECT_EQ(timeStamp, "0x01");
    EXPECT_EQ(maxTimeStamp, "max");
    EXPECT_EQ(error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
}

TEST_F(ExportXMLDataKeyTest, FaultAtEveryStatementFailsCleanly) {
    RecordingScope recording;
    for (std::size_t failing = 5; failing < 7; ++failing) {
        SCOPED_TRACE("failing statement " + std::to_string(failing));
        recording.Clear();
        recording.Log().failAt = failing;
        clsDataKey keys;
        ExportResult result = ExportKeys(keys, Props(), 1, 3, "0x0000000000000001");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.timeStamp, "0x0000000000000001");
        EXPECT_EQ(result.error, "错误号:" + std::to_string(kInjectedFault) + "\r\n错误源:" + kInjectedFaultSource +
                                    "\r\n错误描述:statement " + std::to_string(failing) + " failed");
        EXPECT_EQ(recording.Log().closeCalls, 1);
        EXPECT_EQ(recording.Statements().size(), failing + 1);
    }
}

}  // namespace
}  // namespace ovardx::testing
