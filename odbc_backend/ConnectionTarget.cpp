#include "odbc_backend/ConnectionTarget.h"

#include <optional>
#include <string>

#include "object_library/Text.h"
#include "odbc_backend/OdbcConnectionString.h"
#include "registry/LibrarySettings.h"

namespace ovardx::odbc {

namespace {

// The keys of a string in either grammar: values in braces (ODBC) or
// quotes (OLE DB) are skipped whole. Lenient: only the keys matter here.
struct KeyScan {
    std::optional<std::string> provider;
    bool odbcKey = false;
};

KeyScan ScanKeys(std::string_view text) {
    KeyScan scan;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = text.find(';', i);
        if (equals == std::string_view::npos) break;
        if (semicolon < equals) {
            i = semicolon + 1;
            continue;
        }
        const std::string_view key = TrimSpace(text.substr(i, equals - i));
        i = equals + 1;
        while (i < text.size() && text[i] == ' ') ++i;
        const std::size_t start = i;
        if (i < text.size() && (text[i] == '{' || text[i] == '"' || text[i] == '\'')) {
            const char close = text[i] == '{' ? '}' : text[i];
            for (++i; i < text.size(); ++i) {
                if (text[i] != close) continue;
                if (i + 1 < text.size() && text[i + 1] == close) {
                    ++i;
                    continue;
                }
                break;
            }
        }
        const std::size_t end = text.find(';', i);
        const std::string_view value = TrimSpace(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (EqualsNoCase(key, "Provider")) scan.provider = std::string(value);
        if (EqualsNoCase(key, "Driver") || EqualsNoCase(key, "DSN") || EqualsNoCase(key, "FileDSN")) scan.odbcKey = true;
        i = end == std::string_view::npos ? text.size() : end + 1;
    }
    return scan;
}

}  // namespace

Backend BackendOf(std::string_view connectString) {
    const KeyScan scan = ScanKeys(connectString);
    if (scan.provider && EqualsNoCase(TrimSpace(*scan.provider), "SQLite")) return Backend::Embedded;
    if (scan.odbcKey) return Backend::Odbc;
    if (!scan.provider) return Backend::Embedded;
    return IsSqlServerProvider(*scan.provider) ? Backend::Odbc : Backend::Unsupported;
}

OdbcTarget ResolveOdbcTarget(std::string_view connectString) {
    if (ScanKeys(connectString).odbcKey) {
        const std::vector<Attribute> attributes = ParseOdbcAttributes(connectString);
        OdbcTarget target;
        target.connectionString = std::string(connectString);
        target.context.driver = FindAttribute(attributes, "Driver")
                                    .value_or(FindAttribute(attributes, "DSN")
                                                  .value_or(FindAttribute(attributes, "FileDSN").value_or("")));
        target.context.secret =
            FindAttribute(attributes, "PWD").value_or(FindAttribute(attributes, "Password").value_or(""));
        return target;
    }
    const SqlServerDriver driver = ChooseSqlServerDriver(ThreadSettings().odbcDriver, InstalledDrivers());
    return MapOleDbToOdbc(connectString, driver);
}

}  // namespace ovardx::odbc
