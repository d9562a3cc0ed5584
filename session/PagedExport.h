#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

// Default text of the refusal of a timestamp that is neither empty nor "0x"
// with hexadecimal digits.
inline constexpr const char* kInvalidTimeStampText = "无效的时间戳";

// What one export class brings to the steps every paged export shares.
struct PagedExportSpec {
    std::string_view schemaFile;   // e.g. "ArApPlan.xsd", taken from the thread's schema folder
    std::string_view rootName;     // e.g. "ArApPlan"
    std::string_view source;       // error source of the timestamp refusal, e.g. "OVArDataExchange.clsArapPlan.Export"
    std::string_view languageKey;  // property that gives the language of error texts: "language" or "Language"
};

// Builds one page: writes maxTimeStamp, moves timeStamp (the exclusive lower
// bound, never empty here) to the row version of the page's last row or to
// the zero text, and answers the page's records. Errors are raised.
using PageBuilder = std::function<std::shared_ptr<ValueVector>(DatabaseConnection& connection,
                                                               std::string& timeStamp, std::string& maxTimeStamp)>;

// The incremental export protocol: the access gate, the refusal of a
// malformed strTimeStamp, the object's connection opened, the page built,
// the connection closed, the document written. Answers the writer's result.
//
// On a refusal by the gate every argument but strError is left as passed.
// On any other failure strError holds the three-line error text (or the
// writer's message), the connection is closed, and strTimeStamp holds
// exactly what was passed in, so the caller never skips rows it did not
// receive; strMaxTimeStamp may already hold the newest timestamp.
// Never throws.
// A call made while inCall is set (from inside a call on the same object) is
// refused with the nested-call text and changes nothing.
bool RunPagedExport(const PagedExportSpec& spec, std::shared_ptr<DatabaseConnection>& connection, bool& inCall,
                    const std::string& strPropsString, std::string& strXML, std::string& strTimeStamp,
                    std::string& strMaxTimeStamp, std::string& strError, const PageBuilder& buildPage);

// Runs the statement and moves timeStamp to the row version in column
// timeStampColumn of its last row (the zero text when it has no row),
// leaving the recordset on its first row. The statement orders its rows by
// that version. When the connection names a row version still held by a
// transaction in flight (MinActiveRowVersion, read first), the page ends
// before the first row at or above it, so timeStamp never passes it.
std::shared_ptr<Recordset> OpenPage(DatabaseConnection& connection, std::string sql, std::string& timeStamp,
                                    std::string_view timeStampColumn);

// The newest row version that sql gives in its column "FMT"; the zero text
// when the statement gives no recordset, no row or a null.
std::string ReadMaxTimeStamp(DatabaseConnection& connection, std::string sql);

}  // namespace ovardx
