// How the translation types operators and comparisons, and what it does to
// keep SQL Server's meaning on SQLite (see TsqlTranslator.h for the rules).
#include <algorithm>
#include <charconv>

#include "object_library/Text.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqlServerDates.h"
#include "sqlite_backend/TsqlExpressionTranslator.h"

namespace ovardx::sqlite {

namespace {

constexpr const char* kDateTimeCollation = "DATETIME";
constexpr const char* kTextCollation = "NOCASE";

// Unknown, NULL and conditions carry no type a rule could check.
bool Untyped(ValueType type) {
    return type == ValueType::Unknown || type == ValueType::Null || type == ValueType::Condition;
}

// Date + number works on SQL Server for datetime and smalldatetime only.
bool AddsDays(ValueType type) { return type == ValueType::DateTime || type == ValueType::SmallDateTime; }

// The text of a string literal token: 'it''s' and N'x' -> it's and x.

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

bool IsDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number a literal converts to for a number of `type`, as SQLite text;
// nothing when SQL Server's conversion would fail or change it.
std::optional<std::string> NumberLiteral(std::string_view text, ValueType type) {
    text = TrimBlanks(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    const std::size_t dot = text.find('.');
    const std::string_view integer = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (type == ValueType::Bit) {
        if (text == "0" || text == "1") return std::string(text);
        return std::nullopt;
    }
    if (type == ValueType::Integer) {
        std::int64_t value = 0;
        if (!IsDigits(text) || std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            return std::nullopt;
        return std::to_string(negative ? -value : value);
    }
    const bool digits = (integer.empty() || IsDigits(integer)) && (fraction.empty() || IsDigits(fraction)) &&
                        !(integer.empty() && fraction.empty());
    if (!digits) return std::nullopt;
    return (negative ? "-" : "") + std::string(integer.empty() ? "0" : integer) +
           (fraction.empty() ? "" : "." + std::string(fraction));
}

// SQL Server converts the lower of two types to the higher.
int Precedence(ValueType type) {
    switch (type) {
        case ValueType::DateTime2: return 9;
        case ValueType::DateTime: return 8;
        case ValueType::SmallDateTime: return 7;
        case ValueType::Date: return 6;
        case ValueType::Decimal: return 5;
        case ValueType::Integer: return 4;
        case ValueType::Bit: return 3;
        case ValueType::Text: return 2;
        case ValueType::Binary: return 1;
        default: return 0;
    }
}

std::string DateTypeText(ValueType type) {
    switch (type) {
        case ValueType::SmallDateTime: return "smalldatetime";
        case ValueType::Date: return "date";
        case ValueType::DateTime2: return "datetime2(7)";
        default: return "datetime";
    }
}

}  // namespace

bool IsNumber(ValueType type) {
    return type == ValueType::Integer || type == ValueType::Decimal || type == ValueType::Bit;
}

bool IsDate(ValueType type) {
    return type == ValueType::DateTime || type == ValueType::SmallDateTime || type == ValueType::Date ||
           type == ValueType::DateTime2;
}

std::string Describe(ValueType type) {
    switch (type) {
        case ValueType::Unknown: return "a value of unknown type";
        case ValueType::Null: return "NULL";
        case ValueType::Condition: return "a condition";
        case ValueType::Text: return "text";
        case ValueType::Bit: return "a bit";
        case ValueType::Integer: return "an integer";
        case ValueType::Decimal: return "a decimal number";
        case ValueType::Date: return "a date";
        case ValueType::SmallDateTime:
        case ValueType::DateTime: return "a date-time";
        case ValueType::DateTime2: return "a datetime2";
        case ValueType::Binary: return "binary data";
    }
    return "a value";
}

ValueType TypeOf(const SqlServerType& type) {
    using Family = SqlServerType::Family;
    switch (type.family) {
        case Family::DateTime: return ValueType::DateTime;
        case Family::SmallDateTime: return ValueType::SmallDateTime;
        case Family::Date: return ValueType::Date;
        case Family::DateTime2: return ValueType::DateTime2;
        case Family::Bit: return ValueType::Bit;
        case Family::Decimal:
        case Family::Float:
        case Family::Real: return ValueType::Decimal;
        default: return type.IsText() ? ValueType::Text : ValueType::Integer;
    }
}

DateTypeInfo DateInfoOf(ValueType type) {
    switch (type) {
        case ValueType::SmallDateTime: return {DateType::SmallDateTime, 0};
        case ValueType::Date: return {DateType::Date, 0};
        case ValueType::DateTime2: return {DateType::DateTime2, 7};
        default: return {DateType::DateTime, 3};
    }
}

void ExpressionTranslator::Collate(Operand& operand, std::string_view collation) {
    if (operand.primary) {
        tokens_[operand.last].after += " COLLATE " + std::string(collation);
    } else {
        Wrap(operand, "(", ") COLLATE " + std::string(collation));
        operand.primary = true;
    }
    operand.collation = Collation::Explicit;
}

void ExpressionTranslator::SortCollation(Operand& operand) {
    // A DATETIME column of another schema may lack the collation, and no
    // other one orders dates; text keeps a column's declared collation.
    if (IsDate(operand.type) && operand.collation != Collation::Explicit) Collate(operand, kDateTimeCollation);
    if (operand.type == ValueType::Text && operand.collation == Collation::None) Collate(operand, kTextCollation);
}

void ExpressionTranslator::Coerce(Operand& operand, ValueType target, std::size_t at, std::string_view construct) {
    const ValueType source = operand.type;
    if (source == target || Untyped(source) || Untyped(target)) return;
    const std::string mismatch = std::string(construct) + " of " + Describe(target) + " with " + Describe(source);
    if (IsDate(target)) {
        if (IsDate(source)) return;  // the server converts; the DATETIME collation compares values
        if (source != ValueType::Text) RefuseTranslation(Offset(at), mismatch);
        if (operand.literal != kNoToken) {
            const std::string text = LiteralText(tokens_[operand.literal].text);
            DateTime value;
            try {
                value = ConvertTextToDate(text, DateInfoOf(target), DateText::Literal);
            } catch (const Error&) {
                RefuseTranslation(Offset(operand.literal), std::string(construct) + " of " + Describe(target) +
                                                               " with text that is no date");
            }
            // A literal the collation reads as the same value stays as written.
            if (DateTime::Parse(text) != value) tokens_[operand.literal].out = Quoted(CanonicalDateText(value));
        } else {
            Wrap(operand, "ovardx_cast(", ",'" + DateTypeText(target) + "')");
            operand.primary = true;
            operand.collation = Collation::None;
        }
        operand.type = target;
        return;
    }
    if (IsNumber(target)) {
        if (IsNumber(source) && Precedence(source) <= Precedence(target)) return;
        if (source == ValueType::Text && operand.literal != kNoToken) {
            const auto number = NumberLiteral(LiteralText(tokens_[operand.literal].text), target);
            if (!number) {
                RefuseTranslation(Offset(operand.literal), std::string(construct) + " of " + Describe(target) +
                                                               " with text that is no such number");
            }
            tokens_[operand.literal].out = *number;
            operand.type = target;
            operand.collation = Collation::None;
            return;
        }
    }
    RefuseTranslation(Offset(at), mismatch);
}

void ExpressionTranslator::Compare(Operand& left, Operand& right, std::size_t at, bool patchLeft) {
    const ValueType l = left.type;
    const ValueType r = right.type;
    if (Untyped(l) || Untyped(r)) return;
    if (l == ValueType::Binary || r == ValueType::Binary) {
        if (l != r) RefuseTranslation(Offset(at), "comparison of " + Describe(l) + " with " + Describe(r));
        return;
    }
    const bool leftHigher = Precedence(l) >= Precedence(r);
    const ValueType target = leftHigher ? l : r;
    if (leftHigher) {
        Coerce(right, target, at, "comparison");
    } else if (patchLeft) {
        Coerce(left, target, at, "comparison");
    } else if (l != r) {
        RefuseTranslation(Offset(at), "comparison of " + Describe(l) + " with " + Describe(r));
    }
    // SQLite compares with a column's collating sequence, with BINARY when
    // neither side is a column; the server with its collation. Dates always
    // get DATETIME: a DATETIME column of another schema may lack it.
    if (!patchLeft || left.collation == Collation::Explicit || right.collation == Collation::Explicit) return;
    if (IsDate(target)) Collate(left, kDateTimeCollation);
    if (target == ValueType::Text && left.collation == Collation::None && right.collation == Collation::None)
        Collate(left, kTextCollation);
}

void ExpressionTranslator::CompareWithQuery(Operand& left, ValueType values, std::size_t at) {
    const ValueType type = left.type;
    if (Untyped(type) || Untyped(values)) return;
    const auto family = [](ValueType t) { return IsDate(t) ? 1 : IsNumber(t) ? 2 : t == ValueType::Text ? 3 : 4; };
    if (family(type) != family(values))
        RefuseTranslation(Offset(at), "comparison of " + Describe(type) + " with " + Describe(values));
    if (IsDate(type) && left.collation != Collation::Explicit) Collate(left, kDateTimeCollation);
}

Operand ExpressionTranslator::Comparison(Operand left, std::size_t op, Operand right) {
    if (right.Exists()) Compare(left, right, op, true);
    // T-SQL's "not less" and "not greater".
    if (tokens_[op].text == "!<") tokens_[op].out = ">=";
    if (tokens_[op].text == "!>") tokens_[op].out = "<=";
    return Condition(left, op, right);
}

Operand ExpressionTranslator::Like(Operand left, std::size_t op, Operand pattern) {
    // The server converts a number or date to text first, in its own format.
    for (const Operand* side : {&left, &pattern}) {
        const ValueType type = side->type;
        if (type == ValueType::Decimal || IsDate(type) || type == ValueType::Binary)
            RefuseTranslation(Offset(op), "LIKE on " + Describe(type));
    }
    return Condition(left, op, pattern);
}

ValueType ExpressionTranslator::Unify(std::vector<Operand>& operands, std::size_t at, std::string_view construct) {
    ValueType target = ValueType::Null;
    bool unknown = false;
    for (const Operand& operand : operands) {
        if (operand.type == ValueType::Unknown || operand.type == ValueType::Condition) unknown = true;
        if (Precedence(operand.type) > Precedence(target)) target = operand.type;
    }
    if (target == ValueType::Binary) {
        for (const Operand& operand : operands) {
            if (operand.type != ValueType::Binary && !Untyped(operand.type))
                RefuseTranslation(Offset(at), std::string(construct) + " of binary data with " + Describe(operand.type));
        }
    }
    for (Operand& operand : operands) Coerce(operand, target, at, construct);
    return unknown ? ValueType::Unknown : target;
}

Operand ExpressionTranslator::Negation(std::size_t op, Operand operand) {
    Operand result = operand;
    result.first = op;
    result.primary = false;
    result.collation = Collation::None;
    result.literal = kNoToken;
    if (!operand.Exists()) {
        result.last = op;
        return result;
    }
    const ValueType type = operand.type;
    const bool bitwise = tokens_[op].text == "~";
    if (Untyped(type) || (IsNumber(type) && !(bitwise && type == ValueType::Decimal))) return result;
    RefuseTranslation(Offset(op), "unary " + std::string(tokens_[op].text) + " on " + Describe(type));
}

Operand ExpressionTranslator::Arithmetic(Operand left, std::size_t op, Operand right) {
    const std::string_view o = tokens_[op].text;
    const std::string name(o);
    Operand result;
    result.first = left.first;
    result.last = right.Exists() ? right.last : op;
    result.primary = false;
    if (!right.Exists()) return result;  // SQLite reports the syntax
    if (o == "^") RefuseTranslation(Offset(op), "operator ^ (exclusive or)");
    const ValueType l = left.type;
    const ValueType r = right.type;
    if (l == ValueType::Null || r == ValueType::Null) {
        result.type = l == ValueType::Null ? r : l;  // NULL either way
        return result;
    }
    if (Untyped(l) || Untyped(r)) RefuseTranslation(Offset(op), name + " with an operand of unknown type");

    if (IsNumber(l) && IsNumber(r)) {
        // The server has no arithmetic on two bits, only & and |.
        if (l == ValueType::Bit && r == ValueType::Bit && o != "&" && o != "|")
            RefuseTranslation(Offset(op), name + " of a bit and a bit");
        const bool decimal = l == ValueType::Decimal || r == ValueType::Decimal;
        result.type = decimal ? ValueType::Decimal : ValueType::Integer;
        if (o == "&" || o == "|") {
            if (decimal) RefuseTranslation(Offset(op), name + " on a decimal number");
            // Same level as + and - in T-SQL, below them in SQLite.
            Wrap(result, "(", ")");
            result.primary = true;
        } else if (o == "%" && decimal) {
            RefuseTranslation(Offset(op), "% with a non-integer operand");
        } else if (o == "/" && decimal) {
            // A DECIMAL column stores integral values as integers; the
            // server divides them as decimals.
            Wrap(left, "CAST(", " AS REAL)");
        }
        return result;
    }
    if (o == "+" && l == ValueType::Text && r == ValueType::Text) {
        tokens_[op].out = "||";
        Wrap(result, "(", ")");
        result.primary = true;
        result.type = ValueType::Text;
        return result;
    }
    const bool dateLeft = AddsDays(l) && IsNumber(r) && (o == "+" || o == "-");
    const bool dateRight = IsNumber(l) && AddsDays(r) && o == "+";
    if (dateLeft || dateRight) {
        // Days, fractions being parts of a day, as the server adds a number
        // to a datetime.
        result.type = dateLeft ? l : r;
        const std::string type = result.type == ValueType::SmallDateTime ? ",'smalldatetime'" : "";
        tokens_[op].out = ",";
        Wrap(result, o == "+" ? "ovardx_datetime_add(" : "ovardx_datetime_sub(", type + ")");
        result.primary = true;
        return result;
    }
    if ((IsDate(l) && IsNumber(r)) || (IsNumber(l) && IsDate(r)))
        RefuseTranslation(Offset(op), name + " of a number and " + Describe(IsDate(l) ? l : r));
    RefuseTranslation(Offset(op), name + " of " + Describe(l) + " and " + Describe(r));
}

}  // namespace ovardx::sqlite
