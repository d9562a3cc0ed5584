#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovardx::sqlite {

// T-SQL string functions on UTF-8 text. Positions and lengths count
// characters (code points), not bytes; a byte that starts no valid UTF-8
// sequence counts as one character. Searches ignore the case of ASCII
// letters, as SQL Server's default case-insensitive collation does.

std::size_t CharacterCount(std::string_view text);

// The first `count` characters of `text` (all of it when shorter).
std::string_view FirstCharacters(std::string_view text, std::size_t count);

// SUBSTRING(text, start, length): the characters at positions start ..
// start+length-1 that exist (a start below 1 shortens the result). A negative
// length raises kStatementError.
std::string Substring(std::string_view text, std::int64_t start, std::int64_t length);

// LEFT and RIGHT; a negative count raises kStatementError.
std::string Left(std::string_view text, std::int64_t count);
std::string Right(std::string_view text, std::int64_t count);

// CHARINDEX(find, text, start): the 1-based position of the first `find` at
// or after `start` (the beginning when start < 1), 0 when there is none or
// `find` is empty.
std::int64_t CharIndex(std::string_view find, std::string_view text, std::int64_t start = 1);

// REPLACE: every `find`, left to right and not overlapping, replaced; an
// empty `find` changes nothing.
std::string Replace(std::string_view text, std::string_view find, std::string_view replacement);

}  // namespace ovardx::sqlite
