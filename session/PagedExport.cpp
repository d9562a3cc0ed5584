#include "session/PagedExport.h"

#include "ovardx/Error.h"
#include "session/AccessCheck.h"
#include "session/CaughtError.h"
#include "session/ErrorText.h"
#include "session/LocalizedText.h"
#include "session/MParse.h"
#include "session/ObjectCall.h"
#include "session/OpenConnection.h"
#include "session/SchemaFolder.h"
#include "session/TimeStamp.h"
#include "session/XmlBridge.h"

namespace ovardx {

bool RunPagedExport(const PagedExportSpec& spec, std::shared_ptr<DatabaseConnection>& connection, bool& inCall,
                    const std::string& strPropsString, std::string& strXML, std::string& strTimeStamp,
                    std::string& strMaxTimeStamp, std::string& strError, const PageBuilder& buildPage) {
    const std::string language = GetPropFromString(strPropsString, std::string(spec.languageKey));
    const ObjectCall call(inCall);
    if (!call.Entered()) {
        strError = NestedCallRefusal(spec.source, language);
        return false;
    }
    if (!AuthorizeSession(strPropsString, strError)) return false;
    try {
        // A bound that is no binary literal would be put into SQL as it stands.
        if (!IsTimeStampText(strTimeStamp))
            Raise(errnum::kApplicationError, std::string(spec.source), LoadLocalizedText(kInvalidTimeStampText, language));
        std::string timeStamp = strTimeStamp.empty() ? kZeroTimeStamp : strTimeStamp;
        OpenConnection(connection);
        // The newest timestamp, the page and its references from one state.
        connection->HoldSnapshot();
        auto records = buildPage(*connection, timeStamp, strMaxTimeStamp);
        connection->CloseConn();
        const bool written = WriteXml(records, strXML, SchemaFolder() + std::string(spec.schemaFile),
                                      std::string(spec.rootName), strError);
        // The caller's bound moves only when the page reached the caller.
        if (written) strTimeStamp = timeStamp;
        return written;
    } catch (...) {
        strError = BuildErrorText(CaughtErrorRecord(), language);
        CloseConnection(connection);
        return false;
    }
}

std::shared_ptr<Recordset> OpenPage(DatabaseConnection& connection, std::string sql, std::string& timeStamp,
                                    std::string_view timeStampColumn) {
    auto page = OpenRecordset(connection, std::move(sql));
    if (page->Eof()) {
        timeStamp = kZeroTimeStamp;
        return page;
    }
    page->MoveLast();
    timeStamp = TimeStampToHex(page->Value(timeStampColumn));
    page->MoveFirst();
    return page;
}

std::string ReadMaxTimeStamp(DatabaseConnection& connection, std::string sql) {
    auto rows = connection.GetAnyRecordSet(sql);
    if (rows && !rows->Eof()) return TimeStampToHex(rows->Value("FMT"));
    return kZeroTimeStamp;
}

}  // namespace ovardx
