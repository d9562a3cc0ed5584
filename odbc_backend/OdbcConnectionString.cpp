#include "odbc_backend/OdbcConnectionString.h"

#include <algorithm>

#include "object_library/Text.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {

namespace {

}  // namespace

std::vector<Attribute> ParseOdbcAttributes(std::string_view text) {
    std::vector<Attribute> attributes;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = text.find(';', i);
        if (semicolon < equals || equals == std::string_view::npos) {  // an empty or key-only piece
            if (semicolon == std::string_view::npos) break;
            i = semicolon + 1;
            continue;
        }
        Attribute attribute{std::string(TrimSpace(text.substr(i, equals - i))), {}};
        i = equals + 1;
        while (i < text.size() && text[i] == ' ') ++i;
        if (i < text.size() && text[i] == '{') {
            ++i;
            for (;;) {
                if (i >= text.size())
                    sqlite::RaiseProviderError(sqlite::kOpenError, "The value of '" + attribute.key +
                                                                       "' in the ODBC connection string has no closing '}'");
                if (text[i] == '}') {
                    if (i + 1 < text.size() && text[i + 1] == '}') {
                        attribute.value += '}';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                attribute.value += text[i++];
            }
            const std::size_t end = text.find(';', i);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const std::size_t end = text.find(';', i);
            attribute.value = std::string(TrimSpace(text.substr(i, end == std::string_view::npos ? end : end - i)));
            i = end == std::string_view::npos ? text.size() : end + 1;
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}

std::optional<std::string> FindAttribute(const std::vector<Attribute>& attributes, std::string_view key) {
    for (const Attribute& attribute : attributes)
        if (EqualsNoCase(attribute.key, key)) return attribute.value;
    return std::nullopt;
}

std::string OdbcValue(std::string_view value) {
    constexpr std::string_view kSpecial = "[]{}(),;?*=!@";
    const bool plain = value.find_first_of(kSpecial) == std::string_view::npos && TrimSpace(value).size() == value.size();
    if (plain) return std::string(value);
    std::string braced = "{";
    for (const char c : value) {
        braced += c;
        if (c == '}') braced += '}';
    }
    braced += '}';
    return braced;
}

}  // namespace ovardx::odbc
