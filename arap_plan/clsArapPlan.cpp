#include "ovardx/clsArapPlan.h"

#include <vector>

#include "arap_plan/PlanFilter.h"
#include "arap_plan/PlanRecords.h"
#include "arap_plan/PlanStatements.h"
#include "components/BuiltInComponents.h"
#include "ovardx/DatabaseConnection.h"
#include "session/MParse.h"
#include "session/OpenConnection.h"
#include "session/PagedExport.h"
#include "session/SchemaFolder.h"
#include "session/TimeStamp.h"

namespace ovardx {

namespace {

constexpr PagedExportSpec kPlanExport{"ArApPlan.xsd", "ArApPlan", "OVArDataExchange.clsArapPlan.Export", "language"};

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
    auto page = OpenPage(connection, PlanPageStatement(lPerCount, timeStamp, conditions), timeStamp, "FModifyTime");
    // A page that OpenPage ended early for a transaction in flight holds
    // fewer rows and only whole groups: the group the limit fell into waits
    // for the next call as a whole.
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
    return RunPagedExport(kPlanExport, m_Connection, m_bInCall, strPropsString, strXML, strTimeStamp, strMaxTimeStamp, strError,
                          [&](DatabaseConnection& connection, std::string& timeStamp, std::string& maxTimeStamp) {
                              maxTimeStamp = ReadMaxTimeStamp(connection, kPlanMaxTimeStampStatement);
                              auto page = GetList(connection, strPropsString, m_strFilter, timeStamp, lPerCount);
                              return BuildPlanRecords(page.get(), connection);
                          });
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
