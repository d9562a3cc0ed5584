#include "sqlite_backend/TsqlTranslator.h"

#include <gtest/gtest.h>

#include <string>

#include "ovardx/Error.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {
namespace {

struct Case {
    std::string tsql;
    std::string sqlite;
};

const std::string kNow = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";

TEST(TsqlTranslatorTest, TranslatesWhatTheLibraryWrites) {
    const Case cases[] = {
        // TOP at the outer level moves behind ORDER BY.
        {"SELECT TOP 100 r.*,s.FName FSettleName FROM t_RP_NewReceiveBill r  left join t_settle s on r.FSettle=s.FItemID "
         " WHERE r.FPre= 1 and r.FRP=1  AND r.FBillID in (select FBillID from t_RP_NewReceiveBill where  FModifyTime>0x0000000000000000) ORDER BY r.FModifyTime",
         "SELECT r.*,s.FName FSettleName FROM t_RP_NewReceiveBill r  left join t_settle s on r.FSettle=s.FItemID "
         " WHERE r.FPre= 1 and r.FRP=1  AND r.FBillID in (select FBillID from t_RP_NewReceiveBill where  FModifyTime>X'0000000000000000') ORDER BY r.FModifyTime LIMIT 100"},
        {"SELECT TOP 100 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and (FTimeStamp>0x0000000000000000)",
         "SELECT * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and (FTimeStamp>X'0000000000000000') LIMIT 100"},
        // TOP in a derived table stays inside its parentheses.
        {"SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT TOP 100 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and (FTimeStamp>0x0000000000000000)) u",
         "SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and (FTimeStamp>X'0000000000000000') LIMIT 100) u"},
        {"SELECT  * FROM COM_DataChange  WHERE FType=-1 and FIfDelete=1 ",
         "SELECT  * FROM COM_DataChange  WHERE FType=-1 and FIfDelete=1 "},
        // The plan query: union inside a derived table, in(, <>, joins.
        {"SELECT TOP 5 c.FNumber from t_rp_contact c  join (select FOrgID from t_rp_plan_ar union select FOrgID from t_Rp_plan_ap) d on c.FID=d.FOrgID"
         "  left join t_rpContract e on c.FContractNo=e.FContractNo where c.FType in(3,13)  and d.FRemainAmountFor<>0 and c.FRP != 2 ORDER BY c.FModifyTime",
         "SELECT c.FNumber from t_rp_contact c  join (select FOrgID from t_rp_plan_ar union select FOrgID from t_Rp_plan_ap) d on c.FID=d.FOrgID"
         "  left join t_rpContract e on c.FContractNo=e.FContractNo where c.FType in(3,13)  and d.FRemainAmountFor<>0 and c.FRP != 2 ORDER BY c.FModifyTime LIMIT 5"},
        // TOP forms.
        {"select top (3) a from t", "select a from t LIMIT 3"},
        {"SELECT TOP(3) a FROM t", "SELECT a FROM t LIMIT 3"},
        {"SELECT DISTINCT TOP 2 a FROM t ORDER BY a", "SELECT DISTINCT a FROM t ORDER BY a LIMIT 2"},
        {"SELECT a FROM t WHERE b IN (SELECT TOP 1 b FROM u ORDER BY c DESC)",
         "SELECT a FROM t WHERE b IN (SELECT b FROM u ORDER BY c DESC LIMIT 1)"},
        {"SELECT TOP 1 a FROM t -- newest first\nORDER BY a DESC -- done", "SELECT a FROM t  \nORDER BY a DESC LIMIT 1  "},
        {"SELECT TOP 1 a FROM t; SELECT TOP 2 b FROM u;", "SELECT a FROM t LIMIT 1; SELECT b FROM u LIMIT 2;"},
        {"SELECT TOP 4 (a) FROM t", "SELECT (a) FROM t LIMIT 4"},
        // Binary literals.
        {"WHERE x>0x0A1b", "WHERE x>X'0A1b'"},
        {"WHERE x=0xABC", "WHERE x=X'0ABC'"},
        {"WHERE x=0x", "WHERE x=X''"},
        {"WHERE x='0x00'", "WHERE x='0x00'"},
        // A number glued to a keyword.
        {"AND t_User.FUserID = 16AND t_Group.FGroupID = 1", "AND t_User.FUserID = 16 AND t_Group.FGroupID = 1"},
        {"WHERE FType=-1AND a=5and b=2.5OR c=1e3or d=1", "WHERE FType=-1 AND a=5 and b=2.5 OR c=1e3 or d=1"},
        {"WHERE a=5else", "WHERE a=5 else"},
        // Functions.
        {"SELECT ISNULL(a,0), isnull (b, 1) FROM t", "SELECT IFNULL(a,0), IFNULL (b, 1) FROM t"},
        {"SELECT LEN(a), LEN(ISNULL(b,'')) FROM t", "SELECT LENGTH(RTRIM(a)), LENGTH(RTRIM(IFNULL(b,''))) FROM t"},
        {"WHERE d<GETDATE() AND e<getdate ( )", "WHERE d<" + kNow + " AND e<" + kNow},
        {"WHERE d<CURRENT_TIMESTAMP", "WHERE d<" + kNow},
        // Strings, names and comments.
        {"WHERE a=N'x''y' AND b='it''s -- not a comment /*'", "WHERE a='x''y' AND b='it''s -- not a comment /*'"},
        {"SELECT [a b], [x]]y], [q\"] FROM [t]", "SELECT \"a b\", \"x]y\", \"q\"\"\" FROM \"t\""},
        {"SELECT \"a\" FROM t /* outer /* inner */ still */ WHERE 1=1", "SELECT \"a\" FROM t   WHERE 1=1"},
        {"SELECT 'TOP 5', [TOP] FROM t", "SELECT 'TOP 5', \"TOP\" FROM t"},
        // Harmless text passes unchanged.
        {"INSERT INTO t(a,b) VALUES (1,'x'); UPDATE t SET a=1 WHERE b LIKE 'x%'",
         "INSERT INTO t(a,b) VALUES (1,'x'); UPDATE t SET a=1 WHERE b LIKE 'x%'"},
        {"CREATE TABLE t_x (a INT, b DECIMAL(18, 2) DEFAULT (0))", "CREATE TABLE t_x (a INT, b DECIMAL(18, 2) DEFAULT (0))"},
        {"WITH x AS (SELECT 1 a) SELECT a FROM x", "WITH x AS (SELECT 1 a) SELECT a FROM x"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tsql);
        EXPECT_EQ(TranslateTsql(c.tsql), c.sqlite);
    }
}

struct Refusal {
    const char* tsql;
    const char* description;  // the whole of it: what and where, never the statement's text
};

TEST(TsqlTranslatorTest, RefusesWhatItCannotTranslateFaithfully) {
    const Refusal cases[] = {
        {"SELECT TOP 10 PERCENT a FROM t", "TOP ... PERCENT at character 8"},
        {"SELECT TOP (5) WITH TIES a FROM t ORDER BY a", "TOP ... WITH TIES at character 8"},
        {"SELECT TOP (@n) a FROM t", "variable at character 13"},
        {"SELECT TOP (2+3) a FROM t", "TOP without a whole number at character 8"},
        {"SELECT TOP 1.5 a FROM t", "TOP without a whole number at character 8"},
        {"SELECT TOP 5 a FROM t UNION SELECT b FROM u", "TOP in a branch of a UNION at character 23"},
        {"SELECT a FROM t UNION ALL SELECT TOP 5 b FROM u", "TOP in a branch of a UNION at character 34"},
        {"SELECT a FROM t WITH (NOLOCK)", "table hint WITH (...) at character 17"},
        {"SELECT a FROM t WITH(NOLOCK)", "table hint WITH (...) at character 17"},
        {"SELECT a FROM t WHERE b='secret-4711' AND c=@x", "variable at character 45"},
        {"SELECT a INTO #tmp FROM t", "temporary table at character 15"},
        {"SELECT a FROM t WHERE b=?", "parameter marker at character 25"},
        {"SELECT a FROM t WHERE b=:x", "parameter marker at character 25"},
        {"DECLARE x INT", "DECLARE (T-SQL batch command) at character 1"},
        {"exec sp_who", "exec (T-SQL batch command) at character 1"},
        {"SELECT 1\nGO\n", "GO (T-SQL batch command) at character 10"},
        {"SELECT a FROM t WHERE b LIKE '[a-c]%'", "LIKE pattern with a [ ] character class at character 25"},
        {"SELECT a FROM t WHERE b='abc", "unterminated string at character 25"},
        {"SELECT a FROM t WHERE b=N'abc", "unterminated string at character 26"},
        {"SELECT [a FROM t", "unterminated bracketed name at character 8"},
        {"SELECT \"a FROM t", "unterminated quoted name at character 8"},
        {"SELECT a /* never /* closed */ FROM t", "unterminated comment at character 10"},
        // Without column types every column is of unknown type.
        {"SELECT CONVERT(varchar(10), d, 120) FROM t",
         "CONVERT to varchar(10) with a style from a value of unknown type at character 8"},
        {"UPDATE t SET a=a+1 WHERE b='secret-4711'", "+ with an operand of unknown type at character 17"},
        {"SELECT UPPER(a) FROM t", "function UPPER at character 8"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.tsql);
        try {
            const std::string translated = TranslateTsql(c.tsql);
            ADD_FAILURE() << "translated to: " << translated;
        } catch (const Error& error) {
            EXPECT_EQ(error.record(), (ErrorRecord{kStatementError, "OVArDataExchange SQLite Provider",
                                                   std::string("Cannot translate to SQLite: ") + c.description}));
        }
    }
}

}  // namespace
}  // namespace ovardx::sqlite
