#include "erp/ContractUpdaterStandIn.h"

#include <string_view>

#include "erp/DecimalColumn.h"
#include "erp/ErpComponents.h"
#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx::erp {

namespace {

// BEGIN IMMEDIATE on construction; rolls back unless Commit ran.
class Transaction {
public:
    explicit Transaction(sqlite::Database& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!committed_) {
            try {
                db_.Exec("ROLLBACK");
            } catch (...) {
                // Closing the connection rolls back as well.
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit() {
        db_.Exec("COMMIT");
        committed_ = true;
    }

private:
    sqlite::Database& db_;
    bool committed_ = false;
};

// The record of a list item; a list item that is no record raises 424.
const ValueDictionary& RecordOf(const Variant& item) { return *item.AsRecord(); }

Variant Optional(const ValueDictionary& record, std::string_view key) {
    return record.GetValueOr(key, Variant::Null());
}

// An amount as the ERP's DECIMAL(28,10) column stores it.
Variant Amount(const ValueDictionary& record, std::string_view key) {
    return DecimalColumnValue(record.GetValue(key), key, kContractUpdaterSource);
}

// What the import hands over; FReceiveAmountFor is the ERP's own and is
// written for a new contract only (see InsertHeader).
constexpr std::string_view kHeaderColumns =
    "FRP=?1, FSystemType=?2, FContractTypeID=?3, FContractNo=?4, FContractName=?5, FDate=?6, FCustomer=?7,"
    " FDepartment=?8, FEmployee=?9, FCurrencyID=?10, FExchangeRate=?11, FTotalAmountFor=?12,"
    " FTotalAmount=?13, FCashDiscount=?14, FExplanation=?15, FText=?16";

void BindHeader(sqlite::Statement& statement, const ValueDictionary& header) {
    const Variant exchangeRate = Amount(header, "FExchangeRate");
    const Variant totalAmountFor = Amount(header, "FTotalAmountFor");
    const Variant totalAmount =
        exchangeRate.IsNull() || totalAmountFor.IsNull()
            ? Variant::Null()
            : DecimalColumnValue(Variant(totalAmountFor.ToDouble() * exchangeRate.ToDouble()), "FTotalAmount",
                                 kContractUpdaterSource);
    statement.Bind(1, header.GetValue("FRP"));
    statement.Bind(2, header.GetValue("FSystemType"));
    statement.Bind(3, header.GetValue("FContractTypeID"));
    statement.Bind(4, header.GetValue("FContractNo"));
    statement.Bind(5, header.GetValue("FContractName"));
    statement.Bind(6, header.GetValue("FDate"));
    statement.Bind(7, header.GetValue("FCustomer"));
    statement.Bind(8, Optional(header, "FDepartment"));
    statement.Bind(9, Optional(header, "FEmployee"));
    statement.Bind(10, header.GetValue("FCurrencyID"));
    statement.Bind(11, exchangeRate);
    statement.Bind(12, totalAmountFor);
    statement.Bind(13, totalAmount);
    statement.Bind(14, header.GetValue("FCashDiscount"));
    statement.Bind(15, header.GetValue("FExplanation"));
    statement.Bind(16, header.GetValue("FText"));
}

std::int64_t InsertHeader(sqlite::Database& db, const ValueDictionary& header) {
    sqlite::Statement insert(db,
                             "INSERT INTO t_RPContract (FRP, FSystemType, FContractTypeID, FContractNo, FContractName,"
                             " FDate, FCustomer, FDepartment, FEmployee, FCurrencyID, FExchangeRate, FTotalAmountFor,"
                             " FTotalAmount, FCashDiscount, FExplanation, FText, FReceiveAmountFor)"
                             " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17)");
    BindHeader(insert, header);
    insert.Bind(17, Amount(header, "FReceiveAmountFor"));
    insert.Step();
    return db.LastInsertRowId();
}

// A new contract may not take the number of one saved meanwhile (by another
// import that also found none): checked inside the write transaction, so no
// other writer can come between the check and the insert.
void RefuseTakenNumber(sqlite::Database& db, const ValueDictionary& header) {
    sqlite::Statement twin(db,
                           "SELECT FContractID FROM t_RPContract WHERE FRP=?1 AND FContractNo=?2 AND FSystemType=?3"
                           " AND FContractNo<>''");
    twin.Bind(1, header.GetValue("FRP"));
    twin.Bind(2, header.GetValue("FContractNo"));
    twin.Bind(3, header.GetValue("FSystemType"));
    if (!twin.Step()) return;
    Raise(kIntegrityViolation, kContractUpdaterSource,
          "合同号已存在 (FContractNo " + header.GetValue("FContractNo").ToText() + ", FRP " +
              header.GetValue("FRP").ToText() + ", FSystemType " + header.GetValue("FSystemType").ToText() +
              ", FContractID " + std::to_string(twin.ColumnInt64(0)) + ")");
}

void ReplaceHeader(sqlite::Database& db, const ValueDictionary& header, std::int64_t id) {
    sqlite::Statement update(db, std::string("UPDATE t_RPContract SET ") + std::string(kHeaderColumns) +
                                     " WHERE FContractID=?17");
    BindHeader(update, header);
    update.Bind(17, id);
    update.Step();
    if (db.Changes() == 0)
        Raise(errnum::kApplicationError, kContractUpdaterSource,
              "合同不存在 (FContractID " + std::to_string(id) + ")");
}

void ReplaceLines(sqlite::Database& db, std::int64_t id, const ValueVector& schemes, const ValueVector& entries) {
    sqlite::Statement clearEntries(db, "DELETE FROM t_rpcontractentry WHERE FContractID=?1");
    clearEntries.Bind(1, id);
    clearEntries.Step();
    sqlite::Statement clearSchemes(db, "DELETE FROM t_rpcontractscheme WHERE FContractID=?1");
    clearSchemes.Bind(1, id);
    clearSchemes.Step();

    sqlite::Statement entry(db,
                            "INSERT INTO t_rpcontractentry (FContractID, FIndex, FProductID, FUnitID, FQuantity,"
                            " FPriceFor, FTaxPriceFor, FTaxRate, FBusinessDiscountRate, FBusinessDiscountFor,"
                            " FAmountFor, FTaxFor, FAmountIncludeTaxFor, FExplanation)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    std::int64_t index = 0;
    for (const Variant& item : entries) {
        const ValueDictionary& line = RecordOf(item);
        entry.Reset();
        entry.Bind(1, id);
        entry.Bind(2, ++index);
        entry.Bind(3, line.GetValue("FProductID"));
        entry.Bind(4, line.GetValue("FUnitID"));
        entry.Bind(5, Amount(line, "FQuantity"));
        entry.Bind(6, Amount(line, "FPriceFor"));
        entry.Bind(7, Amount(line, "FTaxPriceFor"));
        entry.Bind(8, Amount(line, "FTaxRate"));
        entry.Bind(9, Amount(line, "FBusinessDiscountRate"));
        entry.Bind(10, Amount(line, "FBusinessDiscountFor"));
        entry.Bind(11, Amount(line, "FAmountFor"));
        entry.Bind(12, Amount(line, "FTaxFor"));
        entry.Bind(13, Amount(line, "FAmountIncludeTaxFor"));
        entry.Bind(14, Optional(line, "FExplanation"));
        entry.Step();
    }

    sqlite::Statement scheme(db,
                             "INSERT INTO t_rpcontractscheme (FContractID, FIndex, FReceiveDate, FAmountFor,"
                             " FCurrencyID, FExchangeRate) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    index = 0;
    for (const Variant& item : schemes) {
        const ValueDictionary& line = RecordOf(item);
        scheme.Reset();
        scheme.Bind(1, id);
        scheme.Bind(2, ++index);
        scheme.Bind(3, line.GetValue("FReceiveDate"));
        scheme.Bind(4, Amount(line, "FAmountFor"));
        scheme.Bind(5, line.GetValue("FCurrencyID"));
        scheme.Bind(6, Amount(line, "FExchangeRate"));
        scheme.Step();
    }
}

}  // namespace

Variant ContractUpdaterStandIn::Save(std::string& strPropsString, std::shared_ptr<ValueDictionary>& header,
                                     std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) {
    if (!header || !schemes || !entries) RaiseRuntime(errnum::kObjectRequired, "Save needs a header and two lists");
    const std::int32_t requestedId = header->GetValueOr("FContractID", 0).ToInt32();
    sqlite::Database& db = ErpDatabase(strPropsString);
    Transaction transaction(db);
    std::int64_t id = requestedId;
    if (requestedId == 0) {
        RefuseTakenNumber(db, *header);
        id = InsertHeader(db, *header);
    } else
        ReplaceHeader(db, *header, requestedId);
    ReplaceLines(db, id, *schemes, *entries);
    transaction.Commit();
    return Variant(static_cast<std::int32_t>(id));
}

void ContractUpdaterStandIn::Delete(std::string& strPropsString, std::int32_t& contractId, bool& receivable) {
    sqlite::Database& db = ErpDatabase(strPropsString);
    Transaction transaction(db);
    sqlite::Statement remove(db, "DELETE FROM t_RPContract WHERE FContractID=?1 AND (FRP<>0)=?2");
    remove.Bind(1, static_cast<std::int64_t>(contractId));
    remove.Bind(2, static_cast<std::int64_t>(receivable ? 1 : 0));
    remove.Step();
    if (db.Changes() == 0)
        Raise(errnum::kApplicationError, kContractUpdaterSource,
              "合同不存在 (FContractID " + std::to_string(contractId) + ", FRP " + (receivable ? "1" : "0") + ")");
    transaction.Commit();
}

}  // namespace ovardx::erp
