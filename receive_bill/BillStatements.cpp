#include "receive_bill/BillStatements.h"

namespace ovardx {

std::string BillMaxTimeStampStatement(std::int16_t iPre) {
    return "SELECT MAX(FModifyTime) as FMT FROM t_rp_newreceivebill WHERE FRP=1 and FPre=" + std::to_string(iPre);
}

std::string BillPageStatement(std::int16_t iPre, const std::string& timeStamp, std::int32_t lPerCount,
                              const std::string& filter) {
    // The filter narrows a sub-select, so the outer FPre and FRP conditions
    // hold for any condition on the bill's columns.
    const std::string condition = filter.empty() ? " FModifyTime>" + timeStamp
                                                 : " (FModifyTime>" + timeStamp + ") AND (" + filter + ")";
    std::string sql = lPerCount != 0 ? "SELECT TOP " + std::to_string(lPerCount) : "SELECT ";
    sql += " r.*,s.FName FSettleName,e.FName FBillTypeName,ck.FName FCheckerName,pr.FName FPreparerName ";
    sql += " FROM t_RP_NewReceiveBill r ";
    sql += " left join t_settle s on r.FSettle=s.FItemID ";
    sql += " left join t_RP_SystemEnum e on r.FBillType=e.FItemID ";
    sql += " left join t_user ck on r.FChecker=ck.FUserID ";
    sql += " left join t_user pr on r.FPreparer=pr.FUserID ";
    sql += " WHERE r.FPre= " + std::to_string(iPre);
    sql += " and r.FRP=1 ";
    sql += " AND r.FBillID in (select FBillID from t_RP_NewReceiveBill where " + condition + ")";
    sql += " ORDER BY r.FModifyTime";
    return sql;
}

}  // namespace ovardx
