#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovardx::odbc {

struct Attribute {
    std::string key;
    std::string value;
};

// The attributes of an ODBC connection string: "key=value" pairs separated
// by ";", blanks around keys and unbraced values dropped, a value in braces
// runs to the "}" that is not doubled ("}}" stands for "}"). An unterminated
// brace raises kOpenError.
std::vector<Attribute> ParseOdbcAttributes(std::string_view connectionString);

// The value of the first attribute named `key` (without regard to case).
std::optional<std::string> FindAttribute(const std::vector<Attribute>& attributes, std::string_view key);

// A value as it stands in an ODBC connection string: in braces, with every
// "}" doubled, when it holds a character the grammar gives a meaning
// ([]{}(),;?*=!@) or blanks at either end; otherwise as it is.
std::string OdbcValue(std::string_view value);

}  // namespace ovardx::odbc
