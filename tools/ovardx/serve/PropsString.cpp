#include "tools/ovardx/serve/PropsString.h"

#include <algorithm>

#include "tools/ovardx/serve/ServeConfig.h"

namespace ovardx::serve {

namespace {

bool HasControlByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string CheckConnectString(std::string_view text) {
    if (text.empty()) throw ConfigError("connect-string is empty");
    if (text.find('}') != std::string_view::npos || text.find('{') != std::string_view::npos)
        throw ConfigError("connect-string must hold no braces: it goes into the property string as {connect-string}");
    if (HasControlByte(text)) throw ConfigError("connect-string holds a control character");
    return std::string(text);
}

std::string CheckPropertyWord(std::string_view text, const std::string& what) {
    const bool ok = !text.empty() && text.size() <= 64 && std::all_of(text.begin(), text.end(), [](char c) {
        return IsLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    });
    if (!ok) throw ConfigError(what + " takes letters, digits, '.', '_' and '-' only");
    return std::string(text);
}

bool IsLanguage(std::string_view text) {
    return text.size() >= 2 && text.size() <= 8 && std::all_of(text.begin(), text.end(), IsLetter);
}

std::string CheckLanguage(std::string_view text) {
    if (!IsLanguage(text)) throw ConfigError("language must be two to eight letters, such as chs, cht or eng");
    return std::string(text);
}

std::string CheckOperatorSql(std::string_view text, const std::string& what) {
    if (HasControlByte(text)) throw ConfigError(what + " holds a control character");
    return std::string(text);
}

std::string BuildPropsString(const std::string& connectString, std::int32_t user, const std::string& setupType,
                             const std::string& language) {
    return "Language=" + language + ";ConnectString={" + connectString + "};UserID=" + std::to_string(user) +
           ";Setuptype=" + setupType;
}

}  // namespace ovardx::serve
