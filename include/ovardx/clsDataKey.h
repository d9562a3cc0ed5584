#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ovardx/Export.h"

namespace ovardx {

class DatabaseConnection;

// Exchanges deletions with the ERP: exports the change log's deletions of
// one document kind as "Delete" documents (one page per call, oldest first)
// and applies deletions from the web side through the ERP's business
// components.
//
// iBillType selects the document kind of a call: 1 receive bills, 2 advance
// receipts, 3 contracts. The object keeps the kind of its last call that
// got past the access gate (and, for an export, the timestamp check) with a
// known iBillType. An export with another iBillType exports that kept kind
// (on a new object: change type 0, which no document has, with the remark
// "未知类别"); an import with another iBillType is refused.
//
// A call on an object that is already inside a call on it (made from a
// host's callback) is refused with the three-line text of 0x800400C8 and
// "对象正在处理另一个调用，不能在其中再次调用它!", and changes nothing.
//
// An object is used on the thread that created it. Creating it reads the
// thread's schema folder from the configuration the first time; that read
// may throw ovardx::Error (the object is then not created). No method
// throws.
class OVARDX_EXPORT clsDataKey {
public:
    clsDataKey();
    ~clsDataKey();
    clsDataKey(const clsDataKey&) = delete;
    clsDataKey& operator=(const clsDataKey&) = delete;

    // One page of the deletions logged in COM_DataChange after strTimeStamp,
    // oldest first, as records "Remark" (the document kind in the session's
    // "Language", "chs" by default) and "UUID" (of the deleted document).
    //
    // strPropsString: the session property string (connection, user,
    // language). lPerCount: page size, 0 for no limit.
    //
    // On success (true): strXML holds the document, strTimeStamp the
    // FTimeStamp of the page's last deletion ("0x0000000000000000" for an
    // empty page: nothing was deleted after the bound), so paging with it
    // delivers every deletion exactly once; strMaxTimeStamp the newest
    // FTimeStamp of all deletions of the kind; strError is empty.
    // On failure (false): strError holds the reason (the gate's refusal, the
    // writer's message, or a three-line error text); strTimeStamp holds
    // exactly what was passed in; strMaxTimeStamp may already hold the newest
    // timestamp; strXML keeps its text unless the writer had started.
    //
    // strTimeStamp must be empty (from the beginning) or "0x" followed by
    // hexadecimal digits; anything else is refused before a statement is
    // built. The incoming strMaxTimeStamp is never read.
    bool ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                          std::int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp,
                          std::string& strError);
    bool ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                          std::int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp);
    bool ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                          std::int32_t lPerCount, std::string& strTimeStamp);
    bool ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                          std::int32_t lPerCount = 100);

    // Applies a "Delete" document: for each record, in order, the contract
    // (iBillType 3), receive bill (1) or advance receipt (2) whose UUID is
    // the record's "UUID" is deleted through the ERP's business component
    // ("Delete" of "tessaCustomer.RPContractUpdate", "DeleteReceiveBill" of
    // "tessaBill.NewBillUpdate"), which gets strPropsString. A UUID that
    // names no document of the kind is no error and deletes nothing.
    //
    // strPropsString is never changed.
    // On success (true): the document was read and every record's document
    // that exists was deleted; strError is empty.
    // On failure (false): strError holds the reason:
    // - the gate's refusal, or the reader's message for a document that does
    //   not read against "Delete.xsd": nothing was deleted;
    // - for another iBillType than 1, 2 or 3 with at least one record, the
    //   three-line text of 0x800400C8 "OVArDataExchange.clsDataKey"
    //   ("不支持不识别删除关键字的导入导出!"): nothing was deleted (a document
    //   without records answers true);
    // - when records failed (their lookup or the component raised), the
    //   three-line text of the first failure, whose description ends in
    //   " (UUID: " and the UUIDs of all failed records joined by ", " and
    //   ")". Every other record was still applied.
    // Error texts use the property "language" of strPropsString.
    bool ImportXMLDataKey(std::string& strPropsString, std::int16_t iBillType, const std::string& strXML,
                          std::string& strError);

private:
    std::int16_t m_iChangeType = 0;
    std::shared_ptr<DatabaseConnection> m_Connection;
    bool m_bInCall = false;  // inside a public call (see the class comment)
};

}  // namespace ovardx
