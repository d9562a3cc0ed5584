#include "sqlite_backend/SqlServerFunctions.h"

#include <sqlite3.h>

#include <new>
#include <span>
#include <string>
#include <vector>

#include "ovardx/Error.h"
#include "sqlite_backend/DateTimeCollation.h"
#include "sqlite_backend/SqlServerConversions.h"
#include "sqlite_backend/SqlServerDates.h"
#include "sqlite_backend/SqlServerStrings.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

namespace {

using Arguments = std::span<const SqlValue>;

[[noreturn]] void Raise(std::string description) { RaiseProviderError(kStatementError, std::move(description)); }

SqlValue ValueOf(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_value_int64(value));
        case SQLITE_FLOAT: return sqlite3_value_double(value);
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            return std::string(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
        }
        case SQLITE_NULL: return nullptr;
        default: Raise("Binary values cannot be used here.");
    }
}

void SetResult(sqlite3_context* context, const SqlValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        sqlite3_result_int64(context, *integer);
    } else if (const auto* real = std::get_if<double>(&value)) {
        sqlite3_result_double(context, *real);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        sqlite3_result_text64(context, text->data(), text->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else {
        sqlite3_result_null(context);
    }
}

bool AnyNull(Arguments arguments) {
    for (const SqlValue& value : arguments) {
        if (std::holds_alternative<std::nullptr_t>(value)) return true;
    }
    return false;
}

const std::string& TextOf(const SqlValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    Raise("A name argument must be text.");
}

SqlServerType TypeOf(const SqlValue& value) {
    const auto type = SqlServerType::Parse(TextOf(value));
    if (!type) Raise("Unknown data type '" + TextOf(value) + "'.");
    return *type;
}

DatePart PartOf(const SqlValue& value) {
    const auto part = DatePartNamed(TextOf(value));
    if (!part) Raise("'" + TextOf(value) + "' is not a recognized datepart option.");
    return *part;
}

DateTypeInfo DateTypeOf(Arguments arguments, std::size_t index) {
    if (arguments.size() <= index) return {DateType::DateTime, 3};
    const SqlServerType type = TypeOf(arguments[index]);
    if (!type.IsDate()) Raise("'" + TextOf(arguments[index]) + "' is not a date type.");
    return type.DateInfo();
}

std::int64_t IntegerOf(const SqlValue& value) {
    return std::get<std::int64_t>(ConvertValue(SqlServerType{SqlServerType::Family::Int}, value));
}

std::int64_t BigIntegerOf(const SqlValue& value) {
    return std::get<std::int64_t>(ConvertValue(SqlServerType{SqlServerType::Family::BigInt}, value));
}

// A date argument: date text, or days since 1900-01-01 as SQL Server reads
// a number where a datetime belongs.
DateTime DateOf(const SqlValue& value, DateTypeInfo type) {
    if (const auto* text = std::get_if<std::string>(&value)) return ConvertTextToDate(*text, type);
    const double days = std::holds_alternative<std::int64_t>(value) ? static_cast<double>(std::get<std::int64_t>(value))
                                                                     : std::get<double>(value);
    return RoundToType(ConvertDaysToDate(days, {DateType::DateTime, 3}), type);
}

DateTime ExactDateOf(const SqlValue& value) { return DateOf(value, {DateType::DateTime2, 7}); }

double DaysOf(const SqlValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) return static_cast<double>(*integer);
    if (const auto* real = std::get_if<double>(&value)) return *real;
    Raise("Only a number of days can be added to a date.");
}

// --- the functions ----------------------------------------------------------------

SqlValue Cast(Arguments a) { return ConvertValue(TypeOf(a[1]), a[0]); }

SqlValue Convert(Arguments a) {
    if (a.size() == 3 && std::holds_alternative<std::nullptr_t>(a[2])) return nullptr;
    return ConvertValue(TypeOf(a[0]), a[1], a.size() == 3 ? std::optional<int>(IntegerOf(a[2])) : std::nullopt);
}

SqlValue DateAddFunction(Arguments a) {
    if (AnyNull(a.subspan(1, 2))) return nullptr;
    const DateTypeInfo type = DateTypeOf(a, 3);
    return CanonicalDateText(DateAdd(PartOf(a[0]), IntegerOf(a[1]), DateOf(a[2], type), type));
}

SqlValue DateDiffFunction(Arguments a) {
    if (AnyNull(a.subspan(1))) return nullptr;
    return DateDiff(PartOf(a[0]), ExactDateOf(a[1]), ExactDateOf(a[2]));
}

SqlValue DatePartFunction(Arguments a) {
    if (AnyNull(a.subspan(1))) return nullptr;
    return DatePartOf(PartOf(a[0]), ExactDateOf(a[1]));
}

SqlValue DateTimeAdd(Arguments a) {
    if (AnyNull(a.subspan(0, 2))) return nullptr;
    const DateTypeInfo type = DateTypeOf(a, 2);
    // Either order: the date is the text.
    const bool dateFirst = std::holds_alternative<std::string>(a[0]);
    return CanonicalDateText(AddDays(DateOf(a[dateFirst ? 0 : 1], type), DaysOf(a[dateFirst ? 1 : 0]), type));
}

SqlValue DateTimeSub(Arguments a) {
    if (AnyNull(a.subspan(0, 2))) return nullptr;
    const DateTypeInfo type = DateTypeOf(a, 2);
    return CanonicalDateText(AddDays(DateOf(a[0], type), -DaysOf(a[1]), type));
}

// String functions read numbers as their digits, as SQL Server converts an
// int to varchar.
std::string StringOf(const SqlValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return std::get<std::string>(ConvertValue(*SqlServerType::Parse("nvarchar(max)"), value));
}

SqlValue SubstringFunction(Arguments a) {
    if (AnyNull(a)) return nullptr;
    return Substring(StringOf(a[0]), BigIntegerOf(a[1]), BigIntegerOf(a[2]));
}

SqlValue LeftFunction(Arguments a) {
    if (AnyNull(a)) return nullptr;
    return Left(StringOf(a[0]), BigIntegerOf(a[1]));
}

SqlValue RightFunction(Arguments a) {
    if (AnyNull(a)) return nullptr;
    return Right(StringOf(a[0]), BigIntegerOf(a[1]));
}

SqlValue CharIndexFunction(Arguments a) {
    if (AnyNull(a)) return nullptr;
    return CharIndex(StringOf(a[0]), StringOf(a[1]), a.size() == 3 ? BigIntegerOf(a[2]) : 1);
}

SqlValue ReplaceFunction(Arguments a) {
    if (AnyNull(a)) return nullptr;
    return Replace(StringOf(a[0]), StringOf(a[1]), StringOf(a[2]));
}

struct Function {
    const char* name;
    int minArguments;
    int maxArguments;
    SqlValue (*body)(Arguments);
};

constexpr Function kFunctions[] = {
    {"ovardx_cast", 2, 2, &Cast},
    {"ovardx_convert", 2, 3, &Convert},
    {"ovardx_dateadd", 3, 4, &DateAddFunction},
    {"ovardx_datediff", 3, 3, &DateDiffFunction},
    {"ovardx_datepart", 2, 2, &DatePartFunction},
    {"ovardx_datetime_add", 2, 3, &DateTimeAdd},
    {"ovardx_datetime_sub", 2, 3, &DateTimeSub},
    {"ovardx_substring", 3, 3, &SubstringFunction},
    {"ovardx_left", 2, 2, &LeftFunction},
    {"ovardx_right", 2, 2, &RightFunction},
    {"ovardx_charindex", 2, 3, &CharIndexFunction},
    {"ovardx_replace", 3, 3, &ReplaceFunction},
};

void Invoke(sqlite3_context* context, int count, sqlite3_value** values) noexcept {
    const auto* function = static_cast<const Function*>(sqlite3_user_data(context));
    try {
        std::vector<SqlValue> arguments;
        arguments.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) arguments.push_back(ValueOf(values[i]));
        SetResult(context, function->body(arguments));
    } catch (const Error& error) {
        sqlite3_result_error(context, error.record().Description.c_str(), -1);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    } catch (const std::exception& error) {
        sqlite3_result_error(context, error.what(), -1);
    }
}

}  // namespace

void RegisterSqlServerFunctions(sqlite3* db) {
    RegisterDateTimeCollation(db);
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Function& function : kFunctions) {
        for (int count = function.minArguments; count <= function.maxArguments; ++count) {
            Check(sqlite3_create_function_v2(db, function.name, count, kFlags, const_cast<Function*>(&function),
                                             &Invoke, nullptr, nullptr, nullptr),
                  db, kOpenError);
        }
    }
}

}  // namespace ovardx::sqlite
