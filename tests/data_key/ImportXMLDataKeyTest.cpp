// clsDataKey.ImportXMLDataKey: the component calls of each kind, deletions
// through the stand-ins, keys that fail, refusals and faults.
#include <gtest/gtest.h>

#include "ovardx/clsDataKey.h"
#include "tests/data_key/DataKeyTestSupport.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

class ImportXMLDataKeyTest : public DataKeyDatabaseTest {
protected:
    struct Row {
        std::int32_t id = 0;
        bool receivable = false;
        std::string uuid;
    };
    Row FirstRow(const std::string& sql) const {
        auto rows = Sql(sql);
        EXPECT_FALSE(rows->Eof()) << sql;
        return {rows->Item(0).Value.ToInt32(), rows->Item(1).Value.ToBool(), rows->Item(2).Value.ToText()};
    }
    Row Contract(int rp) const {
        return FirstRow("SELECT FContractID, FRP, UUID FROM t_RPContract WHERE FRP=" + std::to_string(rp) +
                        " ORDER BY FContractID LIMIT 1");
    }
    Row Bill(int pre, int rp, int skip = 0) const {
        return FirstRow("SELECT FBillID, FRP, UUID FROM t_RP_NewReceiveBill WHERE FPre=" + std::to_string(pre) +
                        " AND FRP=" + std::to_string(rp) + " ORDER BY FBillID LIMIT 1 OFFSET " + std::to_string(skip));
    }
    bool BillExists(std::int32_t id) const {
        return Count("t_RP_NewReceiveBill WHERE FBillID=" + std::to_string(id)) == 1;
    }

    bool Import(clsDataKey& keys, std::int16_t billType, const std::string& xml, std::string& error,
                std::string props = {}) {
        if (props.empty()) props = Props();
        const std::string before = props;
        const bool ok = keys.ImportXMLDataKey(props, billType, xml, error);
        EXPECT_EQ(props, before);
        return ok;
    }
};

TEST_F(ImportXMLDataKeyTest, CallsTheComponentOfEachKindWithTheDocumentsIdAndSide) {
    const Row payableBill = Bill(0, 0), receivableBill = Bill(0, 1), advance = Bill(1, 1);
    const Row receivableContract = Contract(1), payableContract = Contract(0);
    const struct {
        std::int16_t billType;
        Row row;
        std::int16_t kind;
    } cases[] = {
        {1, payableBill, 0}, {1, receivableBill, 0}, {2, advance, 1}, {3, receivableContract, -1}, {3, payableContract, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("iBillType " + std::to_string(c.billType) + ", id " + std::to_string(c.row.id));
        FakeUpdaters updaters;
        clsDataKey keys;
        std::string error = "old";
        EXPECT_TRUE(Import(keys, c.billType, DeleteDocument({c.row.uuid.c_str()}), error)) << error;
        EXPECT_EQ(error, "");
        EXPECT_EQ(updaters.Calls(), (std::vector<DeleteCall>{{Props(), c.row.id, c.row.receivable, c.kind}}));
    }
}

TEST_F(ImportXMLDataKeyTest, KeysThatNameNothingDeleteNothing) {
    RecordingScope recording;
    FakeUpdaters updaters;
    clsDataKey keys;
    std::string error;
    // An unknown UUID, one with a quote, and a receive bill's UUID where
    // contracts are deleted.
    const std::string billUuid = Bill(0, 1).uuid;
    EXPECT_TRUE(Import(keys, 3, DeleteDocument({"NO-SUCH-UUID", "x' OR ''='", billUuid.c_str()}), error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_TRUE(updaters.Calls().empty());
    ASSERT_EQ(recording.Statements().size(), 8u);
    EXPECT_EQ(recording.Statements()[6], "SELECT FContractID,FRP FROM t_RPContract WHERE UUID='x'' OR ''''='''");

    std::string billError;
    EXPECT_TRUE(Import(keys, 1, DeleteDocument({"x' OR ''='"}), billError)) << billError;
    EXPECT_EQ(recording.Statements().back(), "select FBillID,FRP from t_rp_newreceivebill WHERE UUID='x'' OR ''''='''");
    EXPECT_TRUE(updaters.Calls().empty());
    EXPECT_EQ(recording.Log().closeCalls, 2);
}

// Many documents may lack a UUID; a key without one must not delete the
// first of them. It deletes nothing and is reported as a failed key.
TEST_F(ImportXMLDataKeyTest, KeysWithoutAUuidDeleteNothingAndAreReported) {
    const Row unnamed = Bill(0, 1), named = Bill(0, 1, 1);
    Sql("UPDATE t_RP_NewReceiveBill SET UUID='' WHERE FBillID=" + std::to_string(unnamed.id));
    RecordingScope recording;
    clsDataKey keys;
    std::string error;
    EXPECT_FALSE(Import(keys, 1, DeleteDocument({nullptr, "  ", named.uuid.c_str()}), error,
                        PropsFor(path_, erp::kAdministratorUserId, "eng")));
    EXPECT_EQ(error, "Error number:-2147221304\r\nError source:OVArDataExchange.clsDataKey\r\n"
                     "Error description:The deletion key has no UUID! (UUID: ,   )");
    EXPECT_TRUE(BillExists(unnamed.id));
    EXPECT_FALSE(BillExists(named.id));
    for (const std::string& statement : recording.Statements())
        EXPECT_EQ(statement.find("UUID=''"), std::string::npos) << statement;
}

TEST_F(ImportXMLDataKeyTest, DeletionsThroughTheComponentsAreExportedAfterwards) {
    const struct {
        std::int16_t billType;
        Row row;
        const char* remark;
        const char* table;
    } cases[] = {
        {1, Bill(0, 1), "收款单", "t_RP_NewReceiveBill WHERE FBillID="},
        {2, Bill(1, 1), "预收单", "t_RP_NewReceiveBill WHERE FBillID="},
        {3, Contract(1), "合同", "t_RPContract WHERE FContractID="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("iBillType " + std::to_string(c.billType));
        clsDataKey keys;
        ExportResult before = ExportKeys(keys, Props(), c.billType, 0, "");
        ASSERT_TRUE(before.ok) << before.error;

        std::string error;
        ASSERT_TRUE(Import(keys, c.billType, DeleteDocument({c.row.uuid.c_str()}), error)) << error;
        EXPECT_EQ(Count(c.table + std::to_string(c.row.id)), 0);

        ExportResult after = ExportKeys(keys, Props(), c.billType, 100, before.maxTimeStamp);
        ASSERT_TRUE(after.ok) << after.error;
        EXPECT_EQ(KeysOf(after.xml), (std::vector<Key>{{c.remark, c.row.uuid}}));
        EXPECT_EQ(after.timeStamp, after.maxTimeStamp);
        EXPECT_GT(after.maxTimeStamp, before.maxTimeStamp);
    }
    EXPECT_EQ(Count("t_rpcontractentry WHERE FContractID=" + std::to_string(cases[2].row.id)), 0);
}

// The database refuses to delete two of the bills; the others are deleted
// all the same, and the answer names both refused ones.
TEST_F(ImportXMLDataKeyTest, KeysThatCannotBeDeletedAreReportedAfterTheOthersWereApplied) {
    const Row good1 = Bill(0, 1, 0), bad1 = Bill(0, 1, 1), good2 = Bill(0, 1, 2), bad2 = Bill(0, 1, 3);
    Sql("CREATE TRIGGER test_keep_bills BEFORE DELETE ON t_RP_NewReceiveBill WHEN OLD.FBillID IN (" +
        std::to_string(bad1.id) + "," + std::to_string(bad2.id) + ") BEGIN SELECT RAISE(ABORT, 'bill is locked'); END");
    const std::int64_t logged = Count("COM_DataChange WHERE FType=5 AND FIfDelete=1");
    clsDataKey keys;
    std::string error;
    EXPECT_FALSE(Import(keys, 1,
                        DeleteDocument({good1.uuid.c_str(), bad1.uuid.c_str(), good2.uuid.c_str(), bad2.uuid.c_str()}),
                        error, PropsFor(path_, erp::kWebServiceUserId, "eng")));
    EXPECT_FALSE(BillExists(good1.id));
    EXPECT_FALSE(BillExists(good2.id));
    EXPECT_TRUE(BillExists(bad1.id));
    EXPECT_TRUE(BillExists(bad2.id));
    EXPECT_EQ(Count("COM_DataChange WHERE FType=5 AND FIfDelete=1"), logged + 2);
    EXPECT_EQ(error, "Error number:-2147217900\r\nError source:OVArDataExchange SQLite Provider\r\n"
                     "Error description:bill is locked (UUID: " + bad1.uuid + ", " + bad2.uuid + ")");
}

TEST_F(ImportXMLDataKeyTest, ComponentFailureOfOneKindNamesTheKey) {
    const Row first = Bill(1, 1, 0), failing = Bill(1, 1, 1);
    FakeUpdaters updaters;
    updaters.FailFor(failing.id);
    clsDataKey keys;
    std::string error;
    EXPECT_FALSE(Import(keys, 2, DeleteDocument({failing.uuid.c_str(), first.uuid.c_str()}), error));
    EXPECT_EQ(updaters.Calls().size(), 2u);
    EXPECT_EQ(error, "错误号:-2147221304\r\n错误源:FakeBillUpdater\r\n错误描述:cannot delete (UUID: " + failing.uuid + ")");
}

TEST_F(ImportXMLDataKeyTest, BillOfTheOtherKindIsNotDeleted) {
    // An advance receipt's UUID with iBillType 1: the stand-in refuses it.
    const Row advance = Bill(1, 1);
    clsDataKey keys;
    std::string error;
    EXPECT_FALSE(Import(keys, 1, DeleteDocument({advance.uuid.c_str()}), error));
    EXPECT_TRUE(BillExists(advance.id));
    EXPECT_EQ(error, "错误号:-2147221304\r\n错误源:tessaBill.NewBillUpdate\r\n错误描述:收款单不存在 (FBillID " +
                         std::to_string(advance.id) + ", FRP 1) (UUID: " + advance.uuid + ")");
}

TEST_F(ImportXMLDataKeyTest, UnsupportedTypeIsRefusedBeforeAnyKeyIsApplied) {
    FakeUpdaters updaters;
    const std::string uuid = Bill(0, 1).uuid;
    clsDataKey keys;
    std::string error;
    ASSERT_TRUE(Import(keys, 1, DeleteDocument({}), error)) << error;  // selects receive bills on the object
    for (std::int16_t billType : {0, 4, 7, -1}) {
        SCOPED_TRACE(billType);
        EXPECT_FALSE(Import(keys, billType, DeleteDocument({uuid.c_str()}), error));
        EXPECT_EQ(error, "错误号:-2147221304\r\n错误源:OVArDataExchange.clsDataKey\r\n"
                         "错误描述:不支持不识别删除关键字的导入导出!");
        EXPECT_TRUE(Import(keys, billType, DeleteDocument({}), error)) << error;
        EXPECT_EQ(error, "");
    }
    EXPECT_TRUE(updaters.Calls().empty());
    // The export still works on the kind the object kept.
    ExportResult kept = ExportKeys(keys, Props(), 7, 0, "");
    ASSERT_TRUE(kept.ok) << kept.error;
    EXPECT_EQ(KeysOf(kept.xml).front().remark, "收款单");
}

TEST_F(ImportXMLDataKeyTest, UnreadableDocumentDeletesNothing) {
    FakeUpdaters updaters;
    clsDataKey keys;
    for (const char* xml : {"", "<Delete><Record><UUID>A</UUID>", "<Plan><Record><UUID>A</UUID></Record></Plan>",
                            "<Delete><Record><Number>A</Number></Record></Delete>"}) {
        SCOPED_TRACE(xml);
        std::string error;
        EXPECT_FALSE(Import(keys, 1, xml, error));
        EXPECT_NE(error, "");
        EXPECT_EQ(error.find("错误号:"), std::string::npos) << "the reader's own message: " << error;
    }
    EXPECT_TRUE(updaters.Calls().empty());
}

TEST_F(ImportXMLDataKeyTest, RefusedUserDeletesNothing) {
    FakeUpdaters updaters;
    RecordingScope recording;
    clsDataKey keys;
    std::string error;
    EXPECT_FALSE(Import(keys, 1, DeleteDocument({Bill(0, 1).uuid.c_str()}), error, PropsFor(path_, erp::kPlainUserId)));
    EXPECT_EQ(error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
    EXPECT_TRUE(updaters.Calls().empty());
    EXPECT_EQ(recording.Statements().size(), 5u);
}

TEST_F(ImportXMLDataKeyTest, FaultAtEachLookupFailsThatKeyOnly) {
    const Row bills[] = {Bill(0, 1, 0), Bill(0, 1, 1), Bill(0, 1, 2)};
    const std::string xml = DeleteDocument({bills[0].uuid.c_str(), bills[1].uuid.c_str(), bills[2].uuid.c_str()});
    RecordingScope recording;
    for (std::size_t failing = 0; failing < 3; ++failing) {
        SCOPED_TRACE("failing key " + std::to_string(failing));
        recording.Clear();
        recording.Log().failAt = 5 + failing;
        FakeUpdaters updaters;
        clsDataKey keys;
        std::string error;
        EXPECT_FALSE(Import(keys, 1, xml, error));
        EXPECT_EQ(error, "错误号:" + std::to_string(kInjectedFault) + "\r\n错误源:" + kInjectedFaultSource +
                             "\r\n错误描述:statement " + std::to_string(5 + failing) + " failed (UUID: " +
                             bills[failing].uuid + ")");
        std::vector<DeleteCall> expected;
        for (std::size_t i = 0; i < 3; ++i)
            if (i != failing) expected.push_back({Props(), bills[i].id, true, 0});
        EXPECT_EQ(updaters.Calls(), expected);
        EXPECT_EQ(recording.Statements().size(), 8u);
        EXPECT_EQ(recording.Log().closeCalls, 1);
    }
}

TEST_F(ImportXMLDataKeyTest, MissingComponentFailsEveryKeyOfItsKind) {
    ScopedComponent unregistered(kContractUpdaterProgId);
    const Row contract = Contract(1);
    clsDataKey keys;
    std::string error;
    EXPECT_FALSE(Import(keys, 3, DeleteDocument({contract.uuid.c_str(), "NO-SUCH-UUID"}), error));
    EXPECT_NE(error.find("\r\n错误描述:"), std::string::npos) << error;
    EXPECT_NE(error.find("(UUID: " + contract.uuid + ")"), std::string::npos) << error;
    EXPECT_EQ(Count("t_RPContract WHERE FContractID=" + std::to_string(contract.id)), 1);
}

}  // namespace
}  // namespace ovardx::testing
