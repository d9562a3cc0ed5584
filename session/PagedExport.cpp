#include "session/PagedExport.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

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

namespace {

// Row versions compare as unsigned big-endian numbers.
bool AtOrAbove(const Bytes& version, const Bytes& limit) {
    const std::size_t width = std::max(version.size(), limit.size());
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t fromVersion = i + version.size(), fromLimit = i + limit.size();
        const std::uint8_t a = fromVersion < width ? 0 : version[fromVersion - width];
        const std::uint8_t b = fromLimit < width ? 0 : limit[fromLimit - width];
        if (a != b) return a > b;
    }
    return true;
}

// The page's rows before the first whose version is at or above the limit
// (the page is ordered by that version); the page itself when none is.
std::shared_ptr<Recordset> RowsBelow(std::shared_ptr<Recordset> page, const Bytes& limit,
                                     std::string_view timeStampColumn) {
    std::vector<std::vector<Variant>> rows;
    for (page->MoveFirst(); !page->Eof(); page->MoveNext()) {
        const Variant version = page->Value(timeStampColumn);
        if (version.kind() == Variant::Kind::Bytes && AtOrAbove(version.AsBytes(), limit)) {
            return std::make_shared<Recordset>(page->ColumnNames(), std::move(rows));
        }
        std::vector<Variant> row;
        for (std::int32_t column = 0; column < page->FieldCount(); ++column) row.push_back(page->Item(column).Value);
        rows.push_back(std::move(row));
    }
    page->MoveFirst();
    return page;
}

}  // namespace

std::shared_ptr<Recordset> OpenPage(DatabaseConnection& connection, std::string sql, std::string& timeStamp,
                                    std::string_view timeStampColumn) {
    // Read before the page: every row below it was committed by then, so
    // the page statement sees it. Rows at or above it wait for the next call.
    const std::optional<Bytes> limit = connection.MinActiveRowVersion();
    auto page = OpenRecordset(connection, std::move(sql));
    if (limit) page = RowsBelow(std::move(page), *limit, timeStampColumn);
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
