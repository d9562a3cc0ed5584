#include "contract/ContractStatements.h"

#include "session/SqlText.h"

namespace ovardx::contracts {

std::string ContractMaxTimeStampStatement(std::int16_t iRP) {
    return "SELECT MAX(FModifyTime) as FMT FROM t_rpcontract WHERE FRP= " + std::to_string(iRP);
}

std::string ContractPageStatement(std::int32_t lPerCount, std::int16_t iRP, const std::string& timeStamp,
                                  const std::string& filter) {
    std::string sql = lPerCount != 0 ? "SELECT TOP " + std::to_string(lPerCount) : std::string("SELECT ");
    sql += " c.*,e.FName FContractTypeName,u.FName FCheckerName ";
    sql += " from t_RPContract c ";
    sql += " left join t_rp_systemenum e on c.FContractTypeID=e.FItemID ";
    sql += " left join t_user u on c.FXItemID=u.FUserID ";
    sql += " where c.FRP=" + std::to_string(iRP);
    sql += " and c.FSystemType=1 ";
    sql += " and c.FContractID in(select FContractID from t_RPContract where ";
    if (filter.empty())
        sql += "FModifyTime>" + timeStamp;
    else
        sql += "(FModifyTime>" + timeStamp + ") AND (" + filter + ")";
    sql += " ) ";
    sql += " ORDER BY c.FModifyTime";
    return sql;
}

std::string ContractEntriesStatement(std::int32_t contractId) {
    return " select * from t_rpcontractentry where FContractID=" + std::to_string(contractId);
}

std::string ContractSchemesStatement(std::int32_t contractId) {
    return " select * from t_rpcontractscheme where FContractID=" + std::to_string(contractId);
}

std::string ReferenceBaseStatement(std::string_view itemClassName, std::int32_t itemClassId) {
    if (itemClassName == "Currency") return std::string("SELECT FCurrencyID as FItemID FROM t_Currency ") + " WHERE 1=1 ";
    if (itemClassName == "Item")
        return std::string("SELECT FItemID FROM t_Item ") + " WHERE FItemClassID=" + std::to_string(itemClassId);
    if (itemClassName == "MeasureUnit")
        return std::string(" select FMeasureUnitID as FItemID from t_measureunit ") + " WHERE 1=1 ";
    return {};
}

std::string ReferenceByUuidStatement(const std::string& base, std::string_view uuid) {
    return base + " and UUID='" + QuoteSqlText(uuid) + "'";
}

std::string ReferenceByNumberStatement(const std::string& base, std::string_view number, std::string_view name) {
    return base + " and FNumber='" + QuoteSqlText(number) + "' AND FName='" + QuoteSqlText(name) + "'";
}

std::string ContractByUuidStatement(std::string_view uuid) {
    return "Select FContractID From t_Rpcontract Where UUID='" + QuoteSqlText(uuid) + "'";
}

std::string ContractByNumberStatement(std::int16_t frp, std::string_view number) {
    return "Select FContractID from t_Rpcontract  Where FRP=" + std::to_string(frp) + " AND FContractNo='" +
           QuoteSqlText(number) + "'";
}

}  // namespace ovardx::contracts
