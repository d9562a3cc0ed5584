#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ovardx/Export.h"

namespace ovardx {

class DatabaseConnection;

// Exports the receivable receive bills of the ERP (t_RP_NewReceiveBill with
// FRP 1) as "ReceiveBill" documents, one page per call, oldest change first.
// FPre tells receive bills (0) from advance receipts (1); each call exports
// the bills of one FPre.
//
// Each bill record carries, in this order: "Number", "Year", "Period",
// "Date", "FincDate", "RPBank"*, "Settle"*, "ReceiveCy"†, "SettleDiscountFor",
// "SettleDiscount", "SettleNo"*, "Amount", "AmountFor", "ARNumber"*,
// "BillType"*, "Checker"*, "ContractNo"* (the contract number), "ContractID"
// (0 when none), "Currency"†, "ExchangeRate", "SettleAmount",
// "SettleAmountFor", "DiscountAmount", "DiscountAmountFor", "ReceiveAmount",
// "ReceiveAmountFor", "Customer"†, "Department"†, "Employee"†,
// "Explanation"*, "SettleCy"†, "MulCy" (the localized "是" or "否"),
// "Preparer", "UUID". Keys marked * are left out when null or empty; "Settle"
// is there when FSettle is greater than 0 (empty text when no t_settle row
// has that id). References (†) hold "Number", "Name" and "UUID" of the
// currency or item; they are left out for id 0 or an id that names no row,
// and "Department" and "Employee" also for a null or negative id. Null
// amounts give 0; a null year, period, date or exchange rate stays null.
//
// A call on an object that is already inside a call on it (made from a
// host's callback) is refused with the three-line text of 0x800400C8 and
// "对象正在处理另一个调用，不能在其中再次调用它!", and changes nothing.
//
// An object is used on the thread that created it. Creating it reads the
// thread's schema folder from the configuration the first time; that read
// may throw ovardx::Error (the object is then not created). No method
// throws.
class OVARDX_EXPORT clsReceiveBill {
public:
    clsReceiveBill();
    ~clsReceiveBill();
    clsReceiveBill(const clsReceiveBill&) = delete;
    clsReceiveBill& operator=(const clsReceiveBill&) = delete;

    // One page of bills with FPre equal to iPre whose FModifyTime is after
    // strTimeStamp.
    //
    // strPropsString: the session property string (connection, user,
    // "Language" of the yes/no texts and error texts); never changed.
    // iPre: the FPre of the bills to export (default 1). lPerCount: page
    // size, 0 for no limit.
    //
    // On success (true): strXML holds the document, strTimeStamp the
    // FModifyTime of the page's last bill ("0x0000000000000000" for an empty
    // page: nothing changed after the bound), strMaxTimeStamp the newest
    // FModifyTime of all receivable bills with that FPre, filtered or not,
    // strError is empty.
    // On failure (false): strError holds the reason (the gate's refusal, the
    // writer's message, or a three-line error text); strTimeStamp holds
    // exactly what was passed in; strMaxTimeStamp may already hold the newest
    // timestamp; strXML keeps its text unless the writer had started.
    // A bill whose FReceiveCyID, FCurrencyID, FCustomer, FSettleCyID or FMulCy
    // is null fails the page.
    //
    // strTimeStamp must be empty (from the beginning) or "0x" followed by
    // hexadecimal digits; anything else is refused before a statement is
    // built.
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre, std::int32_t lPerCount,
                std::string& strTimeStamp, std::string& strMaxTimeStamp, std::string& strError);
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre, std::int32_t lPerCount,
                std::string& strTimeStamp, std::string& strMaxTimeStamp);
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre, std::int32_t lPerCount,
                std::string& strTimeStamp);
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre = 1,
                std::int32_t lPerCount = 100);

    // An SQL condition over the columns of t_RP_NewReceiveBill that narrows
    // the page (not the newest timestamp); empty switches filtering off. It
    // is passed to the database as it stands: the host is trusted with SQL.
    // It narrows a sub-select, so payable bills (FRP other than 1) and bills
    // of another FPre stay out under any condition on the bill's columns.
    // Kept for every later Export of this object.
    void Filter(std::string text);

private:
    std::string m_strFilter;
    std::shared_ptr<DatabaseConnection> m_Connection;
    bool m_bInCall = false;  // inside a public call (see the class comment)
};

}  // namespace ovardx
