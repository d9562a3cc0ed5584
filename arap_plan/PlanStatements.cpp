#include "arap_plan/PlanStatements.h"

namespace ovardx {

namespace {

// The plan entries of both plan tables, duplicates dropped; the headers
// condition, when given, keeps only the entries of the headers it selects.
std::string PlanEntries(const std::string& headersCondition) {
    if (headersCondition.empty())
        return "(select FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar union select FOrgID,FDate,"
               "FRemainAmountFor from t_Rp_plan_ap)";
    const std::string headers = " where FOrgID in (select FID from t_rp_contact where " + headersCondition + ")";
    return "(select FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar" + headers +
           " union select FOrgID,FDate,FRemainAmountFor from t_Rp_plan_ap" + headers + ")";
}

std::string PlanStatement(std::int32_t lPerCount, const std::string& timeStampCondition,
                          const std::string& entries, const std::string& conditions) {
    std::string sql = lPerCount != 0 ? "SELECT TOP " + std::to_string(lPerCount) : "SELECT ";
    sql += " c.FNumber,d.FDate FArDate, ";
    sql += " c.FExchangerate,d.FRemainAmountFor FAmountFor,";
    sql += " c.FModifyTime,c.FCustomer,c.FCurrencyID,c.FContractNo,e.FContractID ";
    sql += " from t_rp_contact c ";
    sql += " join t_item i on c.FCustomer=i.FitemID ";
    sql += " join t_currency b on c.FCurrencyID=b.FCurrencyID ";
    sql += " join " + entries + " d on c.FID=d.FOrgID ";
    sql += " left join t_rpContract e on c.FContractNo=e.FContractNo";
    sql += " where c.FRP=1 and c.FType in(3,13)  and d.FRemainAmountFor<>0 ";
    sql += timeStampCondition;
    sql += conditions;
    sql += " ORDER BY c.FModifyTime";
    return sql;
}

}  // namespace

std::string PlanPageStatement(std::int32_t lPerCount, const std::string& timeStamp,
                              const std::string& conditions) {
    return PlanStatement(lPerCount, " and   c.FModifyTime>" + timeStamp, PlanEntries({}), conditions);
}

std::string PlanGroupStatement(const std::string& timeStamp, const std::string& conditions) {
    // Only the group's own entries are combined: the database then need not
    // build the union of the whole plan tables a second time for the page.
    return PlanStatement(0, " and   c.FModifyTime=" + timeStamp, PlanEntries("FModifyTime=" + timeStamp),
                         conditions);
}

}  // namespace ovardx
