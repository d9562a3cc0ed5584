// Function calls, CAST and CONVERT: which T-SQL functions the translation
// carries over to SQLite and how (see TsqlTranslator.h for the list).
#include <algorithm>
#include <charconv>

#include "ovardx/Error.h"
#include "sqlite_backend/SqlServerConversions.h"
#include "sqlite_backend/SqlServerDates.h"
#include "sqlite_backend/TsqlExpressionTranslator.h"

namespace ovardx::sqlite {

namespace {

constexpr const char* kLocalNow = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";
constexpr const char* kUtcNow = "strftime('%Y-%m-%d %H:%M:%f','now')";

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// The text of a string literal token: 'it''s' and N'x' -> it's and x.

std::string ArgumentCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " argument" : " arguments");
}

bool IsTextual(ValueType type) {
    return type == ValueType::Text || type == ValueType::Integer || type == ValueType::Bit ||
           type == ValueType::Null || type == ValueType::Unknown;
}

bool IsNumeric(ValueType type) {
    return IsNumber(type) || type == ValueType::Null || type == ValueType::Unknown;
}

}  // namespace

std::size_t ExpressionTranslator::CloseOfCall(std::size_t name) {
    if (!AtKind(TokenKind::Close))
        RefuseTranslation(Offset(name), Upper(tokens_[name].text) + " without its closing parenthesis");
    return Advance();
}

std::size_t ExpressionTranslator::ParseDatePart(std::size_t name) {
    const std::size_t part = Peek();
    const auto known = part != kNoToken && tokens_[part].kind == TokenKind::Word
                           ? DatePartNamed(tokens_[part].text)
                           : std::nullopt;
    if (!known) {
        RefuseTranslation(part == kNoToken ? Offset(name) : Offset(part),
                          Upper(tokens_[name].text) + " with a date part it does not know");
    }
    tokens_[part].out = "'" + std::string(DatePartName(*known)) + "'";
    Advance();
    return part;
}

std::vector<Operand> ExpressionTranslator::ParseArguments() {
    std::vector<Operand> arguments;
    if (AtKind(TokenKind::Close)) return arguments;
    if (AtWord("distinct") || AtWord("all")) Advance();  // COUNT(DISTINCT x), SUM(ALL x)
    while (true) {
        Operand argument = ParseExpression();
        if (!argument.Exists()) break;
        arguments.push_back(argument);
        if (!AtText(",")) break;
        Advance();
    }
    return arguments;
}

SqlServerType ExpressionTranslator::ParseTypeName(std::size_t& first, std::size_t& last) {
    first = Peek();
    if (first == kNoToken || tokens_[first].kind != TokenKind::Word)
        RefuseTranslation(first == kNoToken ? 0 : Offset(first), "conversion without a type name");
    std::string text(tokens_[first].text);
    last = Advance();
    if (AtKind(TokenKind::Open)) {
        while (Peek() != kNoToken) {
            last = Advance();
            text += tokens_[last].text;
            if (tokens_[last].kind == TokenKind::Close) break;
        }
    }
    const auto type = SqlServerType::Parse(text);
    if (!type) RefuseTranslation(Offset(first), "conversion to " + Lower(text));
    return *type;
}

void ExpressionTranslator::CheckConversion(std::size_t name, const Operand& value, const SqlServerType& target,
                                           std::optional<int> style, bool& dropStyle) {
    const ValueType source = value.type;
    const std::string construct = Upper(tokens_[name].text) + " to " + target.ToText();
    const auto refuse = [&](std::string_view why) { RefuseTranslation(Offset(name), construct + " " + std::string(why)); };
    dropStyle = false;
    if (source == ValueType::Binary || source == ValueType::Condition) refuse("from " + Describe(source));
    if (target.IsDate()) {
        if (style && !IsDate(source)) {
            if (!IsIsoInputStyle(*style)) refuse("with style " + std::to_string(*style));
        }
        dropStyle = IsDate(source);  // the server ignores it between dates
        if (source == ValueType::Bit) refuse("from a bit");
        if (IsNumber(source) && target.family != SqlServerType::Family::DateTime &&
            target.family != SqlServerType::Family::SmallDateTime)
            refuse("from a number");
    } else if (target.IsText()) {
        if (style) {
            if (IsDate(source)) {
                if (!IsExactDateStyle(*style, DateInfoOf(source).type)) refuse("with style " + std::to_string(*style));
                return;
            }
            if (source == ValueType::Unknown) refuse("with a style from a value of unknown type");
            dropStyle = true;  // text and integers ignore it
        }
        if (IsDate(source)) refuse("from " + Describe(source) + " without a style it writes exactly");
        if (source == ValueType::Decimal) refuse("from a decimal number");
        if (source == ValueType::Unknown) refuse("from a value of unknown type");
    } else {
        if (style && *style != 0) refuse("with a style");
        dropStyle = style.has_value();
        if (IsDate(source)) refuse("from " + Describe(source));
    }
    // A literal converts now: what the server would refuse, the translation
    // refuses where it stands.
    if (value.literal != kNoToken && !target.IsText()) {
        try {
            ConvertValue(target, LiteralText(tokens_[value.literal].text), dropStyle ? std::nullopt : style,
                         DateText::Literal);
        } catch (const Error&) {
            RefuseTranslation(Offset(value.literal), construct + " of text it cannot convert");
        }
    }
}

Operand ExpressionTranslator::ParseCast(std::size_t name) {
    // CAST(x AS type) -> ovardx_cast(x,'type')
    Advance();  // "("
    Operand value = ParseExpression();
    if (!value.Exists() || !AtWord("as")) RefuseTranslation(Offset(name), "CAST without AS and a type");
    Advance();
    std::size_t typeFirst = kNoToken;
    std::size_t typeLast = kNoToken;
    const SqlServerType target = ParseTypeName(typeFirst, typeLast);
    const std::size_t close = CloseOfCall(name);
    bool dropStyle = false;
    CheckConversion(name, value, target, std::nullopt, dropStyle);
    tokens_[name].out = "ovardx_cast";
    DropTokens(value.last + 1, close - 1);
    tokens_[value.last].after += ",'" + target.ToText() + "'";
    Operand result;
    result.first = name;
    result.last = close;
    result.type = TypeOf(target);
    return result;
}

Operand ExpressionTranslator::ParseConvert(std::size_t name) {
    // CONVERT(type, x[, style]) -> ovardx_convert('type',x[,style])
    Advance();  // "("
    std::size_t typeFirst = kNoToken;
    std::size_t typeLast = kNoToken;
    const SqlServerType target = ParseTypeName(typeFirst, typeLast);
    if (!AtText(",")) RefuseTranslation(Offset(name), "CONVERT without a value");
    Advance();
    const Operand value = ParseExpression();
    if (!value.Exists()) RefuseTranslation(Offset(name), "CONVERT without a value");
    std::optional<int> style;
    std::size_t styleLast = value.last;
    if (AtText(",")) {
        Advance();
        const std::size_t styleToken = Peek();
        int number = 0;
        const std::string_view digits = styleToken == kNoToken ? std::string_view{} : tokens_[styleToken].text;
        if (styleToken == kNoToken || tokens_[styleToken].kind != TokenKind::Number ||
            std::from_chars(digits.data(), digits.data() + digits.size(), number).ptr != digits.data() + digits.size())
            RefuseTranslation(Offset(name), "CONVERT with a style that is not a whole number");
        style = number;
        styleLast = Advance();
    }
    const std::size_t close = CloseOfCall(name);
    bool dropStyle = false;
    CheckConversion(name, value, target, style, dropStyle);
    tokens_[name].out = "ovardx_convert";
    tokens_[typeFirst].out = "'" + target.ToText() + "'";
    DropTokens(typeFirst + 1, typeLast);
    if (style && dropStyle) DropTokens(value.last + 1, styleLast);
    Operand result;
    result.first = name;
    result.last = close;
    result.type = TypeOf(target);
    return result;
}

Operand ExpressionTranslator::ParseDateFunction(std::size_t name) {
    const std::string function = Lower(tokens_[name].text);
    const std::size_t open = Advance();
    std::size_t part = kNoToken;
    std::optional<DatePart> datePart;
    if (function == "year" || function == "month" || function == "day") {
        datePart = DatePartNamed(function);
        tokens_[open].out = "('" + function + "',";
    } else {
        part = ParseDatePart(name);
        datePart = DatePartNamed(tokens_[part].text);
        if (!AtText(",")) RefuseTranslation(Offset(name), Upper(function) + " without its arguments");
        Advance();
    }
    std::vector<Operand> arguments = ParseArguments();
    const std::size_t close = CloseOfCall(name);
    const std::size_t expected = function == "dateadd" || function == "datediff" ? 2 : 1;
    if (arguments.size() != expected)
        RefuseTranslation(Offset(name), Upper(function) + " with " + ArgumentCount(arguments.size() + (part != kNoToken)));

    Operand result;
    result.first = name;
    result.last = close;
    result.type = ValueType::Integer;
    // Which arguments are dates: DATEADD(part, number, date), DATEDIFF(part,
    // date, date), DATEPART(part, date).
    const std::size_t firstDate = function == "dateadd" ? 1 : 0;
    for (std::size_t i = firstDate; i < arguments.size(); ++i) {
        const Operand& date = arguments[i];
        if (!IsDate(date.type) && !IsNumeric(date.type) && date.type != ValueType::Text)
            RefuseTranslation(Offset(name), Upper(function) + " of " + Describe(date.type));
        if (date.type == ValueType::Date && IsTimePart(*datePart))
            RefuseTranslation(Offset(name), Upper(function) + " with date part " +
                                                std::string(DatePartName(*datePart)) + " on a date");
        if (date.literal != kNoToken) {
            // The server reads DATEADD's text as datetime, the others' as datetime2.
            const DateTypeInfo type = function == "dateadd" ? DateTypeInfo{DateType::DateTime, 3}
                                                            : DateTypeInfo{DateType::DateTime2, 7};
            try {
                ConvertTextToDate(LiteralText(tokens_[date.literal].text), type, DateText::Literal);
            } catch (const Error&) {
                RefuseTranslation(Offset(date.literal), Upper(function) + " of text that is no date");
            }
        }
    }
    if (function == "dateadd") {
        const Operand& amount = arguments[0];
        if (!IsNumeric(amount.type)) RefuseTranslation(Offset(name), "DATEADD of " + Describe(amount.type));
        const Operand& date = arguments[1];
        result.type = IsDate(date.type) ? date.type : date.type == ValueType::Unknown ? ValueType::Unknown
                                                                                       : ValueType::DateTime;
        if (IsDate(date.type) && date.type != ValueType::DateTime) {
            tokens_[date.last].after += ",'" +
                                        std::string(date.type == ValueType::Date            ? "date"
                                                    : date.type == ValueType::SmallDateTime ? "smalldatetime"
                                                                                            : "datetime2(7)") +
                                        "'";
        }
    }
    tokens_[name].out = function == "dateadd" || function == "datediff" ? "ovardx_" + function : "ovardx_datepart";
    return result;
}

Operand ExpressionTranslator::ParseCall(std::size_t name) {
    Nesting nesting(*this);
    if (Peek() == name) Advance();
    const std::string function = Lower(tokens_[name].text);
    if (function == "cast") return ParseCast(name);
    if (function == "convert") return ParseConvert(name);
    if (function == "dateadd" || function == "datediff" || function == "datepart" || function == "year" ||
        function == "month" || function == "day") {
        return ParseDateFunction(name);
    }
    const std::size_t open = Advance();
    std::vector<Operand> arguments = ParseArguments();
    const std::size_t close = CloseOfCall(name);
    if (AtWord("over")) RefuseTranslation(Offset(Peek()), "window function OVER (...)");

    const std::string shown = Upper(tokens_[name].text);
    const auto arity = [&](std::size_t low, std::size_t high) {
        if (arguments.size() < low || arguments.size() > high)
            RefuseTranslation(Offset(name), shown + " with " + ArgumentCount(arguments.size()));
    };
    const auto require = [&](const Operand& argument, bool allowed) {
        if (!allowed) RefuseTranslation(Offset(name), shown + " of " + Describe(argument.type));
    };
    Operand result;
    result.first = name;
    result.last = close;

    if (function == "getdate" || function == "getutcdate" || function == "sysdatetime") {
        arity(0, 0);
        tokens_[name].out = function == "getutcdate" ? kUtcNow : kLocalNow;
        DropTokens(name + 1, close);  // the parentheses and anything between them
        result.type = function == "sysdatetime" ? ValueType::DateTime2 : ValueType::DateTime;
    } else if (function == "isnull") {
        // The replacement takes the first argument's type.
        arity(2, 2);
        tokens_[name].out = "IFNULL";
        Coerce(arguments[1], arguments[0].type, name, "ISNULL");
        result.type = arguments[0].type == ValueType::Null ? arguments[1].type : arguments[0].type;
    } else if (function == "coalesce") {
        arity(2, 1000);
        result.type = Unify(arguments, name, "COALESCE");
    } else if (function == "nullif") {
        arity(2, 2);
        Compare(arguments[0], arguments[1], name, true);
        result.type = arguments[0].type;
    } else if (function == "abs") {
        arity(1, 1);
        require(arguments[0], IsNumeric(arguments[0].type) && arguments[0].type != ValueType::Bit);
        result.type = arguments[0].type;
    } else if (function == "ltrim" || function == "rtrim") {
        arity(1, 1);
        require(arguments[0], IsTextual(arguments[0].type));
        result.type = ValueType::Text;
    } else if (function == "len") {
        // LEN ignores trailing blanks.
        arity(1, 1);
        require(arguments[0], IsTextual(arguments[0].type));
        tokens_[name].out = "LENGTH";
        tokens_[open].out = "(RTRIM(";
        tokens_[close].out = "))";
        result.type = ValueType::Integer;
    } else if (function == "count") {
        arity(0, 1);
        result.type = ValueType::Integer;
    } else if (function == "min" || function == "max") {
        arity(1, 1);  // SQLite's two-argument forms are no T-SQL
        SortCollation(arguments[0]);
        result.type = arguments[0].type;
    } else if (function == "sum") {
        arity(1, 1);
        require(arguments[0], IsNumeric(arguments[0].type) && arguments[0].type != ValueType::Bit);
        result.type = arguments[0].type;
    } else if (function == "substring" || function == "left" || function == "right" || function == "charindex" ||
               function == "replace") {
        const bool search = function == "charindex";
        if (function == "substring" || function == "replace") arity(3, 3);
        if (function == "left" || function == "right") arity(2, 2);
        if (search) arity(2, 3);
        // Which arguments are text and which are numbers.
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const bool text = function == "replace" || i == 0 || (search && i == 1);
            require(arguments[i], text ? IsTextual(arguments[i].type) : IsNumeric(arguments[i].type));
        }
        tokens_[name].out = "ovardx_" + function;
        result.type = search ? ValueType::Integer : ValueType::Text;
    } else {
        RefuseTranslation(Offset(name), "function " + std::string(tokens_[name].text));
    }
    return result;
}

}  // namespace ovardx::sqlite
