#pragma once

// Internal to the T-SQL translator: the parser that walks the expressions of
// a statement. Its grammar is in TsqlExpressionTranslator.cpp, the typing
// rules of operators and comparisons in TsqlTypeRules.cpp, function calls,
// CAST and CONVERT in TsqlFunctionCalls.cpp.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite_backend/ColumnTypes.h"
#include "sqlite_backend/SqlServerTypes.h"
#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::sqlite {

inline constexpr std::size_t kNoToken = static_cast<std::size_t>(-1);

// The type of a value in an expression, as far as the translation knows it.
enum class ValueType {
    Unknown,    // a column no table has, a row value, ...
    Null,       // the NULL literal
    Condition,  // the result of a comparison or a logical operator
    Text, Bit, Integer, Decimal,
    Date, SmallDateTime, DateTime, DateTime2,  // in SQL Server's order of precedence
    Binary,
};

bool IsNumber(ValueType type);
bool IsDate(ValueType type);
// "text", "a number", "a date-time", ... for refusals.
std::string Describe(ValueType type);
ValueType TypeOf(const SqlServerType& type);
// The date type of a date value type; datetime for any other.
DateTypeInfo DateInfoOf(ValueType type);

// Which collating sequence SQLite compares an operand with: none (BINARY
// unless the other side brings one), a column's declared one, or one the
// translation wrote.
enum class Collation { None, Column, Explicit };

// An operand: the tokens it spans and what is known of it.
struct Operand {
    std::size_t first = kNoToken;
    std::size_t last = kNoToken;
    ValueType type = ValueType::Unknown;
    bool primary = true;                  // COLLATE applies to it as it stands
    Collation collation = Collation::None;
    std::size_t literal = kNoToken;       // the token of a string literal operand

    bool Exists() const { return first != kNoToken; }
};

class ExpressionTranslator {
public:
    ExpressionTranslator(std::vector<Token>& tokens, const ColumnTypes& types) : tokens_(tokens), types_(types) {}
    void Run();

private:
    // --- the cursor over significant tokens ------------------------------------
    std::size_t Peek() const;
    std::size_t NextAfter(std::size_t token) const;
    std::size_t Advance();
    bool AtWord(std::string_view word) const;
    bool AtText(std::string_view text) const;
    bool AtKind(TokenKind kind) const;
    bool IsWordAt(std::size_t token, std::string_view word) const;
    std::size_t Offset(std::size_t token) const { return tokens_[token].offset; }

    // Refuses input nested deeper than the translation follows.
    class Nesting {
    public:
        explicit Nesting(ExpressionTranslator& owner);
        ~Nesting() { --owner_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        ExpressionTranslator& owner_;
    };

    // --- statements and clauses ----------------------------------------------
    // What the words seen so far make of the next tokens: expressions (select
    // lists, WHERE, ON, ...), table names and aliases, or DDL left alone.
    enum class Clause { Expressions, Tables, Skip };
    struct Clauses {
        Clause clause = Clause::Expressions;
        std::size_t tablesKeyword = kNoToken;  // what opened the tables: FROM, INTO, WITH, ...
        std::size_t lastKeyword = kNoToken;
        bool sorting = false;                  // ORDER BY or GROUP BY items
        bool firstItemPending = false;         // the next expression is the first select item
        bool firstItemSeen = false;
        ValueType firstItem = ValueType::Unknown;
    };
    // Walks the clauses of statements up to the end of the text, or up to the
    // ")" that closes a nested level (not taken). Answers the type of the
    // first select item, the value of a scalar sub-select.
    ValueType ScanClauses(bool nested);
    bool StartsSkippedStatement() const;
    bool StartsTrigger() const;
    // Takes a keyword that opens or marks a clause; false for any other word.
    bool TakeClauseKeyword(Clauses& state);
    void ScanTableToken(const Clauses& state);
    void ScanExpressionItem(Clauses& state);
    void SkipGroup();

    // --- expressions, from the loosest binding to the tightest -----------------
    Operand ParseExpression();
    Operand ParseAnd();
    Operand ParseNot();
    Operand ParsePredicate();
    Operand ParseAdditive();
    Operand ParseMultiplicative();
    Operand ParseUnary();
    Operand ParsePostfix();
    Operand ParsePrimary();
    Operand ParseParenthesized();
    Operand ParseCase();
    Operand ParseColumn();
    Operand ParseInList(Operand left, std::size_t in);

    // --- typing rules (TsqlTypeRules.cpp) ------------------------------------
    Operand Arithmetic(Operand left, std::size_t op, Operand right);
    Operand Negation(std::size_t op, Operand operand);
    Operand Comparison(Operand left, std::size_t op, Operand right);
    // Brings both sides of a comparison to one type as SQL Server does, and
    // gives SQLite the collating sequence the server would compare with;
    // `patchLeft` false when an earlier comparison (IN list, BETWEEN, CASE)
    // already patched the left side.
    void Compare(Operand& left, Operand& right, std::size_t at, bool patchLeft);
    // x IN (SELECT ...): the values of a sub-select cannot be rewritten.
    void CompareWithQuery(Operand& left, ValueType values, std::size_t at);
    Operand Like(Operand left, std::size_t op, Operand pattern);
    // Makes `operand` a value of `target` as an implicit conversion would,
    // rewriting literals; refuses what cannot be carried over.
    void Coerce(Operand& operand, ValueType target, std::size_t at, std::string_view construct);
    // The common type of COALESCE arguments or CASE results.
    ValueType Unify(std::vector<Operand>& operands, std::size_t at, std::string_view construct);
    void Collate(Operand& operand, std::string_view collation);
    // ORDER BY, GROUP BY, MIN and MAX of text or dates that are no column.
    void SortCollation(Operand& operand);
    Operand Condition(const Operand& left, std::size_t op, const Operand& right) const;

    // --- function calls (TsqlFunctionCalls.cpp) ------------------------------
    Operand ParseCall(std::size_t name);
    Operand ParseCast(std::size_t name);
    Operand ParseConvert(std::size_t name);
    Operand ParseDateFunction(std::size_t name);
    SqlServerType ParseTypeName(std::size_t& first, std::size_t& last);
    std::size_t ParseDatePart(std::size_t name);
    std::vector<Operand> ParseArguments();
    std::size_t TakeClose(std::size_t fallback);
    std::size_t CloseOfCall(std::size_t name);
    void CheckConversion(std::size_t name, const Operand& value, const SqlServerType& target,
                         std::optional<int> style, bool& dropStyle);

    // --- patches ---------------------------------------------------------------
    void Wrap(Operand& operand, std::string_view before, std::string_view after);
    void DropTokens(std::size_t first, std::size_t last);

    std::vector<Token>& tokens_;
    const ColumnTypes& types_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace ovardx::sqlite
