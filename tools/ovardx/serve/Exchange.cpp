#include "tools/ovardx/serve/Exchange.h"

#include <exception>
#include <memory>
#include <string_view>

#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "ovardx/Variant.h"
#include "ovardx/clsArapPlan.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "ovardx/clsReceiveBill.h"
#include "tools/ovardx/serve/ComponentCounters.h"

namespace ovardx::serve {

namespace {

// The text of what a library constructor or component raised.
std::string CaughtText() {
    try {
        throw;
    } catch (const Error& error) {
        const ErrorRecord& record = error.record();
        return "Error number:" + std::to_string(record.Number) + "\nError source:" + record.Source +
               "\nError description:" + record.Description;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

// Runs one export call with a fresh object made by make().
template <class Object, class Call>
Page RunExport(const std::string& timeStamp, Call call) {
    Page page;
    page.timeStamp = timeStamp;
    try {
        Object object;
        page.ok = call(object, page);
    } catch (...) {
        page.ok = false;
        page.error = CaughtText();
    }
    return page;
}

}  // namespace

Page ExportPlan(const std::string& props, const std::string& filter, std::int32_t perCount,
                const std::string& timeStamp) {
    return RunExport<clsArapPlan>(timeStamp, [&](clsArapPlan& plan, Page& page) {
        std::string properties = props;
        plan.Filter(filter);
        return plan.Export(properties, page.xml, perCount, page.timeStamp, page.maxTimeStamp, page.error);
    });
}

Page ExportBills(const std::string& props, const std::string& filter, std::int16_t pre, std::int32_t perCount,
                 const std::string& timeStamp) {
    return RunExport<clsReceiveBill>(timeStamp, [&](clsReceiveBill& bills, Page& page) {
        std::string properties = props;
        bills.Filter(filter);
        return bills.Export(properties, page.xml, pre, perCount, page.timeStamp, page.maxTimeStamp, page.error);
    });
}

Page ExportContracts(const std::string& props, const std::string& filter, std::int16_t rp, std::int32_t perCount,
                     const std::string& timeStamp) {
    return RunExport<clsContract>(timeStamp, [&](clsContract& contracts, Page& page) {
        std::string properties = props;
        contracts.Filter(filter);
        return contracts.Export(properties, page.xml, rp, perCount, page.timeStamp, page.maxTimeStamp, page.error);
    });
}

Page ExportDeletions(const std::string& props, std::int16_t billType, std::int32_t perCount,
                     const std::string& timeStamp) {
    return RunExport<clsDataKey>(timeStamp, [&](clsDataKey& keys, Page& page) {
        return keys.ExportXMLDataKey(props, billType, page.xml, perCount, page.timeStamp, page.maxTimeStamp,
                                     page.error);
    });
}

ImportResult ImportContracts(const std::string& props, const std::string& xml, const ContractImportOptions& options) {
    ImportResult result;
    const CountingScope counting;
    try {
        clsContract contracts;
        contracts.CheckByUUID(options.checkByUuid);
        contracts.AddNewOnly(options.addNewOnly);
        contracts.OnProgress([&result](std::int32_t done, std::int32_t total) {
            result.handled = done;
            result.records = total;
        });
        std::string properties = props;
        result.ok = contracts.Import(properties, xml, result.error, Variant(options.systemType));
    } catch (...) {
        result.ok = false;
        result.error = CaughtText();
    }
    result.saved = counting.Counts().saved;
    return result;
}

ImportResult ImportDeletions(const std::string& props, std::int16_t billType, const std::string& xml) {
    ImportResult result;
    const CountingScope counting;
    try {
        clsDataKey keys;
        std::string properties = props;
        result.ok = keys.ImportXMLDataKey(properties, billType, xml, result.error);
    } catch (...) {
        result.ok = false;
        result.error = CaughtText();
    }
    result.deleted = counting.Counts().deleted;
    return result;
}

GateVerdict ProbeGate(const std::string& props) {
    // Kind 0 is no document kind: with no records the import answers true
    // once the gate let the user in, and touches nothing.
    const ImportResult probe = ImportDeletions(props, 0, "<Delete/>");
    if (probe.ok) return {GateVerdict::Kind::Admitted, {}};
    if (IsThreeLineError(probe.error)) return {GateVerdict::Kind::Failed, probe.error};
    return {GateVerdict::Kind::Refused, probe.error};
}

std::string CheckDatabase(const std::string& connectString) {
    try {
        // The library registers its built-in components (the connection
        // among them) when its first object is made.
        const clsDataKey registersComponents;
        const auto connection = ComponentRegistry::Create<DatabaseConnection>(kConnectionProgId);
        connection->ConnString(connectString);
        std::string sql = "SELECT FValue FROM T_SYSTEMPROFILE WHERE FCategory='Base' AND FKey='ServicePack'";
        const std::shared_ptr<Recordset> rows = connection->GetAnyRecordSet(sql);
        connection->CloseConn();
        if (!rows || rows->Eof()) return "the database has no service pack row (T_SYSTEMPROFILE): is it an ERP database?";
        return {};
    } catch (...) {
        return CaughtText();
    }
}

bool IsThreeLineError(const std::string& text) {
    // Three labelled lines; the number is the only fixed shape across the
    // catalogs' languages. (No std::regex: a description can be long.)
    const std::string_view all = text;
    const std::size_t first = all.find('\n');
    if (first == std::string_view::npos) return false;
    const std::size_t second = all.find('\n', first + 1);
    if (second == std::string_view::npos) return false;
    const std::string_view number = all.substr(0, first);
    const std::size_t colon = number.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 40) return false;
    std::string_view digits = number.substr(colon + 1);
    if (digits.ends_with('\r')) digits.remove_suffix(1);  // the lines end in CR LF
    if (digits.starts_with('-')) digits.remove_prefix(1);
    const bool numeric = !digits.empty() && digits.size() <= 11 &&
                         digits.find_first_not_of("0123456789") == std::string_view::npos;
    const std::size_t sourceColon = all.substr(first + 1, second - first - 1).find(':');
    const std::size_t descriptionColon = all.substr(second + 1).find(':');
    return numeric && sourceColon != std::string_view::npos && descriptionColon != std::string_view::npos;
}

bool IsBusyError(const std::string& text) {
    return IsThreeLineError(text) && (text.find("database is locked") != std::string::npos ||
                                      text.find("busy timeout") != std::string::npos);
}

}  // namespace ovardx::serve
