#include "odbc_backend/OdbcDiagnostics.h"

#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "odbc_backend/OdbcText.h"

namespace ovardx::odbc {

std::string ErrorContext::Source() const { return "ODBC driver " + (driver.empty() ? std::string("(unnamed)") : driver); }

std::string ErrorContext::Redact(std::string text) const {
    if (secret.empty()) return text;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 4))
        text.replace(at, secret.size(), "****");
    return text;
}

ErrorRecord DiagnosticsError(SQLSMALLINT handleType, SQLHANDLE handle, std::int32_t number,
                             const ErrorContext& context, std::string_view fallback) {
    std::string description;
    for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE && context.utf8Narrow; ++record) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLCHAR> message(4096);
        if (!SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, record, state, &native, message.data(),
                                         static_cast<SQLSMALLINT>(message.size()), &length)))
            break;
        if (!description.empty()) description += "; ";
        description += "[" + std::string(reinterpret_cast<const char*>(state), 5) + "] " +
                       std::string(reinterpret_cast<const char*>(message.data()),
                                   std::min<std::size_t>(static_cast<std::size_t>(length), message.size() - 1));
        if (native != 0) description += " (native error " + std::to_string(native) + ")";
    }
    for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE && !context.utf8Narrow; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        // Messages of SQL Server reach 4000 characters; ask again when longer.
        std::vector<SQLWCHAR> message(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc)) break;
        const auto text = [](const SQLWCHAR* units, std::size_t count) {
            return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(units), count));
        };
        if (!description.empty()) description += "; ";
        description += "[" + text(state, 5) + "] " + text(message.data(), static_cast<std::size_t>(length));
        if (native != 0) description += " (native error " + std::to_string(native) + ")";
    }
    if (description.empty()) description = std::string(fallback) + " failed without a diagnostic record";
    return ErrorRecord{number, context.Source(), context.Redact(std::move(description))};
}

std::string FirstSqlState(SQLSMALLINT handleType, SQLHANDLE handle) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[8];
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, 1, state, &native, message, 8, &length);
    if (!SQL_SUCCEEDED(rc)) return {};
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(state), 5));
}

void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::int32_t number, const ErrorContext& context,
           std::string_view what) {
    if (SQL_SUCCEEDED(rc)) return;
    throw Error(DiagnosticsError(handleType, handle, number, context, what));
}

}  // namespace ovardx::odbc
