#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovardx::serve {

// The pieces of the library's property string and the checks that keep each
// piece from adding or changing a pair: the connect string goes in braces
// (so it must hold no '}'), every other value is a plain word (no ';', '=',
// braces or blanks). Each check answers the value or raises ConfigError.
std::string CheckConnectString(std::string_view text);
std::string CheckPropertyWord(std::string_view text, const std::string& what);
// A language of the catalogs: two to eight letters ("chs", "cht", "eng").
std::string CheckLanguage(std::string_view text);
bool IsLanguage(std::string_view text);
// Raw SQL from the operator: one line of text without NUL or control bytes.
std::string CheckOperatorSql(std::string_view text, const std::string& what);

// "Language=eng;ConnectString={...};UserID=17;Setuptype=standard".
//
// Language comes first: the library finds it by the first "language=" in
// the raw string, which could otherwise be a piece of the connect string.
std::string BuildPropsString(const std::string& connectString, std::int32_t user, const std::string& setupType,
                             const std::string& language);

}  // namespace ovardx::serve
