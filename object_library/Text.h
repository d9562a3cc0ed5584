#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace ovardx {

// Helpers for the keys and keywords of connection strings, property strings
// and statements. ASCII only, whatever the process's locale: these texts
// are matched against fixed English words.

inline bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// text without white space at either end.
inline std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
    return text;
}

// text without blanks (spaces only) at either end, as SQL Server trims
// values it converts.
inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Equal but for the case of ASCII letters.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Where needle first occurs in text but for the case of ASCII letters, or
// npos.
inline std::size_t FindNoCase(std::string_view text, std::string_view needle) {
    const auto found = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                   [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
    if (found == text.end() && !needle.empty()) return std::string_view::npos;
    return static_cast<std::size_t>(found - text.begin());
}

}  // namespace ovardx
