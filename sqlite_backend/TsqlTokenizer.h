#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "object_library/Text.h"

namespace ovardx::sqlite {

enum class TokenKind { Space, Comment, Word, Name, String, Number, Hex, Open, Close, Semicolon, Other };

// One token of T-SQL text and what the translation makes of it. The
// translation patches tokens in place; Render joins them again, so text the
// translation leaves alone keeps its exact form.
struct Token {
    TokenKind kind;
    std::size_t offset;     // into the T-SQL text
    std::string_view text;  // as written
    std::string out;        // what the token becomes
    std::string before;     // text put in front of it (opening a rewrite)
    std::string after;      // text put behind it (closing a rewrite)
    std::string trailer;    // behind `after`: the LIMIT of a SELECT
    bool dropped = false;   // removed, `out` and `trailer` with it
};

// Splits T-SQL into tokens. Already translated by the token alone: N'text' to
// 'text', [name] to "name", 0x0A1B to X'0A1B' (an odd digit count gets a
// leading 0), comments to a blank. Refuses (see RefuseTranslation)
// unterminated strings, names and comments, @variables, #temporary tables
// and parameter markers (? : $), which SQLite would bind to NULL.
std::vector<Token> Tokenize(std::string_view sql);

// The SQLite text of the tokens. A number directly followed by a word
// ("16AND") gets a blank between them.
std::string Render(const std::vector<Token>& tokens);

// Raises the translator's refusal: ovardx::Error with kStatementError, the
// provider's source and "Cannot translate to SQLite: <what> at character
// <offset + 1>". The statement itself is never quoted: it may hold private
// filter values.
[[noreturn]] void RefuseTranslation(std::size_t offset, std::string_view what);

// The text a string literal token ('it''s' or N'...') stands for.
std::string LiteralText(std::string_view token);

}  // namespace ovardx::sqlite
