#include "data_key/DeletionStatements.h"

#include "session/SqlText.h"

namespace ovardx {

namespace {

std::string DeletionConditions(std::int16_t changeType) {
    return std::string(" WHERE FSystemFlag=2 ") + " AND FType=" + std::to_string(changeType);
}

}  // namespace

std::string DeletionMaxTimeStampStatement(std::int16_t changeType) {
    return "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange " + DeletionConditions(changeType) +
           " and FIfDelete=1  ";
}

std::string DeletionPageStatement(std::int16_t changeType, std::int32_t lPerCount, const std::string& timeStamp) {
    std::string sql = lPerCount != 0 ? "SELECT TOP " + std::to_string(lPerCount) : "SELECT ";
    sql += " * FROM COM_DataChange ";
    sql += DeletionConditions(changeType);
    sql += " and FIfDelete=1 ";
    sql += " and (FTimeStamp>" + timeStamp + ")";
    // Without an order the server may fill a page with newer rows and the
    // next bound would skip the older ones for good.
    sql += " ORDER BY FTimeStamp";
    return sql;
}

std::string ContractByUuidStatement(std::string_view uuid) {
    return "SELECT FContractID,FRP FROM t_RPContract WHERE UUID='" + QuoteSqlText(uuid) + "'";
}

std::string BillByUuidStatement(std::string_view uuid) {
    return "select FBillID,FRP from t_rp_newreceivebill WHERE UUID='" + QuoteSqlText(uuid) + "'";
}

}  // namespace ovardx
