#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ovardx/Error.h"
#include "sqlite_backend/SqliteHandle.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace ovardx::sqlite {
namespace {

// T-SQL expressions, translated and evaluated by SQLite with the functions
// Database::Open registers; the answer as quote() writes it ('text', 12,
// 2.5, NULL), or "error: " and the statement's error.
class SqlServerFunctionsTest : public ::testing::Test {
protected:
    std::string Evaluate(const std::string& expression) {
        try {
            Statement statement(db_, "SELECT quote(v) FROM (" + TranslateTsql("SELECT " + expression + " AS v") + ")");
            statement.Step();
            return statement.ColumnText(0);
        } catch (const Error& error) {
            return std::string("error: ") + error.what();
        }
    }

    struct Case {
        std::string expression;
        std::string result;
    };

    void ExpectResults(const std::vector<Case>& cases) {
        for (const Case& c : cases) EXPECT_EQ(Evaluate(c.expression), c.result) << c.expression;
    }

    Database db_ = Database::Open(":memory:", OpenMode::ReadWriteCreate);
};

TEST_F(SqlServerFunctionsTest, DateAddKeepsTheDayOrTakesTheMonthsLast) {
    ExpectResults({
        {"DATEADD(month, 1, '2025-01-31')", "'2025-02-28 00:00:00.000'"},
        {"DATEADD(m, 1, '2024-01-31')", "'2024-02-29 00:00:00.000'"},
        {"DATEADD(yy, 1, '2024-02-29')", "'2025-02-28 00:00:00.000'"},
        {"DATEADD(quarter, -1, '2025-05-31 10:00')", "'2025-02-28 10:00:00.000'"},
        {"DATEADD(day, 2.9, '2025-01-01')", "'2025-01-03 00:00:00.000'"},  // the number is truncated
        {"DATEADD(week, 1, '20250101')", "'2025-01-08 00:00:00.000'"},
        {"DATEADD(minute, 90, '2025-01-01 23:00')", "'2025-01-02 00:30:00.000'"},
        // datetime keeps 1/300 s: one millisecond is lost, two are .003.
        {"DATEADD(ms, 1, '2025-01-01')", "'2025-01-01 00:00:00.000'"},
        {"DATEADD(ms, 2, '2025-01-01')", "'2025-01-01 00:00:00.003'"},
        {"DATEADD(day, 1, CAST('2025-01-01' AS date))", "'2025-01-02 00:00:00.000'"},
        {"DATEADD(year, 8000, '2025-01-01')", "error: Adding a value to a 'datetime' column caused an overflow."},
        {"DATEADD(day, 1, NULL)", "NULL"},
    });
}

TEST_F(SqlServerFunctionsTest, DateDiffCountsBoundariesCrossed) {
    ExpectResults({
        {"DATEDIFF(day, '2025-01-01 23:59', '2025-01-02 00:01')", "1"},
        {"DATEDIFF(year, '2024-12-31', '2025-01-01')", "1"},
        {"DATEDIFF(month, '2025-01-31', '2025-02-01')", "1"},
        {"DATEDIFF(quarter, '2025-03-31', '2025-04-01')", "1"},
        {"DATEDIFF(week, '2025-01-04', '2025-01-05')", "1"},  // Saturday to Sunday
        {"DATEDIFF(wk, '2025-01-05', '2025-01-11')", "0"},    // Sunday to Saturday
        {"DATEDIFF(hour, '2025-01-01 10:59', '2025-01-01 11:00')", "1"},
        {"DATEDIFF(second, '2025-01-02', '2025-01-01')", "-86400"},
        {"DATEDIFF(day, 0, '1900-01-31')", "30"},  // a number is days since 1900-01-01
        {"DATEDIFF(ms, '2000-01-01', '2025-01-01')",
         "error: The datediff function resulted in an overflow. The number of dateparts separating two date/time "
         "instances is too large. Try to use datediff with a less precise datepart."},
    });
}

TEST_F(SqlServerFunctionsTest, DatePartsAsWithDateFirstSeven) {
    ExpectResults({
        {"DATEPART(weekday, '2025-01-05')", "1"},  // Sunday
        {"DATEPART(dw, '2025-01-04')", "7"},
        {"DATEPART(w, '2025-01-06')", "2"},
        {"DATEPART(week, '2025-01-04')", "1"},
        {"DATEPART(wk, '2025-01-05')", "2"},
        {"DATEPART(dayofyear, '2024-12-31')", "366"},
        {"DATEPART(quarter, '2025-08-15')", "3"},
        {"DATEPART(ms, '2025-01-01 10:00:00.123')", "123"},
        {"YEAR('2025-07-14') * 10000 + MONTH('2025-07-14') * 100 + DAY('2025-07-14')", "20250714"},
    });
}

TEST_F(SqlServerFunctionsTest, ConversionsToDates) {
    ExpectResults({
        {"CAST('2025-06-01' AS datetime)", "'2025-06-01 00:00:00.000'"},
        {"CAST(' 20250601 10:30 ' AS datetime)", "'2025-06-01 10:30:00.000'"},
        {"CAST('2025-06-01T10:30:00.999' AS datetime)", "'2025-06-01 10:30:01.000'"},
        {"CAST('2025-06-01 23:59:59.999' AS datetime)", "'2025-06-02 00:00:00.000'"},
        {"CAST('2025-06-01 10:30:29.998' AS smalldatetime)", "'2025-06-01 10:30:00.000'"},
        {"CAST('2025-06-01 10:30:29.999' AS smalldatetime)", "'2025-06-01 10:31:00.000'"},
        {"CAST('2025-06-01 10:30' AS date)", "'2025-06-01 00:00:00.000'"},
        {"CAST('2025-06-01 10:30:00.1230000' AS datetime2)", "'2025-06-01 10:30:00.123'"},
        {"CAST('2025-06-01 10:30:00.5' AS datetime2(0))", "'2025-06-01 10:30:01.000'"},
        {"CAST('' AS datetime)", "'1900-01-01 00:00:00.000'"},
        {"CAST(45000 AS datetime)", "'2023-03-17 00:00:00.000'"},
        {"CAST(1.5 AS datetime)", "'1900-01-02 12:00:00.000'"},
        {"CAST((SELECT 'soon') AS datetime)",
         "error: Conversion failed when converting date and/or time from character string."},
        {"CAST((SELECT '2080-01-01') AS smalldatetime)",
         "error: The conversion of a varchar data type to a smalldatetime data type resulted in an out-of-range "
         "value."},
        // A value from the database loses what is below the millisecond, as
        // when the library reads the column; a literal is refused instead.
        {"CAST((SELECT '2025-06-01 10:30:00.1239') AS datetime2)", "'2025-06-01 10:30:00.123'"},
        {"DATEADD(day, 1, (SELECT '2025-06-01 10:30:00.0019'))", "'2025-06-02 10:30:00.000'"},
        {"CAST('2025-06-01 10:30:00.1239' AS datetime2)",
         "error: Cannot translate to SQLite: CAST to datetime2(7) of text it cannot convert at character 13"},
        // Date arithmetic: days, fractions are parts of a day.
        {"CAST('2025-03-01' AS datetime) - 1", "'2025-02-28 00:00:00.000'"},
        {"CAST('2025-03-01' AS datetime) + 0.25", "'2025-03-01 06:00:00.000'"},
        {"2 + CAST('2025-03-01' AS datetime)", "'2025-03-03 00:00:00.000'"},
    });
}

TEST_F(SqlServerFunctionsTest, ConversionsToNumbersRoundAndCheckAsTheServerDoes) {
    ExpectResults({
        {"CAST(' 12 ' AS int)", "12"},
        {"CAST('' AS int)", "0"},
        {"CAST(2.7 AS int)", "2"},
        {"CAST(-2.7 AS bigint)", "-2"},
        {"CAST((SELECT '2.5') AS int)", "error: Conversion failed when converting text to data type int."},
        {"CAST(300 AS tinyint)", "error: Arithmetic overflow error converting expression to data type tinyint."},
        {"CAST(3000000000 AS int)", "error: Arithmetic overflow error converting expression to data type int."},
        {"CAST(2.675 AS decimal(10,2))", "2.68"},
        {"CAST(-2.675 AS numeric(10,2))", "-2.68"},
        {"CAST('1.005' AS decimal(10,2))", "1.01"},
        {"CAST(12345.6 AS decimal(5,1))", "error: Arithmetic overflow error converting expression to data type numeric."},
        {"CAST((SELECT '1e3') AS decimal(10,2))", "error: Error converting data type varchar to numeric."},
        {"CAST('1e3' AS float)", "1000.0"},
        {"CAST(0.1 AS real)", "1.00000001490116119384e-01"},
        {"CAST(5 AS bit)", "1"},
        {"CAST('TRUE' AS bit)", "1"},
        {"CAST(NULL AS int)", "NULL"},
    });
}

TEST_F(SqlServerFunctionsTest, ConversionsToText) {
    ExpectResults({
        {"CAST('abcdef' AS varchar(3))", "'abc'"},
        {"CAST('ab' AS char(4))", "'ab  '"},
        {"CAST(12345 AS varchar(3))", "'*'"},
        {"CAST(12345 AS nvarchar(3))", "error: Arithmetic overflow error converting expression to data type nvarchar."},
        {"CAST(N'中文字' AS nvarchar(2))", "'中文'"},
        {"CAST(N'中文' AS varchar(10))",
         "error: Cannot convert text with characters beyond ASCII to varchar exactly; convert to nvarchar instead."},
        {"CONVERT(varchar(10), CAST('2025-07-14 08:05:09.120' AS datetime), 120)", "'2025-07-14'"},
        {"CONVERT(varchar, CAST('2025-07-14 08:05:09.120' AS datetime), 120)", "'2025-07-14 08:05:09'"},
        {"CONVERT(varchar, CAST('2025-07-14 08:05:09.120' AS datetime), 121)", "'2025-07-14 08:05:09.120'"},
        {"CONVERT(varchar, CAST('2025-07-14 08:05:09.120' AS datetime), 126)", "'2025-07-14T08:05:09.120'"},
        {"CONVERT(varchar, CAST('2025-07-14 08:05:09' AS datetime), 126)", "'2025-07-14T08:05:09'"},
        {"CONVERT(char(8), CAST('2025-07-14' AS datetime), 112)", "'20250714'"},
        {"CONVERT(varchar, CAST('2025-07-14 08:05:09' AS datetime), 108)", "'08:05:09'"},
        {"CONVERT(varchar, CAST('2025-07-14' AS date), 102) + CONVERT(varchar, CAST('2025-07-14' AS date), 111)",
         "'2025.07.142025/07/14'"},
    });
}

TEST_F(SqlServerFunctionsTest, StringFunctionsCountCharactersAndIgnoreAsciiCase) {
    ExpectResults({
        {"SUBSTRING('abcdef', 0, 3)", "'ab'"},
        {"SUBSTRING('abcdef', -1, 3)", "'a'"},
        {"SUBSTRING('abcdef', 5, 10)", "'ef'"},
        {"SUBSTRING('abc', 4, 1)", "''"},
        {"SUBSTRING(N'中文字', 2, 1)", "'文'"},
        {"SUBSTRING('abc', 1, -1)", "error: Invalid length parameter passed to the substring function."},
        {"SUBSTRING(12345, 2, 2)", "'23'"},
        {"LEFT('abc', 5) + '|' + LEFT('abc', 0) + '|' + RIGHT('abcdef', 2)", "'abc||ef'"},
        {"RIGHT('abc', -1)", "error: Invalid length parameter passed to the right function."},
        {"CHARINDEX('B', 'abcabc')", "2"},
        {"CHARINDEX('b', 'abcabc', 3)", "5"},
        {"CHARINDEX('a', 'abc', -5)", "1"},
        {"CHARINDEX('x', 'abc') + CHARINDEX('', 'abc')", "0"},
        {"CHARINDEX(N'字', N'中文字')", "3"},
        {"REPLACE('aAbA', 'a', 'x')", "'xxbx'"},
        {"REPLACE('aaa', 'aa', 'b')", "'ba'"},
        {"REPLACE('abc', '', 'x')", "'abc'"},
        {"LEN('ab  ')", "2"},
        {"SUBSTRING(NULL, 1, 1)", "NULL"},
    });
}

TEST_F(SqlServerFunctionsTest, ComparisonsOfDatesAndTextFollowTheServersCollation) {
    ExpectResults({
        {"CASE WHEN CAST('2025-07-14' AS datetime) = '2025-07-14' THEN 1 ELSE 0 END", "1"},
        {"CASE WHEN '2025-07-14T00:00:00.000' = CAST('20250714' AS date) THEN 1 ELSE 0 END", "1"},
        {"CASE WHEN LEFT('Abc', 1) = 'a' THEN 1 ELSE 0 END", "1"},
        {"CASE WHEN 'C' + '013' = 'c013' THEN 1 ELSE 0 END", "1"},
    });
}

}  // namespace
}  // namespace ovardx::sqlite
