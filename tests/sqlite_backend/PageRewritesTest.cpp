// The page statements as SQLite runs them after RewritePageStatement give
// exactly the rows of their literal translation, in the same order, on
// randomized databases built to hit what could tell them apart: plan
// entries equal in both plan tables, the same date written in other forms,
// 1 and 1.0, zero amounts, null dates, headers of other sides and types,
// customers with no row, contract numbers of no, one and two contracts;
// every page size from 1 to past the end and no limit; every bound; filters.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "arap_plan/PlanFilter.h"
#include "arap_plan/PlanStatements.h"
#include "contract/ContractStatements.h"
#include "erp/ErpSchema.h"
#include "ovardx/DateTime.h"
#include "ovardx/Variant.h"
#include "receive_bill/BillStatements.h"
#include "sqlite_backend/ColumnTypes.h"
#include "sqlite_backend/PageRewrites.h"
#include "sqlite_backend/SqliteHandle.h"
#include "sqlite_backend/TsqlTranslator.h"
#include "tests/sqlite_backend/SqliteTestDatabase.h"

namespace ovardx::sqlite {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Every value of every row as text ("<null>" for null), in order.
Rows RunRows(const Database& db, const std::string& sql) {
    Statement statement(db, sql);
    Rows rows;
    while (statement.Step()) {
        std::vector<std::string> row;
        for (int column = 0; column < statement.ColumnCount(); ++column)
            row.push_back(statement.ColumnStorage(column) == StorageClass::Null ? "<null>"
                                                                               : statement.ColumnText(column));
        rows.push_back(std::move(row));
    }
    return rows;
}

// The same by value, as the library reads it: a date in whatever written
// form as its date, 1 and 1.0 as one number.
Rows RunValues(const Database& db, const std::string& sql) {
    Statement statement(db, sql);
    Rows rows;
    while (statement.Step()) {
        std::vector<std::string> row;
        for (int column = 0; column < statement.ColumnCount(); ++column) {
            switch (statement.ColumnStorage(column)) {
                case StorageClass::Null: row.push_back("<null>"); break;
                case StorageClass::Integer:
                case StorageClass::Float: row.push_back(std::to_string(statement.ColumnDouble(column))); break;
                default: {
                    const std::string text = statement.ColumnText(column);
                    const auto date = DateTime::Parse(text);
                    row.push_back(date ? date->ToText() : text);
                }
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

class RandomErp {
public:
    RandomErp(const std::filesystem::path& path, unsigned seed) : db_(Database::Open(path.string(), OpenMode::ReadWriteCreate)), random_(seed) {
        erp::CreateErpSchema(db_);
        db_.Exec("BEGIN");
        for (int id = 1; id <= 4; ++id)
            db_.Exec("INSERT INTO t_item (FItemID, FItemClassID, FNumber, FName) VALUES (" + std::to_string(id) +
                     ", 1, 'C" + std::to_string(id) + "', 'N" + std::to_string(id) + "')");
        db_.Exec("INSERT INTO t_currency (FCurrencyID, FNumber, FName) VALUES (1, 'RMB', 'R'), (2, 'USD', 'U')");
        db_.Exec("INSERT INTO t_RPContract (FRP, FSystemType, FContractNo) VALUES (1, 1, 'K1'), (0, 1, 'K1'), (1, 1, 'K2')");
        for (int header = 0; header < 24; ++header) AddHeader();
        for (int bill = 0; bill < 30; ++bill) AddBill();
        for (int contract = 0; contract < 20; ++contract) AddContract();
        // Later changes give later row versions out of id order.
        db_.Exec("UPDATE t_rp_contact SET FExplanation='x' WHERE FID % 5 = 2");
        db_.Exec("UPDATE t_RP_NewReceiveBill SET FExplanation='x' WHERE FBillID % 4 = 1");
        db_.Exec("UPDATE t_RPContract SET FExplanation='x' WHERE FContractID % 3 = 0");
        db_.Exec("COMMIT");
        types_ = ReadColumnTypes(db_.get()).types;
        support_ = ReadRewriteSupport(db_.get());
    }

    const Database& Db() const { return db_; }
    const RewriteSupport& Support() const { return support_; }
    std::string Translate(const std::string& tsql) const { return TranslateTsql(tsql, types_); }

    // The bounds a caller can pass: zero and every row version of the table.
    std::vector<std::string> Bounds(const std::string& table) const {
        std::vector<std::string> bounds{"0x0000000000000000"};
        for (const auto& row : RunRows(db_, "SELECT hex(FModifyTime) FROM " + table + " ORDER BY FModifyTime"))
            bounds.push_back("0x" + row[0]);
        return bounds;
    }

private:
    template <class T>
    const T& Pick(const std::vector<T>& values) {
        return values[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(random_)];
    }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    void AddHeader() {
        static const std::vector<std::string> contractNos{"NULL", "''", "'K1'", "'k2'", "'NONE'"};
        db_.Exec("INSERT INTO t_rp_contact (FNumber, FRP, FType, FCustomer, FCurrencyID, FExchangerate, FContractNo)"
                 " VALUES ('P" + std::to_string(Between(1, 6)) + "', " + Pick(std::vector<std::string>{"1", "1", "1", "0"}) +
                 ", " + Pick(std::vector<std::string>{"3", "13", "13", "1"}) + ", " +
                 Pick(std::vector<std::string>{"1", "2", "3", "4", "99"}) + ", " + Pick(std::vector<std::string>{"1", "2"}) +
                 ", 6.5, " + Pick(contractNos) + ")");
        const std::string header = std::to_string(db_.LastInsertRowId());
        static const std::vector<std::string> dates{"'2025-07-14'", "'2025-07-14 00:00:00'", "'2025-07-14T00:00:00.000'",
                                                    "'2025-07-15 10:30'", "'2025-07-13 23:59:59.999'", "NULL"};
        static const std::vector<std::string> amounts{"0", "1", "1.0", "2.5", "-3", "NULL"};
        for (const char* table : {"t_rp_plan_ar", "t_Rp_plan_ap"}) {
            for (int entry = Between(0, 4); entry > 0; --entry)
                db_.Exec(std::string("INSERT INTO ") + table + " (FOrgID, FDate, FRemainAmountFor) VALUES (" + header +
                         ", " + Pick(dates) + ", " + Pick(amounts) + ")");
        }
    }

    void AddBill() {
        db_.Exec("INSERT INTO t_RP_NewReceiveBill (FNumber, FRP, FPre, FChecker, FAmount) VALUES ('B', " +
                 Pick(std::vector<std::string>{"1", "1", "0"}) + ", " + Pick(std::vector<std::string>{"0", "1"}) + ", " +
                 Pick(std::vector<std::string>{"0", "20", "NULL"}) + ", " + std::to_string(Between(0, 30)) + ")");
    }

    void AddContract() {
        db_.Exec("INSERT INTO t_RPContract (FRP, FSystemType, FContractNo, FTotalAmountFor) VALUES (" +
                 Pick(std::vector<std::string>{"1", "1", "0"}) + ", " + Pick(std::vector<std::string>{"1", "1", "2"}) +
                 ", 'R" + std::to_string(db_.TotalChanges()) + "', " + std::to_string(Between(0, 30)) + ")");
    }

    Database db_;
    std::mt19937 random_;
    ColumnTypes types_;
    RewriteSupport support_;
};

// Runs the literal translation and the rewrite; counts the cases.
class PageRewritesTest : public ::testing::Test {
protected:
    void ExpectSameRows(const RandomErp& erp, const std::string& tsql) {
        const std::string literal = erp.Translate(tsql);
        const std::string rewritten = RewritePageStatement(literal, erp.Support());
        ASSERT_NE(rewritten, literal) << "not rewritten: " << literal;
        ASSERT_EQ(RunRows(erp.Db(), rewritten), RunRows(erp.Db(), literal)) << literal << "\n" << rewritten;
        ++cases_;
    }

    // A plan statement: the literal translation with its ties put in order
    // gives the rows of the literal translation (by header; a full page may
    // cut its last header's rows elsewhere, which the export completes
    // anyway), and the union table gives the same rows, by value, in the
    // same order.
    void ExpectSamePlanRows(const RandomErp& erp, const std::string& tsql, std::int32_t perCount) {
        const std::string literal = erp.Translate(tsql);
        const std::string ordered = RewritePageStatement(literal, RewriteSupport{});
        const std::string rewritten = RewritePageStatement(literal, erp.Support());
        ASSERT_NE(rewritten, ordered) << "the union table is not read: " << rewritten;
        const Rows orderedRows = RunValues(erp.Db(), ordered);
        ASSERT_EQ(RunValues(erp.Db(), rewritten), orderedRows) << ordered << "\n" << rewritten;
        auto wholeHeaders = [perCount](Rows rows) {
            const bool full = perCount > 0 && rows.size() == static_cast<std::size_t>(perCount);
            const std::string last = rows.empty() ? std::string() : rows.back()[4];
            while (full && !rows.empty() && rows.back()[4] == last) rows.pop_back();
            std::sort(rows.begin(), rows.end());
            return rows;
        };
        ASSERT_EQ(wholeHeaders(orderedRows), wholeHeaders(RunValues(erp.Db(), literal))) << literal;
        ++cases_;
    }

    testing::TempFolder folder_;
    int cases_ = 0;
};

TEST_F(PageRewritesTest, PlanPagesGiveTheLiteralRowsInTheLiteralOrder) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        RandomErp erp(folder_.path() / ("plan" + std::to_string(seed) + ".db"), seed);
        ASSERT_TRUE(erp.Support().planUnion);
        const std::size_t rows = RunRows(erp.Db(), "SELECT COUNT(*) FROM t_rp_plan_ar").size() + 40;
        for (const char* filter : {"", "DateFrom=2025-07-14", "DateTo=2025-07-14", "Number=P2", "TSql=c.FCustomer<>2"}) {
            const std::string conditions = PlanFilterConditions(ParsePlanFilter(filter, "chs"));
            for (const std::string& bound : erp.Bounds("t_rp_contact")) {
                for (std::int32_t perCount = 0; perCount <= static_cast<std::int32_t>(rows); ++perCount) {
                    SCOPED_TRACE(std::string(filter) + " after " + bound + ", " + std::to_string(perCount));
                    ExpectSamePlanRows(erp, PlanPageStatement(perCount, bound, conditions), perCount);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
    std::cout << "[ cases    ] " << cases_ << " plan pages\n";
}

TEST_F(PageRewritesTest, BillAndContractPagesGiveTheLiteralRowsInTheLiteralOrder) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        RandomErp erp(folder_.path() / ("keyed" + std::to_string(seed) + ".db"), seed);
        for (const char* filter : {"", "FChecker>0", "FAmount>=10 OR FNumber='x'"}) {
            for (const std::string& bound : erp.Bounds("t_RP_NewReceiveBill")) {
                for (std::int32_t perCount = 0; perCount <= 32; ++perCount) {
                    for (std::int16_t pre : {0, 1}) {
                        SCOPED_TRACE(std::string(filter) + " after " + bound + ", " + std::to_string(perCount));
                        ExpectSameRows(erp, BillPageStatement(pre, bound, perCount, filter));
                        if (HasFatalFailure()) return;
                    }
                }
            }
        }
        for (const char* filter : {"", "FTotalAmountFor>10", "FContractNo LIKE 'R1%'"}) {
            for (const std::string& bound : erp.Bounds("t_RPContract")) {
                for (std::int32_t perCount = 0; perCount <= 25; ++perCount) {
                    for (std::int16_t rp : {1, 0}) {
                        SCOPED_TRACE(std::string(filter) + " after " + bound + ", " + std::to_string(perCount));
                        ExpectSameRows(erp, contracts::ContractPageStatement(perCount, rp, bound, filter));
                        if (HasFatalFailure()) return;
                    }
                }
            }
        }
    }
    std::cout << "[ cases    ] " << cases_ << " bill and contract pages\n";
}

// The union table follows the plan tables through inserts, updates and
// deletes, and a database without it is left as it is.
TEST_F(PageRewritesTest, TheUnionTableFollowsThePlanTables) {
    RandomErp erp(folder_.path() / "changes.db", 9);
    Database& db = const_cast<Database&>(erp.Db());
    db.Exec("UPDATE t_rp_plan_ar SET FDate='2025-07-14 00:00:00' WHERE FID % 3 = 0;"
            "DELETE FROM t_Rp_plan_ap WHERE FID % 4 = 0;"
            "UPDATE t_Rp_plan_ap SET FRemainAmountFor=1 WHERE FID % 5 = 0;"
            "UPDATE t_rp_plan_ar SET FOrgID=FOrgID+1 WHERE FID % 7 = 0");
    const std::string union_ = "SELECT FOrgID, julianday(substr(FDate,1,23)), FRemainAmountFor FROM t_rp_plan_ar UNION "
                               "SELECT FOrgID, julianday(substr(FDate,1,23)), FRemainAmountFor FROM t_Rp_plan_ap ORDER BY 1, 2, 3";
    EXPECT_EQ(RunRows(db, "SELECT FOrgID, FDateKey, FRemainAmountFor FROM t_rp_plan_union ORDER BY 1, 2, 3"),
              RunRows(db, union_));
    EXPECT_EQ(RunRows(db, "SELECT COUNT(*) FROM t_rp_plan_union WHERE FRows < 1")[0][0], "0");

    db.Exec("DROP TRIGGER tr_t_Rp_plan_ap_union_update");
    EXPECT_FALSE(ReadRewriteSupport(db.get()).planUnion);
    const std::string literal = erp.Translate(PlanPageStatement(10, "0x0000000000000000", ""));
    EXPECT_EQ(RewritePageStatement(literal, ReadRewriteSupport(db.get())).find("t_rp_plan_union"), std::string::npos);
}

}  // namespace
}  // namespace ovardx::sqlite
