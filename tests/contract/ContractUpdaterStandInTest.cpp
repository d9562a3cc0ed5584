#include "erp/ContractUpdaterStandIn.h"

#include "erp/DecimalColumn.h"

#include <gtest/gtest.h>

#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

// Each test gets its own demo database, since the stand-in writes.
class ContractUpdaterStandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.Path() / "demo.db";
        summary_ = erp::CreateDemoDatabase(path_);
        props_ = PropsFor(path_, erp::kAdministratorUserId);
        erp::RegisterErpComponents();
        updater_ = ComponentRegistry::Create<ContractUpdater>(kContractUpdaterProgId);
    }

    std::int64_t Count(const std::string& sql) {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        EXPECT_TRUE(statement.Step());
        return statement.ColumnInt64(0);
    }

    std::string Text(const std::string& sql) {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        EXPECT_TRUE(statement.Step());
        return statement.ColumnText(0);
    }

    static std::shared_ptr<ValueDictionary> Header(std::int32_t contractId, const std::string& number) {
        auto header = NewRecord();
        header->SetValue("FRP", 1);
        header->SetValue("FContractTypeID", 1);
        header->SetValue("FContractNo", number);
        header->SetValue("FContractName", "Pumps");
        header->SetValue("FCustomer", 1);
        header->SetValue("FCurrencyID", 1);
        header->SetValue("FExchangeRate", "1");
        header->SetValue("FTotalAmountFor", "210.6");
        header->SetValue("FReceiveAmountFor", 0);
        header->SetValue("FExplanation", "");
        header->SetValue("FDate", "2024-03-05");
        header->SetValue("FText", "");
        header->SetValue("FCashDiscount", "");
        header->SetValue("FContractID", contractId);
        header->SetValue("FSystemType", 1);
        return header;
    }

    static std::shared_ptr<ValueVector> Entries(int count) {
        auto list = NewList();
        for (int i = 0; i < count; ++i) {
            auto entry = NewRecord();
            for (const char* key : {"FProductID", "FUnitID"}) entry->SetValue(key, 1);
            for (const char* key : {"FQuantity", "FTaxPriceFor", "FTaxRate", "FBusinessDiscountRate", "FPriceFor",
                                    "FAmountFor", "FTaxFor", "FAmountIncludeTaxFor", "FBusinessDiscountFor"})
                entry->SetValue(key, 2.5);
            list->Add(entry);
        }
        return list;
    }

    static std::shared_ptr<ValueVector> Schemes(int count) {
        auto list = NewList();
        for (int i = 0; i < count; ++i) {
            auto scheme = NewRecord();
            scheme->SetValue("FReceiveDate", "2024-04-01");
            scheme->SetValue("FAmountFor", 100);
            scheme->SetValue("FCurrencyID", 1);
            scheme->SetValue("FExchangeRate", 1);
            list->Add(scheme);
        }
        return list;
    }

    TemporaryFolder folder_;
    std::filesystem::path path_;
    erp::DemoSummary summary_;
    std::string props_;
    std::shared_ptr<ContractUpdater> updater_;
};

TEST_F(ContractUpdaterStandInTest, DeleteRemovesTheContractWithItsLinesAndLogsIt) {
    const auto& sample = summary_.SampleContract;
    ASSERT_GT(sample.Id, 0);
    const std::string id = std::to_string(sample.Id);
    const std::int64_t logged = Count("SELECT COUNT(*) FROM COM_DataChange WHERE FIfDelete=1");
    std::int32_t contractId = static_cast<std::int32_t>(sample.Id);
    bool receivable = true;
    updater_->Delete(props_, contractId, receivable);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractID=" + id), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractentry WHERE FContractID=" + id), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractscheme WHERE FContractID=" + id), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange WHERE FIfDelete=1"), logged + 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange WHERE FType=-1 AND FChangedUUID='" + sample.Uuid + "'"), 1);
}

TEST_F(ContractUpdaterStandInTest, DeleteRefusesAnUnknownIdOrTheOtherSide) {
    const auto& sample = summary_.SampleContract;
    struct Case {
        std::int32_t id;
        bool receivable;
    } cases[] = {{static_cast<std::int32_t>(sample.Id), false}, {987654, true}, {0, true}};
    for (Case c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + (c.receivable ? " receivable" : " payable"));
        EXPECT_THROW(updater_->Delete(props_, c.id, c.receivable), Error);
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract"), summary_.Contracts);
}

TEST_F(ContractUpdaterStandInTest, SaveWithIdZeroAddsAContractWithANewUuid) {
    auto header = Header(0, "NEW-1");
    auto schemes = Schemes(2);
    auto entries = Entries(3);
    const std::int32_t id = updater_->Save(props_, header, schemes, entries).ToInt32();
    const std::string where = " WHERE FContractID=" + std::to_string(id);
    EXPECT_EQ(Text("SELECT FContractNo FROM t_RPContract" + where), "NEW-1");
    EXPECT_EQ(Text("SELECT FDate FROM t_RPContract" + where), "2024-03-05");
    EXPECT_EQ(Text("SELECT FStatus FROM t_RPContract" + where), "0");
    EXPECT_EQ(Count("SELECT LENGTH(UUID) FROM t_RPContract" + where), 36);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractentry" + where), 3);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractscheme" + where), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract"), summary_.Contracts + 1);
}

TEST_F(ContractUpdaterStandInTest, SaveWithAnIdReplacesHeaderAndLinesAndKeepsTheUuid) {
    const auto& sample = summary_.SampleContract;
    const std::string where = " WHERE FContractID=" + std::to_string(sample.Id);
    auto header = Header(static_cast<std::int32_t>(sample.Id), "RENAMED");
    auto schemes = Schemes(0);
    auto entries = Entries(1);
    EXPECT_EQ(updater_->Save(props_, header, schemes, entries).ToInt32(), sample.Id);
    EXPECT_EQ(Text("SELECT FContractNo FROM t_RPContract" + where), "RENAMED");
    EXPECT_EQ(Text("SELECT UUID FROM t_RPContract" + where), sample.Uuid);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractentry" + where), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractscheme" + where), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract"), summary_.Contracts);
}

TEST_F(ContractUpdaterStandInTest, AFailingSaveWritesNothing) {
    auto unknown = Header(987654, "X");
    auto schemes = Schemes(1);
    auto entries = Entries(1);
    EXPECT_THROW(updater_->Save(props_, unknown, schemes, entries), Error);

    // A bad entry after the header was written rolls the header back.
    auto header = Header(0, "HALF");
    auto bad = Entries(2);
    auto withoutProduct = NewRecord();
    withoutProduct->SetValue("FUnitID", 1);
    bad->Add(withoutProduct);
    EXPECT_THROW(updater_->Save(props_, header, schemes, bad), Error);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo IN ('X', 'HALF')"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_rpcontractentry"), summary_.ContractEntries);
}

// A routine re-import must not wipe what the ERP keeps up itself.
TEST_F(ContractUpdaterStandInTest, AnUpdateKeepsTheReceivedAmountStatusAndChecker) {
    const auto& sample = summary_.SampleContract;
    const std::string where = " FROM t_RPContract WHERE FContractID=" + std::to_string(sample.Id);
    {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadWrite);
        db.Exec("UPDATE t_RPContract SET FReceiveAmountFor=500.25, FStatus=1, FXItemID=20 WHERE FContractID=" +
                std::to_string(sample.Id));
    }
    auto header = Header(static_cast<std::int32_t>(sample.Id), "KEPT");
    auto schemes = Schemes(1);
    auto entries = Entries(1);
    updater_->Save(props_, header, schemes, entries);
    EXPECT_EQ(Text("SELECT FReceiveAmountFor" + where), "500.25");
    EXPECT_EQ(Text("SELECT FStatus" + where), "1");
    EXPECT_EQ(Text("SELECT FXItemID" + where), "20");
    EXPECT_EQ(Text("SELECT UUID" + where), sample.Uuid);

    auto added = Header(0, "NEW-RECEIVED");
    const std::int32_t id = updater_->Save(props_, added, schemes, entries).ToInt32();
    EXPECT_EQ(Text("SELECT FReceiveAmountFor FROM t_RPContract WHERE FContractID=" + std::to_string(id)), "0");
}

// Amounts are stored as the ERP's DECIMAL(28,10) columns hold them.
TEST_F(ContractUpdaterStandInTest, AmountsAreRoundedToTenPlacesAndRefusedFromTenToTheEighteen) {
    auto schemes = Schemes(0);
    auto entries = Entries(1);
    auto line = (*entries)[0].AsRecord();
    line->SetValue("FPriceFor", 1.0 / 3);
    line->SetValue("FTaxPriceFor", "2.123456789049");
    line->SetValue("FAmountFor", -0.00000000005);
    auto header = Header(0, "ROUNDED");
    header->SetValue("FExchangeRate", "6.5");
    const std::int32_t id = updater_->Save(props_, header, schemes, entries).ToInt32();
    const std::string where = " FROM t_rpcontractentry WHERE FContractID=" + std::to_string(id);
    EXPECT_EQ(Text("SELECT FPriceFor" + where), "0.3333333333");
    EXPECT_EQ(Text("SELECT FTaxPriceFor" + where), "2.123456789");
    EXPECT_EQ(Text("SELECT FAmountFor" + where), "-1.0e-10");
    EXPECT_EQ(Text("SELECT FTotalAmount FROM t_RPContract WHERE FContractID=" + std::to_string(id)), "1368.9");

    const struct {
        Variant value;
        std::int32_t number;
        const char* description;
    } refused[] = {
        {Variant(1e28), erp::kDataOverflow,
         "Arithmetic overflow error converting to data type numeric(28,10) (FAmountFor 1e+28)"},
        {Variant("-1000000000000000000"), erp::kDataOverflow,
         "Arithmetic overflow error converting to data type numeric(28,10) (FAmountFor -1000000000000000000)"},
        {Variant("abc"), erp::kConversionFailed, "Error converting data type nvarchar to numeric (FAmountFor 'abc')"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.description);
        line->SetValue("FAmountFor", c.value);
        auto again = Header(0, "REFUSED");
        try {
            updater_->Save(props_, again, schemes, entries);
            ADD_FAILURE() << "saved";
        } catch (const Error& error) {
            EXPECT_EQ(error.record(), (ErrorRecord{c.number, "tessaCustomer.RPContractUpdate", c.description}));
        }
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo='REFUSED'"), 0);
}

TEST_F(ContractUpdaterStandInTest, ANewContractNeverTakesANumberThatIsSaved) {
    auto schemes = Schemes(1);
    auto entries = Entries(1);
    auto first = Header(0, "TWIN-1");
    const std::int32_t id = updater_->Save(props_, first, schemes, entries).ToInt32();

    // The same number in another letter case, as SQL Server compares it.
    auto twin = Header(0, "twin-1");
    try {
        updater_->Save(props_, twin, schemes, entries);
        ADD_FAILURE() << "the twin was saved";
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, kIntegrityViolation);
        EXPECT_EQ(error.record().Source, "tessaCustomer.RPContractUpdate");
        EXPECT_NE(error.record().Description.find("FContractID " + std::to_string(id)), std::string::npos)
            << error.record().Description;
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo='TWIN-1'"), 1);

    // Another side, another system type, or no number at all is another contract.
    auto payable = Header(0, "TWIN-1");
    payable->SetValue("FRP", 0);
    auto otherSystem = Header(0, "TWIN-1");
    otherSystem->SetValue("FSystemType", 2);
    auto unnumbered = Header(0, "");
    auto unnumberedToo = Header(0, "");
    for (auto* header : {&payable, &otherSystem, &unnumbered, &unnumberedToo})
        EXPECT_NO_THROW(updater_->Save(props_, *header, schemes, entries));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract"), summary_.Contracts + 5);
}

}  // namespace
}  // namespace ovardx::testing
