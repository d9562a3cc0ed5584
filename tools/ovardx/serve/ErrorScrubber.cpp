#include "tools/ovardx/serve/ErrorScrubber.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "object_library/Text.h"

namespace ovardx::serve {

namespace {

// The values of "Data Source" and "Database" in a connection string
// (pairs split at ';' outside quotes; a value may be quoted).
std::vector<std::string> DatabaseNames(std::string_view connectString) {
    std::vector<std::string> names;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i <= connectString.size(); ++i) {
        const char c = i < connectString.size() ? connectString[i] : ';';
        if (quote != 0) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        if (c != ';') continue;
        const std::string_view pair = connectString.substr(start, i - start);
        start = i + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = TrimSpace(pair.substr(0, equals));
        std::string_view value = TrimSpace(pair.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (!value.empty() && (EqualsNoCase(key, "Data Source") || EqualsNoCase(key, "Database")))
            names.emplace_back(value);
    }
    return names;
}

void ReplaceAll(std::string& text, const std::string& what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

bool StartsPath(const std::string& text, std::size_t at) {
    if (text[at] != '/') return false;
    if (at == 0) return true;
    const char before = text[at - 1];
    return std::isspace(static_cast<unsigned char>(before)) || std::string_view("'\"(=:[").find(before) != std::string_view::npos;
}

bool EndsPath(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || std::string_view("'\"),;]").find(c) != std::string_view::npos;
}

}  // namespace

ErrorScrubber::ErrorScrubber(const std::string& connectString) {
    secrets_.push_back(connectString);
    for (const std::string& name : DatabaseNames(connectString)) {
        secrets_.push_back(name);
        std::error_code ignored;
        const std::filesystem::path absolute = std::filesystem::absolute(name, ignored);
        if (!ignored) secrets_.push_back(absolute.string());
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(name, ignored);
        if (!ignored) secrets_.push_back(canonical.string());
    }
    std::sort(secrets_.begin(), secrets_.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    secrets_.erase(std::unique(secrets_.begin(), secrets_.end()), secrets_.end());
    std::erase_if(secrets_, [](const std::string& secret) { return secret.size() < 3; });
}

std::string ErrorScrubber::operator()(std::string text) const {
    for (const std::string& secret : secrets_) ReplaceAll(text, secret, "[database]");
    std::string scrubbed;
    scrubbed.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (!StartsPath(text, i)) {
            scrubbed += text[i++];
            continue;
        }
        while (i < text.size() && !EndsPath(text[i])) ++i;
        scrubbed += "[path]";
    }
    return scrubbed;
}

}  // namespace ovardx::serve
