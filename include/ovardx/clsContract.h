#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ovardx/Export.h"
#include "ovardx/Variant.h"

namespace ovardx {

class DatabaseConnection;

// Exchanges contracts (t_RPContract) with their entry lines and collection
// plans with the ERP: exports them as "Contract" documents, one page per
// call, oldest change first, and imports such documents through the ERP's
// contract component "tessaCustomer.RPContractUpdate" (the library itself
// writes nothing).
//
// An object is used on the thread that created it. Creating it reads the
// thread's schema folder from the configuration the first time; that read
// may throw ovardx::Error (the object is then not created). No method
// throws. Between two contracts both Export and Import run the thread's
// message hook (ProcessPendingMessages) and may raise Progress. From there,
// calls on other objects are served as usual; an Export or Import on the
// same object is refused (false, 0x800400C8 with "对象正在处理另一个调用，
// 不能在其中再次调用它!" in strError) and changes nothing. The settings
// (Filter, CheckByUUID, AddNewOnly, bProgress) are read when a call starts;
// changing them from a handler takes effect with the next call.
class OVARDX_EXPORT clsContract {
public:
    using ProgressHandler = std::function<void(std::int32_t lCur, std::int32_t lTotal)>;

    clsContract();
    ~clsContract();
    clsContract(const clsContract&) = delete;
    clsContract& operator=(const clsContract&) = delete;

    // One page of the contracts of side iRP (FRP; 1 receivable, 0 payable)
    // and system type 1 that changed after strTimeStamp and pass Filter.
    //
    // strPropsString: the session property string (connection, user,
    // language); never changed. lPerCount: page size, 0 for no limit.
    //
    // On success (true): strXML holds the document (root "Contract", one
    // record per contract with "Body" and "Plan" when it has lines),
    // strTimeStamp the FModifyTime of the page's last contract
    // ("0x0000000000000000" for an empty page), strMaxTimeStamp the newest
    // FModifyTime of all contracts of side iRP, filtered or not; strError is
    // empty.
    // On failure (false): strError holds the reason (the gate's refusal, the
    // writer's message, or a three-line error text); strTimeStamp holds
    // exactly what was passed in; strMaxTimeStamp may already hold the newest
    // timestamp; strXML keeps its text unless the writer had started.
    //
    // strTimeStamp must be empty (from the beginning) or "0x" followed by
    // hexadecimal digits; anything else is refused before a statement is
    // built.
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount,
                std::string& strTimeStamp, std::string& strMaxTimeStamp, std::string& strError);
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount,
                std::string& strTimeStamp, std::string& strMaxTimeStamp);
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount,
                std::string& strTimeStamp);
    bool Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP = 1, std::int32_t lPerCount = 100);

    // Hands every contract of the "Contract" document strXML, in order, to
    // "Save" of the contract component. Each contract is looked up first
    // (see CheckByUUID and AddNewOnly) and saved under the id found (its
    // header, entries and schemes replaced) or as new (id 0); its customer,
    // department, employee, currency, items and units are resolved to ids
    // (0 when nothing matches, passed on as it is). Amounts an entry leaves
    // out are computed from its price, quantity and rates. Progress(done,
    // records in the document) is raised after every handled record, whatever
    // bProgress holds. lSystemType (a number, default 1) becomes FSystemType
    // of every header; text that is no number fails the call.
    //
    // On success (true): every record was saved or skipped; strError is empty.
    // On failure (false): strError holds the gate's refusal, the reader's
    // message (nothing saved: a document that is malformed or breaks the
    // schema is refused whole), or the three-line error text (in "chs") of
    // the first record that failed, a failing contract lookup included;
    // records before it stay saved, later records are not handled.
    // strPropsString is never changed.
    bool Import(std::string& strPropsString, const std::string& strXML, std::string& strError,
                const Variant& lSystemType = Variant(1));

    // A raw SQL condition over the columns of t_RPContract that narrows the
    // page query; empty switches filtering off. It is passed to the
    // database as it stands: the host is trusted with SQL. Kept for every
    // later Export of this object.
    void Filter(std::string text);
    // Import: look contracts and references up by UUID first (number and
    // name are the fallback); otherwise by number and name only.
    void CheckByUUID(bool value);
    // Import: skip a contract that exists already instead of saving it.
    void AddNewOnly(bool value);
    // Export: raise Progress(lCur, lTotal) after each contract of the page
    // (lTotal: contracts on the page).
    void bProgress(bool value);

    // The Progress event: the handler runs synchronously on the calling
    // thread. An empty function removes it. An exception thrown by the
    // handler fails the running call like any other error.
    void OnProgress(ProgressHandler handler);

private:
    void RaiseProgress(std::int32_t lCur, std::int32_t lTotal);

    std::string m_strFilter;
    bool m_bCheckByUUID = false;
    bool m_bAddNewOnly = false;
    bool m_bProgress = false;
    std::int32_t m_lSystemType = 0;
    ProgressHandler m_Progress;
    std::shared_ptr<DatabaseConnection> m_Connection;
    bool m_bInCall = false;  // inside a public call (see the class comment)
};

}  // namespace ovardx
