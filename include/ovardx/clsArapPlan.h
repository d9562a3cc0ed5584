#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ovardx/Export.h"

namespace ovardx {

class DatabaseConnection;

// Exports the receivable plan entries of the ERP (the dated remaining
// amounts of the plan headers in t_rp_contact with FRP 1 and FType 3 or 13)
// as "ArApPlan" documents, one page per call, oldest change first.
//
// A call on an object that is already inside a call on it (made from a
// host's callback) is refused with the three-line text of 0x800400C8 and
// "对象正在处理另一个调用，不能在其中再次调用它!", and changes nothing.
//
// An object is used on the thread that created it. Creating it reads the
// thread's schema folder from the configuration the first time; that read
// may throw ovardx::Error (the object is then not created). No method
// throws.
class OVARDX_EXPORT clsArapPlan {
public:
    clsArapPlan();
    ~clsArapPlan();
    clsArapPlan(const clsArapPlan&) = delete;
    clsArapPlan& operator=(const clsArapPlan&) = delete;

    // One page of plan rows whose header changed after strTimeStamp.
    //
    // strPropsString: the session property string (connection, user,
    // language); never changed. lPerCount: page size, 0 for no limit. A page
    // never ends inside a group of rows that share one FModifyTime (one plan
    // header with several entries): it then holds the whole group, so paging
    // with the returned timestamp delivers every row exactly once.
    //
    // On success (true): strXML holds the document, strTimeStamp the
    // FModifyTime of the page's last row ("0x0000000000000000" for an empty
    // page: nothing changed after the bound), strMaxTimeStamp the newest
    // FModifyTime of all plan headers, strError is empty.
    // On failure (false): strError holds the reason (the gate's refusal, the
    // writer's message, or a three-line error text); strTimeStamp holds
    // exactly what was passed in; strMaxTimeStamp may already hold the newest
    // timestamp; strXML keeps its text unless the writer had started.
    //
    // strTimeStamp must be empty (from the beginning) or "0x" followed by
    // hexadecimal digits; anything else is refused before a statement is
    // built.
    bool Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount,
                std::string& strTimeStamp, std::string& strMaxTimeStamp, std::string& strError);
    bool Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount,
                std::string& strTimeStamp, std::string& strMaxTimeStamp);
    bool Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount,
                std::string& strTimeStamp);
    bool Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount = 100);

    // Criteria joined by "||", each "key=value": "UUID", "Number" and "Name"
    // of the customer (compared as text values), "DateFrom" and "DateTo" of
    // the plan entry (dates, inclusive), and "TSql", a raw SQL condition over
    // the page query's aliases c (header), d (plan entry), i (customer),
    // b (currency) and e (contract). TSql is passed to the database as it
    // stands: the host is trusted with SQL. Other keys, and parts without
    // "=", have no effect. Kept for every later Export of this object.
    void Filter(std::string text);

private:
    std::string m_strFilter;
    std::shared_ptr<DatabaseConnection> m_Connection;
    bool m_bInCall = false;  // inside a public call (see the class comment)
};

}  // namespace ovardx
