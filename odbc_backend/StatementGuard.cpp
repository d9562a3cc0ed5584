#include "odbc_backend/StatementGuard.h"

#include <string>
#include <vector>

#include "ovardx/Error.h"
#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::odbc {

namespace {

constexpr const char* kRefused = "Statement refused: the library's connection runs exactly one query per call; ";

[[noreturn]] void Refuse(const std::string& why) { sqlite::RaiseProviderError(sqlite::kStatementError, kRefused + why); }

bool IsBlank(const sqlite::Token& token) {
    return token.kind == sqlite::TokenKind::Space || token.kind == sqlite::TokenKind::Comment;
}

std::vector<sqlite::Token> Tokens(std::string_view sql) {
    try {
        return sqlite::Tokenize(sql);
    } catch (const Error& error) {
        // The tokenizer speaks of translating; here the text goes nowhere.
        std::string why = error.record().Description;
        constexpr std::string_view kPrefix = "Cannot translate to SQLite: ";
        if (why.starts_with(kPrefix)) why.erase(0, kPrefix.size());
        Refuse("found " + why);
    }
}

}  // namespace

void CheckSingleQuery(std::string_view sql) {
    if (const auto nul = sql.find('\0'); nul != std::string_view::npos)
        Refuse("found a NUL character at character " + std::to_string(nul + 1));
    const std::vector<sqlite::Token> tokens = Tokens(sql);
    const sqlite::Token* first = nullptr;
    bool ended = false;
    for (const sqlite::Token& token : tokens) {
        if (IsBlank(token)) continue;
        if (token.kind == sqlite::TokenKind::Semicolon) {
            ended = true;
            continue;
        }
        if (ended) Refuse("found a second statement at character " + std::to_string(token.offset + 1));
        if (first == nullptr) first = &token;
    }
    // "(SELECT ...) UNION ..." starts with a parenthesis.
    const bool query = first != nullptr && (first->kind == sqlite::TokenKind::Open ||
                                            (first->kind == sqlite::TokenKind::Word &&
                                             EqualsNoCase(first->text, "SELECT")));
    if (!query) Refuse("the text is no SELECT");
}

}  // namespace ovardx::odbc
