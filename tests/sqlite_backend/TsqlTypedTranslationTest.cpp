#include <gtest/gtest.h>

#include <string>

#include "ovardx/Error.h"
#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace ovardx::sqlite {
namespace {

const ColumnTypes kTypes{
    {"FName", ColumnKind::Text},          {"FDate", ColumnKind::DateTime}, {"FAmount", ColumnKind::Decimal},
    {"FCount", ColumnKind::Integer},      {"FModifyTime", ColumnKind::Binary}, {"FChecked", ColumnKind::Bit},
    {"FMixed", ColumnKind::Ambiguous},
};

const std::string kNow = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";

struct Case {
    std::string tsql;
    std::string sqlite;
};

void ExpectTranslations(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tsql);
        try {
            EXPECT_EQ(TranslateTsql(c.tsql, kTypes), c.sqlite);
        } catch (const Error& error) {
            ADD_FAILURE() << "refused: " << error.what();
        }
    }
}

struct Refusal {
    std::string tsql;
    std::string description;  // after "Cannot translate to SQLite: "
};

void ExpectRefusals(const std::vector<Refusal>& cases) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.tsql);
        try {
            ADD_FAILURE() << "translated to: " << TranslateTsql(c.tsql, kTypes);
        } catch (const Error& error) {
            EXPECT_EQ(error.record(), (ErrorRecord{kStatementError, kProviderSource,
                                                   "Cannot translate to SQLite: " + c.description}));
        }
    }
}

TEST(TsqlTypedTranslationTest, OperatorsFollowTheirOperandsTypes) {
    ExpectTranslations({
        // Text + text concatenates; SQLite's || binds tighter than *, hence
        // the parentheses.
        {"SELECT 'C'+'013'", "SELECT ('C'||'013')"},
        {"SELECT FName+N'-'+FName FROM t", "SELECT ((FName||'-')||FName) FROM t"},
        // Numbers stay; a decimal operand makes / a real division.
        {"WHERE FCount+FAmount*2>1 AND FCount/2=1 AND FCount%2=1", "WHERE FCount+FAmount*2>1 AND FCount/2=1 AND FCount%2=1"},
        {"WHERE FAmount/2>1", "WHERE CAST(FAmount AS REAL)/2>1"},
        {"WHERE FCount*FAmount/4>1", "WHERE CAST(FCount*FAmount AS REAL)/4>1"},
        {"SELECT 7/2, 7/2.0, 3000000000/7", "SELECT 7/2, CAST(7 AS REAL)/2.0, CAST(3000000000 AS REAL)/7"},
        // T-SQL binds & and | like + and -; SQLite below them.
        {"WHERE FCount&4=4 AND 1+FCount|2=3", "WHERE (FCount&4)=4 AND (1+FCount|2)=3"},
        // Date-times and numbers: days, fractions are parts of a day.
        {"WHERE FDate>=GETDATE()-30", "WHERE FDate COLLATE DATETIME>=ovardx_datetime_sub(" + kNow + ",30)"},
        {"WHERE FDate<GETDATE() + 0.5", "WHERE FDate COLLATE DATETIME<ovardx_datetime_add(" + kNow + " , 0.5)"},
        {"SELECT 1+FDate, FDate-FCount*2", "SELECT ovardx_datetime_add(1,FDate), ovardx_datetime_sub(FDate,FCount*2)"},
        {"SELECT CAST(FDate AS smalldatetime)+1",
         "SELECT ovardx_datetime_add(ovardx_cast(FDate,'smalldatetime'),1,'smalldatetime')"},
        {"SELECT -FCount, -FAmount, ~FCount, NULL+FName", "SELECT -FCount, -FAmount, ~FCount, NULL+FName"},
    });
}

TEST(TsqlTypedTranslationTest, OperatorsWhoseMeaningCannotBeKeptAreRefused) {
    ExpectRefusals({
        {"WHERE FAmount%2=1", "% with a non-integer operand at character 14"},
        {"WHERE FAmount&1=1", "& on a decimal number at character 14"},
        {"WHERE FCount^1=0", "operator ^ (exclusive or) at character 13"},
        {"SELECT FName+1", "+ of text and an integer at character 13"},
        {"SELECT FName-'x'", "- of text and text at character 13"},
        {"SELECT FDate-FDate", "- of a date-time and a date-time at character 13"},
        {"SELECT CAST(FDate AS date)+1", "+ of a number and a date at character 27"},
        {"SELECT SYSDATETIME()-1", "- of a number and a datetime2 at character 21"},
        {"SELECT FModifyTime+0x01", "+ of binary data and binary data at character 19"},
        {"SELECT FMixed+1", "+ with an operand of unknown type at character 14"},
        {"SELECT FChecked+FChecked", "+ of a bit and a bit at character 16"},
        {"SELECT x.y*2", "* with an operand of unknown type at character 11"},
        {"SELECT -FName", "unary - on text at character 8"},
        {"SELECT ~FAmount", "unary ~ on a decimal number at character 8"},
        {"WHERE FName||'x'='a'", "operator || at character 12"},
        {"WHERE FCount==1", "operator == at character 13"},
        {"SELECT FCount<<1", "operator << at character 14"},
    });
}

TEST(TsqlTypedTranslationTest, ComparisonsConvertAsTheServerDoes) {
    ExpectTranslations({
        // A date literal the DATETIME collation reads as the same value stays;
        // dates compare with that collation even where a column lacks it.
        {"WHERE d.FDate<='2025-07-14' AND '2025-06-01'<=d.FDate",
         "WHERE d.FDate COLLATE DATETIME<='2025-07-14' AND '2025-06-01' COLLATE DATETIME<=d.FDate"},
        // Others become the value the server converts them to.
        {"WHERE FDate<='20250714' AND FDate>'2025-07-01 10:00:00.001'",
         "WHERE FDate COLLATE DATETIME<='2025-07-14 00:00:00.000' AND FDate COLLATE DATETIME>'2025-07-01 10:00:00.000'"},
        {"WHERE FDate BETWEEN '20250101' AND '2025-12-31'",
         "WHERE FDate COLLATE DATETIME BETWEEN '2025-01-01 00:00:00.000' AND '2025-12-31'"},
        {"WHERE FDate IN ('20250101', N'2025-02-01')", "WHERE FDate COLLATE DATETIME IN ('2025-01-01 00:00:00.000', '2025-02-01')"},
        {"WHERE CAST(FDate AS date)='2025-07-14 10:00'", "WHERE ovardx_cast(FDate,'date') COLLATE DATETIME='2025-07-14 00:00:00.000'"},
        {"WHERE FDate=FName", "WHERE FDate COLLATE DATETIME=ovardx_cast(FName,'datetime')"},
        {"WHERE FCount='5' AND FAmount=' -2.50' AND FChecked='1' AND FCount IN (1,'2')",
         "WHERE FCount=5 AND FAmount=-2.50 AND FChecked=1 AND FCount IN (1,2)"},
        {"WHERE FModifyTime>0x00 AND FCount!<3 AND FCount!>4", "WHERE FModifyTime>X'00' AND FCount>=3 AND FCount<=4"},
        // Neither side a column: the server's collation, not SQLite's BINARY.
        {"WHERE GETDATE()>'2025-01-01'", "WHERE " + kNow + " COLLATE DATETIME>'2025-01-01'"},
        {"WHERE '2025-01-01'<DATEADD(day,1,FDate)",
         "WHERE '2025-01-01' COLLATE DATETIME<ovardx_dateadd('day',1,FDate)"},
        {"WHERE SUBSTRING(FName,1,1)='a' AND 'C'+'013'='c013'",
         "WHERE ovardx_substring(FName,1,1) COLLATE NOCASE='a' AND ('C'||'013') COLLATE NOCASE='c013'"},
        {"WHERE FCount+1>FCount AND FName='x' AND FName LIKE 'a%' AND FCount LIKE '1%'",
         "WHERE FCount+1>FCount AND FName='x' AND FName LIKE 'a%' AND FCount LIKE '1%'"},
        {"WHERE CASE WHEN FCount>1 THEN FDate ELSE '20250101' END>GETDATE()",
         "WHERE CASE WHEN FCount>1 THEN FDate ELSE '2025-01-01 00:00:00.000' END COLLATE DATETIME>" + kNow},
        {"WHERE FDate IN (SELECT d.FDate FROM t d) AND FName IN (SELECT FName FROM t)",
         "WHERE FDate COLLATE DATETIME IN (SELECT d.FDate FROM t d) AND FName IN (SELECT FName FROM t)"},
        {"WHERE CASE FCount WHEN '1' THEN 'a' WHEN 2 THEN 'b' END='A'",
         "WHERE CASE FCount WHEN 1 THEN 'a' WHEN 2 THEN 'b' END COLLATE NOCASE='A'"},
        {"ORDER BY FName, LEFT(FName,2) DESC, DATEADD(month,1,FDate), FCount",
         "ORDER BY FName, ovardx_left(FName,2) COLLATE NOCASE DESC, ovardx_dateadd('month',1,FDate) COLLATE DATETIME, "
         "FCount"},
        {"SELECT FName, COUNT(*) FROM t GROUP BY FName, LTRIM(FName)",
         "SELECT FName, COUNT(*) FROM t GROUP BY FName, LTRIM(FName) COLLATE NOCASE"},
    });
}

TEST(TsqlTypedTranslationTest, ComparisonsOfTypesThatDoNotMixAreRefused) {
    ExpectRefusals({
        {"WHERE FName=5", "comparison of an integer with text at character 12"},
        {"WHERE 5<FName", "comparison of an integer with text at character 8"},
        {"WHERE FCount='5.5'", "comparison of an integer with text that is no such number at character 14"},
        {"WHERE FChecked='2'", "comparison of a bit with text that is no such number at character 16"},
        {"WHERE FDate>5", "comparison of a date-time with an integer at character 12"},
        {"WHERE FDate='someday'", "comparison of a date-time with text that is no date at character 13"},
        {"WHERE FDate='2025-02-30'", "comparison of a date-time with text that is no date at character 13"},
        {"WHERE FModifyTime>0", "comparison of binary data with an integer at character 18"},
        {"WHERE FName IN ('a', 1)", "comparison of text with an integer at character 13"},
        {"WHERE FDate LIKE '2025%'", "LIKE on a date-time at character 13"},
        {"WHERE FAmount LIKE '1%'", "LIKE on a decimal number at character 15"},
        {"WHERE FName COLLATE Latin1_General_CS_AS='a'", "COLLATE clause at character 13"},
        {"WHERE FName IN (SELECT FCount FROM t)", "comparison of text with an integer at character 13"},
        {"WHERE FDate IN (SELECT FName FROM t)", "comparison of a date-time with text at character 13"},
        {"WHERE FCount > ALL (SELECT FCount FROM t)", "comparison with ALL (...) at character 16"},
    });
}

TEST(TsqlTypedTranslationTest, FunctionsMapToSqlServersSemantics) {
    ExpectTranslations({
        {"SELECT DATEADD(mm, -1, FDate), DATEDIFF(dd, FDate, GETDATE()), DATEPART(dw, FDate)",
         "SELECT ovardx_dateadd('month', -1, FDate), ovardx_datediff('day', FDate, " + kNow +
             "), ovardx_datepart('weekday', FDate)"},
        {"WHERE YEAR(FDate)=2025 AND MONTH (FDate)>6 AND DAY(FDate)<>1",
         "WHERE ovardx_datepart('year',FDate)=2025 AND ovardx_datepart ('month',FDate)>6 AND ovardx_datepart('day',FDate)<>1"},
        {"SELECT DATEADD(day,1,CAST(FDate AS date)), DATEADD(ww,1,'2025-01-31')",
         "SELECT ovardx_dateadd('day',1,ovardx_cast(FDate,'date'),'date'), ovardx_dateadd('week',1,'2025-01-31')"},
        {"WHERE FDate>=CAST('2025-06-01' AS datetime)", "WHERE FDate COLLATE DATETIME>=ovardx_cast('2025-06-01','datetime')"},
        {"SELECT CAST(FName AS int), CAST(FAmount AS decimal(18, 2)), CAST(FCount AS nvarchar(5)), CAST(FName AS char)",
         "SELECT ovardx_cast(FName,'int'), ovardx_cast(FAmount,'decimal(18,2)'), ovardx_cast(FCount,'nvarchar(5)'), "
         "ovardx_cast(FName,'char(30)')"},
        {"SELECT CONVERT(varchar(10), FDate, 120), CONVERT(nvarchar, FDate, 112), CONVERT(DATETIME2(3), '20250601', 112)",
         "SELECT ovardx_convert('varchar(10)', FDate, 120), ovardx_convert('nvarchar(30)', FDate, 112), "
         "ovardx_convert('datetime2(3)', '20250601', 112)"},
        // The server ignores a style between texts, and between dates.
        {"SELECT CONVERT(varchar(20), FName, 120), CONVERT(date, FDate, 101)",
         "SELECT ovardx_convert('varchar(20)', FName), ovardx_convert('date', FDate)"},
        {"SELECT SUBSTRING(FName, 0, 2), LEFT(FCount, 1), RIGHT(FName, 3), CHARINDEX('a', FName, 2), "
         "REPLACE(FName, 'a', 'b')",
         "SELECT ovardx_substring(FName, 0, 2), ovardx_left(FCount, 1), ovardx_right(FName, 3), "
         "ovardx_charindex('a', FName, 2), ovardx_replace(FName, 'a', 'b')"},
        // The replacement of ISNULL and the arguments of COALESCE take the
        // type the server gives the result.
        {"SELECT ISNULL(FDate, ''), ISNULL(FCount, '5'), COALESCE(FDate, '20250101', GETDATE())",
         "SELECT IFNULL(FDate, '1900-01-01 00:00:00.000'), IFNULL(FCount, 5), "
         "COALESCE(FDate, '2025-01-01 00:00:00.000', " + kNow + ")"},
        {"SELECT NULLIF(FName, ''), ABS(FAmount), LTRIM(RTRIM(FName)), LEN(FName), SUM(FAmount), COUNT(DISTINCT FName)",
         "SELECT NULLIF(FName, ''), ABS(FAmount), LTRIM(RTRIM(FName)), LENGTH(RTRIM(FName)), SUM(FAmount), "
         "COUNT(DISTINCT FName)"},
        {"SELECT MAX(FDate), MIN(SUBSTRING(FName,2,3)), MAX(GETUTCDATE())",
         "SELECT MAX(FDate COLLATE DATETIME), MIN(ovardx_substring(FName,2,3) COLLATE NOCASE), "
         "MAX(strftime('%Y-%m-%d %H:%M:%f','now') COLLATE DATETIME)"},
    });
}

TEST(TsqlTypedTranslationTest, FunctionsItCannotReproduceAreRefusedByName) {
    ExpectRefusals({
        {"SELECT UPPER(FName)", "function UPPER at character 8"},
        {"SELECT round(FAmount, 2)", "function round at character 8"},
        {"SELECT AVG(FAmount)", "function AVG at character 8"},
        {"SELECT FORMAT(FDate, 'd')", "function FORMAT at character 8"},
        // SQLite's own names are no T-SQL.
        {"SELECT substr(FName, 1, 2)", "function substr at character 8"},
        {"SELECT ifnull(FName, '')", "function ifnull at character 8"},
        {"SELECT a FROM t WHERE instr(FName, 'x')>0", "function instr at character 23"},
        {"SELECT ovardx_cast(FName, 'int')", "function ovardx_cast at character 8"},
        {"SELECT MAX(FCount, 2)", "MAX with 2 arguments at character 8"},
        {"SELECT COUNT(*) OVER ()", "window function OVER (...) at character 17"},
        {"SELECT * FROM f(1)", "table-valued function f at character 15"},
        {"SELECT ABS(FName)", "ABS of text at character 8"},
        {"SELECT SUM(FChecked)", "SUM of a bit at character 8"},
        {"SELECT LEN(FAmount)", "LEN of a decimal number at character 8"},
        {"SELECT LEFT(FDate, 4)", "LEFT of a date-time at character 8"},
        {"SELECT SUBSTRING(FName, '1', 2)", "SUBSTRING of text at character 8"},
        {"SELECT ISNULL(FName, 0)", "ISNULL of text with an integer at character 8"},
        {"SELECT ISNULL(FCount, 2.5)", "ISNULL of an integer with a decimal number at character 8"},
        {"SELECT GETDATE(1)", "GETDATE with 1 argument at character 8"},
        {"SELECT LEN(FName", "LEN without its closing parenthesis at character 8"},
    });
}

TEST(TsqlTypedTranslationTest, ConversionsItCannotReproduceAreRefused) {
    ExpectRefusals({
        {"SELECT CAST(FDate AS varchar(20))",
         "CAST to varchar(20) from a date-time without a style it writes exactly at character 8"},
        {"SELECT CONVERT(varchar(10), FDate)",
         "CONVERT to varchar(10) from a date-time without a style it writes exactly at character 8"},
        {"SELECT CONVERT(varchar(10), FDate, 101)", "CONVERT to varchar(10) with style 101 at character 8"},
        {"SELECT CONVERT(varchar, CAST(FDate AS date), 120)", "CONVERT to varchar(30) with style 120 at character 8"},
        {"SELECT CAST(FAmount AS varchar)", "CAST to varchar(30) from a decimal number at character 8"},
        {"SELECT CAST(x.y AS nvarchar(10))", "CAST to nvarchar(10) from a value of unknown type at character 8"},
        {"SELECT CONVERT(varchar(10), x.y, 120)",
         "CONVERT to varchar(10) with a style from a value of unknown type at character 8"},
        {"SELECT CAST(FDate AS int)", "CAST to int from a date-time at character 8"},
        {"SELECT CAST(45000 AS date)", "CAST to date from a number at character 8"},
        {"SELECT CAST(FChecked AS datetime)", "CAST to datetime from a bit at character 8"},
        {"SELECT CAST(FModifyTime AS int)", "CAST to int from binary data at character 8"},
        {"SELECT CONVERT(datetime, FName, 103)", "CONVERT to datetime with style 103 at character 8"},
        {"SELECT CONVERT(int, FName, 1)", "CONVERT to int with a style at character 8"},
        {"SELECT CONVERT(int, FName, x)", "CONVERT with a style that is not a whole number at character 8"},
        {"SELECT CAST(FCount AS money)", "conversion to money at character 23"},
        {"SELECT CAST(FCount AS varchar(9000))", "conversion to varchar(9000) at character 23"},
        {"SELECT CAST('abc' AS int)", "CAST to int of text it cannot convert at character 13"},
        {"SELECT CAST('2025-13-01' AS datetime)", "CAST to datetime of text it cannot convert at character 13"},
        {"SELECT CAST('2025-01-01 10:00:00.1234' AS datetime)", "CAST to datetime of text it cannot convert at character 13"},
        {"SELECT DATEADD(fortnight, 1, FDate)", "DATEADD with a date part it does not know at character 16"},
        {"SELECT DATEADD(hour, 1, CAST(FDate AS date))", "DATEADD with date part hour on a date at character 8"},
        {"SELECT DATEADD(day, FName, FDate)", "DATEADD of text at character 8"},
        {"SELECT DATEDIFF(day, FModifyTime, FDate)", "DATEDIFF of binary data at character 8"},
        {"SELECT DATEDIFF(day, 'soon', FDate)", "DATEDIFF of text that is no date at character 22"},
        {"SELECT DATEPART(hh, CAST(FDate AS date))", "DATEPART with date part hour on a date at character 8"},
    });
}

TEST(TsqlTypedTranslationTest, TheSameInputGivesTheSameOutput) {
    const std::string tsql = "SELECT TOP 3 FName+'x' FROM t WHERE FDate>GETDATE()-1 ORDER BY DATEADD(day,1,FDate)";
    const std::string once = TranslateTsql(tsql, kTypes);
    EXPECT_EQ(TranslateTsql(tsql, kTypes), once);
    EXPECT_EQ(once, "SELECT (FName||'x') FROM t WHERE FDate COLLATE DATETIME>ovardx_datetime_sub(" + kNow +
                        ",1) ORDER BY ovardx_dateadd('day',1,FDate) COLLATE DATETIME LIMIT 3");
}

TEST(TsqlTypedTranslationTest, DeeplyNestedInputIsRefusedNotFollowed) {
    const std::string tsql = "SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')');
    try {
        TranslateTsql(tsql, kTypes);
        ADD_FAILURE() << "translated";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("expression nested too deeply at character"), std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace ovardx::sqlite
