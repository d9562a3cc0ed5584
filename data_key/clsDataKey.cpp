#include "ovardx/clsDataKey.h"

#include "components/BuiltInComponents.h"
#include "data_key/DeletionImport.h"
#include "data_key/DeletionKeyRecords.h"
#include "data_key/DeletionStatements.h"
#include "data_key/DeletionTypes.h"
#include "ovardx/DatabaseConnection.h"
#include "session/AccessCheck.h"
#include "session/CaughtError.h"
#include "session/ErrorText.h"
#include "session/LocalizedText.h"
#include "session/MParse.h"
#include "session/ObjectCall.h"
#include "session/OpenConnection.h"
#include "session/PagedExport.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"

namespace ovardx {

namespace {

constexpr PagedExportSpec kDeletionExport{"Delete.xsd", "Delete", "OVArDataExchange.clsDataKey.ExportXMLDataKey",
                                          "Language"};

}  // namespace

clsDataKey::clsDataKey() {
    EnsureBuiltInComponents();
    EnsureSchemaFolder();
}

clsDataKey::~clsDataKey() { CloseConnection(m_Connection); }

bool clsDataKey::ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                                  std::int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp,
                                  std::string& strError) {
    return RunPagedExport(kDeletionExport, m_Connection, m_bInCall, strPropsString, strXML, strTimeStamp, strMaxTimeStamp,
                          strError,
                          [&](DatabaseConnection& connection, std::string& timeStamp, std::string& maxTimeStamp) {
                              // An unknown type keeps the kind of the object's previous call.
                              m_iChangeType = ChangeTypeOfBillType(iBillType).value_or(m_iChangeType);
                              maxTimeStamp =
                                  ReadMaxTimeStamp(connection, DeletionMaxTimeStampStatement(m_iChangeType));
                              auto page = OpenPage(connection, DeletionPageStatement(m_iChangeType, lPerCount, timeStamp),
                                                   timeStamp, "FTimeStamp");
                              const std::string language = GetPropFromString(strPropsString, "Language");
                              return BuildKeyRecords(page.get(),
                                                     LoadLocalizedText(RemarkDefaultText(m_iChangeType), language));
                          });
}

bool clsDataKey::ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                                  std::int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp) {
    std::string strError;
    return ExportXMLDataKey(strPropsString, iBillType, strXML, lPerCount, strTimeStamp, strMaxTimeStamp, strError);
}

bool clsDataKey::ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                                  std::int32_t lPerCount, std::string& strTimeStamp) {
    std::string strMaxTimeStamp;
    return ExportXMLDataKey(strPropsString, iBillType, strXML, lPerCount, strTimeStamp, strMaxTimeStamp);
}

bool clsDataKey::ExportXMLDataKey(const std::string& strPropsString, std::int16_t iBillType, std::string& strXML,
                                  std::int32_t lPerCount) {
    std::string strTimeStamp;
    return ExportXMLDataKey(strPropsString, iBillType, strXML, lPerCount, strTimeStamp);
}

bool clsDataKey::ImportXMLDataKey(std::string& strPropsString, std::int16_t iBillType, const std::string& strXML,
                                  std::string& strError) {
    const std::string language = GetPropFromString(strPropsString, "language");
    const ObjectCall call(m_bInCall);
    if (!call.Entered()) {
        strError = NestedCallRefusal("OVArDataExchange.clsDataKey.ImportXMLDataKey", language);
        return false;
    }
    if (!AuthorizeSession(strPropsString, strError)) return false;
    const std::optional<std::int16_t> changeType = ChangeTypeOfBillType(iBillType);
    if (changeType) m_iChangeType = *changeType;
    try {
        OpenConnection(m_Connection);
        const bool read =
            ApplyDeletionDocument(*m_Connection, strPropsString, strXML, SchemaFolder() + "\\Delete.xsd", strError,
                                  changeType);
        m_Connection->CloseConn();
        return read;
    } catch (...) {
        strError = BuildErrorText(CaughtErrorRecord(), language);
        CloseConnection(m_Connection);
        return false;
    }
}

}  // namespace ovardx
