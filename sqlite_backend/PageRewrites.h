#pragma once

#include <string>

struct sqlite3;

namespace ovardx::sqlite {

// What the open database offers the rewrites below.
struct RewriteSupport {
    // t_rp_plan_union with the triggers that keep it equal to the union of
    // the two plan tables (schema/erp.sql).
    bool planUnion = false;
};

// Reads it from the schema.
RewriteSupport ReadRewriteSupport(sqlite3* db);

// Rewrites the library's page statements, as translated for SQLite, into
// equivalent forms that SQLite runs in time proportional to the page rather
// than to the table. Everything else passes unchanged. The statements the
// library sends to SQL Server stay as they are; its optimizer finds these
// plans itself.
//
// - The plan page and its group completion: the rows of one header come in
//   a stated order, date by value, then amount, then contract id, where
//   SQLite would give them in an order of its plan. And where the database
//   has t_rp_plan_union, the page's derived table, the union of t_rp_plan_ar
//   and t_Rp_plan_ap, which SQLite would build whole for every page, is read
//   from that table through its index instead. (The union keeps one of the
//   rows equal by value; which of their written forms is the same value.)
// - The receive bill and contract pages: "alias.Key IN (SELECT Key FROM
//   Table WHERE (FModifyTime>bound) AND (filter))" on the table's own
//   primary key becomes "(alias.FModifyTime>bound AND EXISTS (SELECT 1 FROM
//   Table WHERE Key=alias.Key AND ((FModifyTime>bound) AND (filter))))": the
//   row the sub-select finds is the outer row itself, so the bound holds for
//   it, and the page walks the index on FModifyTime from the bound instead
//   of collecting every later key first.
// Only the library's own statement shapes match: the first occurrence of the
// library's fixed text, which stands before any filter text of the host,
// and the library's fixed ending.
std::string RewritePageStatement(std::string sql, const RewriteSupport& support);

}  // namespace ovardx::sqlite
