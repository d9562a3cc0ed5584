#include "ovardx/clsContract.h"

#include "components/BuiltInComponents.h"
#include "contract/ContractImport.h"
#include "contract/ContractRecords.h"
#include "contract/ContractStatements.h"
#include "ovardx/DatabaseConnection.h"
#include "session/AccessCheck.h"
#include "session/CaughtError.h"
#include "session/ErrorText.h"
#include "session/ObjectCall.h"
#include "session/OpenConnection.h"
#include "session/PagedExport.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"

namespace ovardx {

using contracts::BuildContractRecords;
using contracts::ContractImportSettings;
using contracts::ContractMaxTimeStampStatement;
using contracts::ContractPageStatement;
using contracts::ContractProgress;
using contracts::ImportContractDocument;

namespace {

constexpr PagedExportSpec kContractExport{"ArContract.xsd", "Contract", "OVArDataExchange.clsContract.Export",
                                          "Language"};
constexpr const char* kImportLanguage = "chs";

}  // namespace

clsContract::clsContract() {
    EnsureBuiltInComponents();
    EnsureSchemaFolder();
}

clsContract::~clsContract() { CloseConnection(m_Connection); }

void clsContract::Filter(std::string text) { m_strFilter = std::move(text); }
void clsContract::CheckByUUID(bool value) { m_bCheckByUUID = value; }
void clsContract::AddNewOnly(bool value) { m_bAddNewOnly = value; }
void clsContract::bProgress(bool value) { m_bProgress = value; }
void clsContract::OnProgress(ProgressHandler handler) { m_Progress = std::move(handler); }

void clsContract::RaiseProgress(std::int32_t lCur, std::int32_t lTotal) {
    // A copy: the handler may replace itself while it runs.
    if (const ProgressHandler handler = m_Progress) handler(lCur, lTotal);
}

bool clsContract::Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount,
                         std::string& strTimeStamp, std::string& strMaxTimeStamp, std::string& strError) {
    return RunPagedExport(
        kContractExport, m_Connection, m_bInCall, strPropsString, strXML, strTimeStamp, strMaxTimeStamp, strError,
        [&](DatabaseConnection& connection, std::string& timeStamp, std::string& maxTimeStamp) {
            maxTimeStamp = ReadMaxTimeStamp(connection, ContractMaxTimeStampStatement(iRP));
            auto page = OpenPage(connection, ContractPageStatement(lPerCount, iRP, timeStamp, m_strFilter), timeStamp,
                                 "FModifyTime");
            ContractProgress progress;
            if (m_bProgress) progress = [this](std::int32_t lCur, std::int32_t lTotal) { RaiseProgress(lCur, lTotal); };
            return BuildContractRecords(connection, page.get(), progress);
        });
}

bool clsContract::Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount,
                         std::string& strTimeStamp, std::string& strMaxTimeStamp) {
    std::string strError;
    return Export(strPropsString, strXML, iRP, lPerCount, strTimeStamp, strMaxTimeStamp, strError);
}

bool clsContract::Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount,
                         std::string& strTimeStamp) {
    std::string strMaxTimeStamp;
    return Export(strPropsString, strXML, iRP, lPerCount, strTimeStamp, strMaxTimeStamp);
}

bool clsContract::Export(std::string& strPropsString, std::string& strXML, std::int16_t iRP, std::int32_t lPerCount) {
    std::string strTimeStamp;
    return Export(strPropsString, strXML, iRP, lPerCount, strTimeStamp);
}

bool clsContract::Import(std::string& strPropsString, const std::string& strXML, std::string& strError,
                         const Variant& lSystemType) {
    const ObjectCall call(m_bInCall);
    if (!call.Entered()) {
        strError = NestedCallRefusal("OVArDataExchange.clsContract.Import", kImportLanguage);
        return false;
    }
    if (!AuthorizeSession(strPropsString, strError)) return false;
    try {
        m_lSystemType = lSystemType.ToInt32();
        OpenConnection(m_Connection);
        const ContractImportSettings settings{m_bCheckByUUID, m_bAddNewOnly, m_lSystemType};
        const bool result = ImportContractDocument(
            *m_Connection, strPropsString, strXML, SchemaFolder() + "ArContract.xsd", strError, settings,
            [this](std::int32_t lCur, std::int32_t lTotal) { RaiseProgress(lCur, lTotal); });
        m_Connection->CloseConn();
        return result;
    } catch (...) {
        strError = BuildErrorText(CaughtErrorRecord(), kImportLanguage);
        CloseConnection(m_Connection);
        return false;
    }
}

}  // namespace ovardx
