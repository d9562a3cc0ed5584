#include "ovardx/clsArapPlan.h"

#include <vector>

#include "arap_plan/PlanFilter.h"
#include "arap_plan/PlanRecords.h"
#include "arap_plan/PlanStatements.h"
#include "components/BuiltInComponents.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "session/AccessCheck.h"
#include "session/CaughtError.h"
#include "session/ErrorText.h"
#include "session/LocalizedText.h"
#include "session/MParse.h"
#include "session/OpenConnection.h"
#include "session/SchemaFolder.h"
#include "session/TimeStamp.h"
#include "session/XmlBridge.h"

namespace ovardx {

namespace {

constexpr const char* kExportSource = "OVArDataExchange.clsArapPlan.Export";
constexpr const char* kInvalidTimeStampText = "无效的时间戳";

std::string GetMaxTimeStamp(DatabaseConnection& connection) {
    std::string sql = kPlanMaxTimeStampStatement;
    auto rows = connection.GetAnyRecordSet(sql);
    if (rows && !rows->Eof()) return TimeStampToHex(rows->Value("FMT"));
    return kZeroTimeStamp;
}

// Replaces the rows of the page's last FModifyTime by the whole group of
// rows with that FModifyTime, so the page does not end inside the group.
std::shared_ptr<Recordset> CompleteLastGroup(DatabaseConnection& connection, Recordset& page,
                                             const std::string& lastTimeStamp, const std::string& conditions) {
    auto group = OpenRecordset(connection, PlanGroupStatement(lastTimeStamp, conditions));
    std::vector<std::vector<Variant>> rows;
    auto appendRows = [&rows](Recordset& from, const std::string* skipTimeStamp) {
        for (from.MoveFirst(); !from.Eof(); from.MoveNext()) {
            if (skipTimeStamp && TimeStampToHex(from.Value("FModifyTime")) == *skipTimeStamp) continue;
            std::vector<Variant> row;
            for (std::int32_t column = 0; column < from.FieldCount(); ++column) row.push_back(from.Item(column).Value);
            rows.push_back(std::move(row));
        }
    };
    appendRows(page, &lastTimeStamp);
    appendRows(*group, nullptr);
    return std::make_shared<Recordset>(page.ColumnNames(), std::move(rows));
}

// Runs the page query and moves timeStamp to the page's last FModifyTime
// (the zero text for an empty page).
std::shared_ptr<Recordset> GetList(DatabaseConnection& connection, const std::string& strPropsString,
                                   const std::string& filterText, std::string& timeStamp, std::int32_t lPerCount) {
    const std::string language = GetPropFromString(strPropsString, "Language");
    const std::string conditions = PlanFilterConditions(ParsePlanFilter(filterText, language));
    auto page = OpenRecordset(connection, PlanPageStatement(lPerCount, timeStamp, conditions));
    if (page->Eof()) {
        timeStamp = kZeroTimeStamp;
        return page;
    }
    page->MoveLast();
    timeStamp = TimeStampToHex(page->Value("FModifyTime"));
    page->MoveFirst();
    if (lPerCount > 0 && page->RecordCount() >= lPerCount)
        page = CompleteLastGroup(connection, *page, timeStamp, conditions);
    return page;
}

}  // namespace

clsArapPlan::clsArapPlan() {
    EnsureBuiltInComponents();
    EnsureSchemaFolder();
}

clsArapPlan::~clsArapPlan() { CloseConnection(m_Connection); }

void clsArapPlan::Filter(std::string text) { m_strFilter = std::move(text); }

bool clsArapPlan::Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount,
                         std::string& strTimeStamp, std::string& strMaxTimeStamp, std::string& strError) {
    if (!AuthorizeSession(strPropsString, strError)) return false;
    const std::string language = GetPropFromString(strPropsString, "language");
    try {
        if (!IsTimeStampText(strTimeStamp))
            Raise(errnum::kApplicationError, kExportSource, LoadLocalizedText(kInvalidTimeStampText, language));
        // The caller's bound moves only when the page reached the caller.
        std::string timeStamp = strTimeStamp.empty() ? kZeroTimeStamp : strTimeStamp;
        OpenConnection(m_Connection);
        strMaxTimeStamp = GetMaxTimeStamp(*m_Connection);
        auto page = GetList(*m_Connection, strPropsString, m_strFilter, timeStamp, lPerCount);
        auto list = BuildPlanRecords(page.get(), *m_Connection);
        m_Connection->CloseConn();
        const bool written = WriteXml(list, strXML, SchemaFolder() + "ArApPlan.xsd", "ArApPlan", strError);
        if (written) strTimeStamp = timeStamp;
        return written;
    } catch (...) {
        strError = BuildErrorText(CaughtErrorRecord(), language);
        CloseConnection(m_Connection);
        return false;
    }
}

bool clsArapPlan::Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount,
                         std::string& strTimeStamp, std::string& strMaxTimeStamp) {
    std::string strError;
    return Export(strPropsString, strXML, lPerCount, strTimeStamp, strMaxTimeStamp, strError);
}

bool clsArapPlan::Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount,
                         std::string& strTimeStamp) {
    std::string strMaxTimeStamp;
    return Export(strPropsString, strXML, lPerCount, strTimeStamp, strMaxTimeStamp);
}

bool clsArapPlan::Export(std::string& strPropsString, std::string& strXML, std::int32_t lPerCount) {
    std::string strTimeStamp;
    return Export(strPropsString, strXML, lPerCount, strTimeStamp);
}

}  // namespace ovardx
