#include "sqlite_backend/ConnectionString.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads one value from the front of `rest` up to the next ";" (or the end),
// honouring quotes; a doubled quote inside quotes stands for itself.
std::string TakeValue(std::string_view& rest) {
    rest = Trim(rest);
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
        if (!Trim(rest.substr(0, end)).empty()) {
            RaiseProviderError(kOpenError, "Text after a quoted value in the connection string");
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return value;
    }
    const std::size_t end = rest.find(';');
    value = std::string(Trim(rest.substr(0, end)));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return value;
}

}  // namespace

std::string DataSourceOf(std::string_view connectString, bool allowUriFileNames) {
    std::optional<std::string> provider;
    std::optional<std::string> dataSource;
    std::string_view rest = connectString;
    while (!Trim(rest).empty()) {
        const std::size_t equals = rest.find('=');
        const std::size_t semicolon = rest.find(';');
        if (semicolon < equals) {  // an empty or key-only piece
            rest.remove_prefix(semicolon + 1);
            continue;
        }
        if (equals == std::string_view::npos) break;
        const std::string_view key = Trim(rest.substr(0, equals));
        rest.remove_prefix(equals + 1);
        std::string value = TakeValue(rest);
        if (SameText(key, "Provider")) {
            provider = std::move(value);
        } else if (SameText(key, "Data Source") || SameText(key, "Database")) {
            dataSource = std::move(value);
        }
    }
    if (provider && !SameText(*provider, "SQLite")) {
        RaiseProviderError(kOpenError, "Provider '" + *provider +
                                           "' is not supported; the connection string must name Provider=SQLite");
    }
    if (!dataSource || dataSource->empty()) {
        RaiseProviderError(kOpenError, "The connection string names no Data Source");
    }
    if (!allowUriFileNames && SameText(std::string_view(*dataSource).substr(0, 5), "file:")) {
        RaiseProviderError(kOpenError,
                           "The Data Source is an SQLite URI (\"file:...\"), whose options change how the database "
                           "is opened and locked; it is refused unless AllowUriFileNames=1 is configured");
    }
    return *dataSource;
}

}  // namespace ovardx::sqlite
