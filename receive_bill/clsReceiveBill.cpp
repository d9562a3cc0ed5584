#include "ovardx/clsReceiveBill.h"

#include "components/BuiltInComponents.h"
#include "ovardx/DatabaseConnection.h"
#include "receive_bill/BillRecords.h"
#include "receive_bill/BillStatements.h"
#include "session/MParse.h"
#include "session/OpenConnection.h"
#include "session/PagedExport.h"
#include "session/SchemaFolder.h"

namespace ovardx {

namespace {

constexpr PagedExportSpec kBillExport{"ReceiveBill.xsd", "ReceiveBill", "OVArDataExchange.clsReceiveBill.Export",
                                      "Language"};

}  // namespace

clsReceiveBill::clsReceiveBill() {
    EnsureBuiltInComponents();
    EnsureSchemaFolder();
}

clsReceiveBill::~clsReceiveBill() { CloseConnection(m_Connection); }

void clsReceiveBill::Filter(std::string text) { m_strFilter = std::move(text); }

bool clsReceiveBill::Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre,
                            std::int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp,
                            std::string& strError) {
    return RunPagedExport(kBillExport, m_Connection, m_bInCall, strPropsString, strXML, strTimeStamp, strMaxTimeStamp, strError,
                          [&](DatabaseConnection& connection, std::string& timeStamp, std::string& maxTimeStamp) {
                              maxTimeStamp = ReadMaxTimeStamp(connection, BillMaxTimeStampStatement(iPre));
                              auto page = OpenPage(connection, BillPageStatement(iPre, timeStamp, lPerCount, m_strFilter),
                                                   timeStamp, "FModifyTime");
                              return BuildBillRecords(page.get(), connection,
                                                      GetPropFromString(strPropsString, "Language"));
                          });
}

bool clsReceiveBill::Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre,
                            std::int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp) {
    std::string strError;
    return Export(strPropsString, strXML, iPre, lPerCount, strTimeStamp, strMaxTimeStamp, strError);
}

bool clsReceiveBill::Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre,
                            std::int32_t lPerCount, std::string& strTimeStamp) {
    std::string strMaxTimeStamp;
    return Export(strPropsString, strXML, iPre, lPerCount, strTimeStamp, strMaxTimeStamp);
}

bool clsReceiveBill::Export(std::string& strPropsString, std::string& strXML, std::int16_t iPre,
                            std::int32_t lPerCount) {
    std::string strTimeStamp;
    return Export(strPropsString, strXML, iPre, lPerCount, strTimeStamp);
}

}  // namespace ovardx
