#include "sqlite_backend/ConnectionString.h"

#include <algorithm>
#include <optional>

#include "object_library/Text.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {

namespace {

// Reads one value from the front of `rest` up to the next ";" (or the end),
// honouring quotes; a doubled quote inside quotes stands for itself.
std::string TakeValue(std::string_view& rest) {
    rest = TrimSpace(rest);
    std::string value;
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
        const char quote = rest.front();
        std::size_t i = 1;
        for (; i < rest.size(); ++i) {
            if (rest[i] == quote) {
                if (i + 1 < rest.size() && rest[i + 1] == quote) {
                    value += quote;
                    ++i;
                    continue;
                }
                break;
            }
            value += rest[i];
        }
        if (i >= rest.size()) {
            RaiseProviderError(kOpenError, "Unterminated quoted value in the connection string");
        }
        rest.remove_prefix(i + 1);
        const std::size_t end = rest.find(';');
        if (!TrimSpace(rest.substr(0, end)).empty()) {
            RaiseProviderError(kOpenError, "Text after a quoted value in the connection string");
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return value;
    }
    const std::size_t end = rest.find(';');
    value = std::string(TrimSpace(rest.substr(0, end)));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return value;
}

}  // namespace

std::string DataSourceOf(std::string_view connectString, bool allowUriFileNames) {
    std::optional<std::string> provider;
    std::optional<std::string> dataSource;
    std::string_view rest = connectString;
    while (!TrimSpace(rest).empty()) {
        const std::size_t equals = rest.find('=');
        const std::size_t semicolon = rest.find(';');
        if (semicolon < equals) {  // an empty or key-only piece
            rest.remove_prefix(semicolon + 1);
            continue;
        }
        if (equals == std::string_view::npos) break;
        const std::string_view key = TrimSpace(rest.substr(0, equals));
        rest.remove_prefix(equals + 1);
        std::string value = TakeValue(rest);
        if (EqualsNoCase(key, "Provider")) {
            provider = std::move(value);
        } else if (EqualsNoCase(key, "Data Source") || EqualsNoCase(key, "Database")) {
            dataSource = std::move(value);
        }
    }
    if (provider && !EqualsNoCase(*provider, "SQLite")) {
        RaiseProviderError(kOpenError, "Provider '" + *provider +
                                           "' is not supported; the connection string must name Provider=SQLite");
    }
    if (!dataSource || dataSource->empty()) {
        RaiseProviderError(kOpenError, "The connection string names no Data Source");
    }
    if (!allowUriFileNames && EqualsNoCase(std::string_view(*dataSource).substr(0, 5), "file:")) {
        RaiseProviderError(kOpenError,
                           "The Data Source is an SQLite URI (\"file:...\"), whose options change how the database "
                           "is opened and locked; it is refused unless AllowUriFileNames=1 is configured");
    }
    return *dataSource;
}

}  // namespace ovardx::sqlite
