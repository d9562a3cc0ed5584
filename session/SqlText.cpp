#include "session/SqlText.h"

namespace ovardx {

std::string QuoteSqlText(std::string_view value) {
    std::string quoted;
    quoted.reserve(value.size());
    for (char c : value) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

bool IsNullOrEmptyText(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Null:
        case Variant::Kind::Empty: return true;
        case Variant::Kind::Text: return value.ToText().empty();
        default: return false;
    }
}

}  // namespace ovardx
