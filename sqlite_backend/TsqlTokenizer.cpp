#include "sqlite_backend/TsqlTokenizer.h"

#include <algorithm>

#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
// T-SQL lets names continue with @, # and $ as well.
bool IsWordPart(char c) { return IsWordStart(c) || IsDigit(c) || c == '@' || c == '#' || c == '$'; }

// Reads text up to `close`, where a doubled `close` stands for itself.
// Answers the end offset (after the closing character).
std::size_t ScanQuoted(std::string_view sql, std::size_t start, char close, std::string_view what) {
    std::size_t i = start + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    RefuseTranslation(start, what);
}

std::string BinaryLiteral(std::string_view digits) {
    std::string out = "X'";
    if (digits.size() % 2 != 0) out += '0';
    out += digits;
    out += '\'';
    return out;
}

// "[a]]b]" -> "\"a]b\"".
std::string QuotedName(std::string_view bracketed) {
    std::string out = "\"";
    for (std::size_t i = 1; i + 1 < bracketed.size(); ++i) {
        const char c = bracketed[i];
        if (c == ']') ++i;  // "]]" stands for "]"
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::size_t ScanNumber(std::string_view sql, std::size_t i) {
    while (i < sql.size() && IsDigit(sql[i])) ++i;
    if (i < sql.size() && sql[i] == '.') {
        ++i;
        while (i < sql.size() && IsDigit(sql[i])) ++i;
    }
    // An exponent only when digits follow: "5end" is 5 and "end".
    if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < sql.size() && IsDigit(sql[j])) {
            i = j;
            while (i < sql.size() && IsDigit(sql[i])) ++i;
        }
    }
    return i;
}

std::size_t ScanBlockComment(std::string_view sql, std::size_t start) {
    // T-SQL block comments nest.
    int depth = 0;
    std::size_t i = start;
    while (i < sql.size()) {
        if (sql.substr(i, 2) == "/*") {
            ++depth;
            i += 2;
        } else if (sql.substr(i, 2) == "*/") {
            i += 2;
            if (--depth == 0) return i;
        } else {
            ++i;
        }
    }
    RefuseTranslation(start, "unterminated comment");
}

}  // namespace

void RefuseTranslation(std::size_t offset, std::string_view what) {
    RaiseProviderError(kStatementError,
                       "Cannot translate to SQLite: " + std::string(what) + " at character " + std::to_string(offset + 1));
}

std::vector<Token> Tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    tokens.reserve(sql.size() / 4);  // about what statements hold; saves moving tokens while growing
    std::size_t i = 0;
    while (i < sql.size()) {
        const std::size_t start = i;
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        TokenKind kind = TokenKind::Other;
        std::string out;
        bool outSet = false;
        if (IsSpace(c)) {
            while (i < sql.size() && IsSpace(sql[i])) ++i;
            kind = TokenKind::Space;
        } else if (c == '-' && next == '-') {
            while (i < sql.size() && sql[i] != '\n') ++i;
            kind = TokenKind::Comment;
        } else if (c == '/' && next == '*') {
            i = ScanBlockComment(sql, i);
            kind = TokenKind::Comment;
        } else if (c == '\'') {
            i = ScanQuoted(sql, i, '\'', "unterminated string");
            kind = TokenKind::String;
        } else if ((c == 'N' || c == 'n') && next == '\'') {
            i = ScanQuoted(sql, i + 1, '\'', "unterminated string");
            kind = TokenKind::String;
            out = std::string(sql.substr(start + 1, i - start - 1));
            outSet = true;
        } else if (c == '"') {
            i = ScanQuoted(sql, i, '"', "unterminated quoted name");
            kind = TokenKind::Name;
        } else if (c == '[') {
            i = ScanQuoted(sql, i, ']', "unterminated bracketed name");
            kind = TokenKind::Name;
            out = QuotedName(sql.substr(start, i - start));
            outSet = true;
        } else if (c == '0' && (next == 'x' || next == 'X')) {
            i += 2;
            while (i < sql.size() && IsHexDigit(sql[i])) ++i;
            kind = TokenKind::Hex;
            out = BinaryLiteral(sql.substr(start + 2, i - start - 2));
            outSet = true;
        } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
            i = ScanNumber(sql, i);
            kind = TokenKind::Number;
        } else if (IsWordStart(c)) {
            while (i < sql.size() && IsWordPart(sql[i])) ++i;
            kind = TokenKind::Word;
        } else if (c == '@') {
            RefuseTranslation(start, "variable");
        } else if (c == '#') {
            RefuseTranslation(start, "temporary table");
        } else if (c == '?' || c == ':' || c == '$') {
            // SQLite would take these for parameters and bind them to NULL.
            RefuseTranslation(start, "parameter marker");
        } else if (c == '(') {
            ++i;
            kind = TokenKind::Open;
        } else if (c == ')') {
            ++i;
            kind = TokenKind::Close;
        } else if (c == ';') {
            ++i;
            kind = TokenKind::Semicolon;
        } else {
            static constexpr std::string_view kPairs[] = {"<>", "!=", "<=", ">=", "!<", "!>", "||", "==", "<<", ">>"};
            const std::string_view two = sql.substr(i, 2);
            i += std::find(std::begin(kPairs), std::end(kPairs), two) != std::end(kPairs) ? 2 : 1;
        }
        const std::string_view text = sql.substr(start, i - start);
        if (kind == TokenKind::Comment) {
            out = " ";
        } else if (!outSet) {
            out = std::string(text);
        }
        tokens.push_back(Token{kind, start, text, std::move(out), {}, {}, {}, false});
    }
    return tokens;
}

std::string Render(const std::vector<Token>& tokens) {
    std::string out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        out += token.before;
        if (!token.dropped) out += token.out;
        out += token.after;
        if (token.dropped) continue;
        out += token.trailer;
        // "16AND" is 16 and AND to the server; SQLite wants a blank.
        const bool number = token.kind == TokenKind::Number || token.kind == TokenKind::Hex;
        if (number && i + 1 < tokens.size() && tokens[i + 1].kind == TokenKind::Word) out += ' ';
    }
    return out;
}

std::string LiteralText(std::string_view token) {
    if (!token.empty() && (token.front() == 'N' || token.front() == 'n')) token.remove_prefix(1);
    std::string text;
    for (std::size_t i = 1; i + 1 < token.size(); ++i) {
        text += token[i];
        if (token[i] == '\'') ++i;
    }
    return text;
}

}  // namespace ovardx::sqlite
