#include "sqlite_backend/PageRewrites.h"

#include <sqlite3.h>

#include <array>
#include <regex>
#include <string_view>

namespace ovardx::sqlite {

namespace {

constexpr std::string_view kPlanUnion =
    "(select FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar union select FOrgID,FDate,FRemainAmountFor from "
    "t_Rp_plan_ap) d on c.FID=d.FOrgID ";
constexpr std::string_view kPlanUnionTable = "(select FOrgID,FDate,FRemainAmountFor from t_rp_plan_union) d on c.FID=d.FOrgID ";

// The plan page's ending: ORDER BY, and the LIMIT of TOP n.
const std::regex kPlanEnding(R"( ORDER BY c\.FModifyTime( LIMIT \d+)?$)");

bool HasObject(sqlite3* db, const char* type, const char* name) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type=?1 AND name=?2", -1, &statement, nullptr) !=
        SQLITE_OK)
        return false;
    sqlite3_bind_text(statement, 1, type, -1, SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, name, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

// The select list of the plan page and of its group completion.
constexpr std::string_view kPlanColumns =
    "c.FNumber,d.FDate FArDate,  c.FExchangerate,d.FRemainAmountFor FAmountFor, c.FModifyTime,c.FCustomer,"
    "c.FCurrencyID,c.FContractNo,e.FContractID ";

std::string RewritePlanStatement(std::string sql, const RewriteSupport& support) {
    if (sql.find(kPlanColumns) == std::string::npos) return sql;
    std::smatch ending;
    if (!std::regex_search(sql, ending, kPlanEnding)) return sql;
    const std::string limit = ending[1].str();
    sql.replace(static_cast<std::size_t>(ending.position(0)), std::string::npos,
                " ORDER BY c.FModifyTime, d.FDate COLLATE DATETIME, d.FRemainAmountFor, e.FContractID" + limit);
    if (!support.planUnion) return sql;
    if (const std::size_t at = sql.find(kPlanUnion); at != std::string::npos)
        sql.replace(at, kPlanUnion.size(), kPlanUnionTable);
    return sql;
}

// One page statement whose keys are picked by a sub-select on its own table.
struct KeyedPage {
    std::string_view in;      // "alias.Key in (select Key from Table where "
    std::string_view ending;  // what follows the sub-select's ")"
    std::string_view alias, key, table;
};
constexpr std::array kKeyedPages{
    KeyedPage{"r.FBillID in (select FBillID from t_RP_NewReceiveBill where ", " ORDER BY r.FModifyTime", "r",
              "FBillID", "t_RP_NewReceiveBill"},
    KeyedPage{"c.FContractID in(select FContractID from t_RPContract where ", "  ORDER BY c.FModifyTime", "c",
              "FContractID", "t_RPContract"},
};

// The bound the sub-select's condition starts with: "FModifyTime>X'..'" or
// "(FModifyTime>X'..') AND (".
const std::regex kBound(R"(^ ?\(?FModifyTime>(X'[0-9A-Fa-f]*')(\) AND \(|$| ))");

std::string RewriteKeyedPage(std::string sql, const KeyedPage& page) {
    const std::size_t at = sql.find(page.in);
    if (at == std::string::npos) return sql;
    // The statement ends with the library's ORDER BY and, for TOP n, LIMIT.
    std::size_t end = sql.rfind(page.ending);
    if (end == std::string::npos || end < at) return sql;
    const std::string_view tail = std::string_view(sql).substr(end + page.ending.size());
    if (!tail.empty() && !std::regex_match(tail.begin(), tail.end(), std::regex(R"( LIMIT \d+)"))) return sql;
    if (end == 0 || sql[end - 1] != ')') return sql;
    const std::size_t conditionAt = at + page.in.size();
    const std::size_t close = end - 1;
    if (close < conditionAt) return sql;
    const std::string condition = sql.substr(conditionAt, close - conditionAt);
    std::smatch bound;
    if (!std::regex_search(condition, bound, kBound)) return sql;
    const std::string alias(page.alias), key(page.key);
    std::string rewritten = "(" + alias + ".FModifyTime>" + bound[1].str() + " AND EXISTS (select 1 from " +
                            std::string(page.table) + " where " + key + "=" + alias + "." + key + " AND (" +
                            condition + ")))";
    sql.replace(at, close + 1 - at, rewritten);
    return sql;
}

}  // namespace

RewriteSupport ReadRewriteSupport(sqlite3* db) {
    RewriteSupport support;
    support.planUnion = HasObject(db, "table", "t_rp_plan_union");
    for (const char* trigger :
         {"tr_t_rp_plan_ar_union_insert", "tr_t_rp_plan_ar_union_delete", "tr_t_rp_plan_ar_union_update",
          "tr_t_Rp_plan_ap_union_insert", "tr_t_Rp_plan_ap_union_delete", "tr_t_Rp_plan_ap_union_update"})
        support.planUnion = support.planUnion && HasObject(db, "trigger", trigger);
    return support;
}

std::string RewritePageStatement(std::string sql, const RewriteSupport& support) {
    sql = RewritePlanStatement(std::move(sql), support);
    for (const KeyedPage& page : kKeyedPages) sql = RewriteKeyedPage(std::move(sql), page);
    return sql;
}

}  // namespace ovardx::sqlite
