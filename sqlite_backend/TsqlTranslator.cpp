#include "sqlite_backend/TsqlTranslator.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

constexpr const char* kLocalNow = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";
constexpr const char* kUtcNow = "strftime('%Y-%m-%d %H:%M:%f','now')";

enum class Kind { Space, Comment, Word, Name, String, Number, Hex, Open, Close, Semicolon, Other };

struct Token {
    Kind kind;
    std::size_t offset;   // into the T-SQL text
    std::string_view text;
    std::string out;      // what the token becomes
    std::string after;    // text added right after it
    bool dropped = false; // removed from the output
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
// T-SQL lets names continue with @, # and $ as well.
bool IsWordPart(char c) { return IsWordStart(c) || IsDigit(c) || c == '@' || c == '#' || c == '$'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

[[noreturn]] void Refuse(std::string_view sql, std::size_t offset, std::string_view what) {
    constexpr std::size_t kSnippet = 40;
    std::string near(sql.substr(offset, kSnippet));
    if (offset + kSnippet < sql.size()) near += "...";
    RaiseProviderError(kStatementError, "Cannot translate to SQLite: " + std::string(what) +
                                            " at character " + std::to_string(offset + 1) +
                                            " near \"" + near + "\"");
}

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
    Refuse(sql, start, what);
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

std::vector<Token> Tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < sql.size()) {
        const std::size_t start = i;
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        Kind kind = Kind::Other;
        std::string out;
        bool outSet = false;
        if (IsSpace(c)) {
            while (i < sql.size() && IsSpace(sql[i])) ++i;
            kind = Kind::Space;
        } else if (c == '-' && next == '-') {
            while (i < sql.size() && sql[i] != '\n') ++i;
            kind = Kind::Comment;
        } else if (c == '/' && next == '*') {
            // T-SQL block comments nest.
            int depth = 0;
            while (i < sql.size()) {
                if (sql.substr(i, 2) == "/*") {
                    ++depth;
                    i += 2;
                } else if (sql.substr(i, 2) == "*/") {
                    i += 2;
                    if (--depth == 0) break;
                } else {
                    ++i;
                }
            }
            if (depth != 0) Refuse(sql, start, "unterminated comment");
            kind = Kind::Comment;
        } else if (c == '\'') {
            i = ScanQuoted(sql, i, '\'', "unterminated string");
            kind = Kind::String;
        } else if ((c == 'N' || c == 'n') && next == '\'') {
            i = ScanQuoted(sql, i + 1, '\'', "unterminated string");
            kind = Kind::String;
            out = std::string(sql.substr(start + 1, i - start - 1));
            outSet = true;
        } else if (c == '"') {
            i = ScanQuoted(sql, i, '"', "unterminated quoted name");
            kind = Kind::Name;
        } else if (c == '[') {
            i = ScanQuoted(sql, i, ']', "unterminated bracketed name");
            kind = Kind::Name;
            out = QuotedName(sql.substr(start, i - start));
            outSet = true;
        } else if (c == '0' && (next == 'x' || next == 'X')) {
            i += 2;
            while (i < sql.size() && IsHexDigit(sql[i])) ++i;
            kind = Kind::Hex;
            out = BinaryLiteral(sql.substr(start + 2, i - start - 2));
            outSet = true;
        } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
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
            kind = Kind::Number;
        } else if (IsWordStart(c)) {
            while (i < sql.size() && IsWordPart(sql[i])) ++i;
            kind = Kind::Word;
        } else if (c == '@') {
            Refuse(sql, start, "variable");
        } else if (c == '#') {
            Refuse(sql, start, "temporary table");
        } else if (c == '?' || c == ':' || c == '$') {
            // SQLite would take these for parameters and bind them to NULL.
            Refuse(sql, start, "parameter marker");
        } else if (c == '(') {
            ++i;
            kind = Kind::Open;
        } else if (c == ')') {
            ++i;
            kind = Kind::Close;
        } else if (c == ';') {
            ++i;
            kind = Kind::Semicolon;
        } else {
            static constexpr std::string_view kPairs[] = {"<>", "!=", "<=", ">=", "!<", "!>", "||", "==", "<<", ">>"};
            const std::string_view two = sql.substr(i, 2);
            i += std::find(std::begin(kPairs), std::end(kPairs), two) != std::end(kPairs) ? 2 : 1;
        }
        const std::string_view text = sql.substr(start, i - start);
        if (kind == Kind::Comment) {
            out = " ";
        } else if (!outSet) {
            out = std::string(text);
        }
        tokens.push_back(Token{kind, start, text, std::move(out), {}, false});
    }
    return tokens;
}

// The tokens of one parenthesis level: the whole statement at the outer level,
// a sub-select, an argument list.
struct Level {
    std::optional<std::string> limit;  // from TOP
    std::size_t lastToken = kNone;     // last significant token at this level
    bool compound = false;             // UNION, EXCEPT or INTERSECT seen
    bool closeTwice = false;           // LEN( gave "LENGTH(RTRIM(": one more ")"
};

class Translator {
public:
    explicit Translator(std::string_view sql) : sql_(sql), tokens_(Tokenize(sql)) {}

    std::string Run() {
        levels_.emplace_back();
        for (std::size_t i = 0; i < tokens_.size(); ++i) Visit(i);
        // Missing ")" leaves inner levels open; SQLite reports the syntax.
        FinishLevel(levels_.front());
        std::string out;
        out.reserve(sql_.size() + 16);
        for (const Token& token : tokens_) {
            out += token.out;
            out += token.after;
        }
        return out;
    }

private:
    bool Significant(std::size_t i) const {
        return tokens_[i].kind != Kind::Space && tokens_[i].kind != Kind::Comment;
    }

    std::size_t NextSignificant(std::size_t i) const {
        for (++i; i < tokens_.size(); ++i) {
            if (Significant(i)) return i;
        }
        return kNone;
    }

    bool IsWord(std::size_t i, std::string_view word) const {
        return i != kNone && tokens_[i].kind == Kind::Word && EqualsNoCase(tokens_[i].text, word);
    }
    bool IsKind(std::size_t i, Kind kind) const { return i != kNone && tokens_[i].kind == kind; }

    // Whether token i is a word used as a keyword, not as part of a.b.
    bool StandsAlone(std::size_t i) const {
        const bool dotBefore = i > 0 && tokens_[i - 1].text == ".";
        const bool dotAfter = i + 1 < tokens_.size() && tokens_[i + 1].text == ".";
        return !dotBefore && !dotAfter;
    }

    void Drop(std::size_t i) {
        tokens_[i].out.clear();
        tokens_[i].dropped = true;
    }

    // Drops tokens first..last and the blanks after them.
    void Drop(std::size_t first, std::size_t last) {
        for (std::size_t i = first; i <= last; ++i) Drop(i);
        for (std::size_t i = last + 1; i < tokens_.size() && !Significant(i); ++i) Drop(i);
    }

    void FinishLevel(Level& level) {
        if (level.limit && level.lastToken != kNone) tokens_[level.lastToken].after += " LIMIT " + *level.limit;
        level = Level{};
    }

    void Visit(std::size_t i) {
        // Dropped tokens (TOP n, the parentheses of GETDATE()) are done with.
        if (!Significant(i) || tokens_[i].dropped) return;
        Token& token = tokens_[i];
        switch (token.kind) {
            case Kind::Open: {
                Level level;
                level.closeTwice = pendingLen_ == i;
                levels_.back().lastToken = i;
                levels_.push_back(level);
                return;
            }
            case Kind::Close:
                if (levels_.size() > 1) {
                    if (levels_.back().closeTwice) token.out = "))";
                    FinishLevel(levels_.back());
                    levels_.pop_back();
                }
                levels_.back().lastToken = i;
                return;
            case Kind::Semicolon:
                if (levels_.size() == 1) FinishLevel(levels_.back());
                return;
            case Kind::Number:
            case Kind::Hex:
                // "16AND" is 16 and AND to the server; SQLite wants a blank.
                if (i + 1 < tokens_.size() && tokens_[i + 1].kind == Kind::Word) token.after = " ";
                break;
            case Kind::Word:
                VisitWord(i);
                break;
            default:
                break;
        }
        levels_.back().lastToken = i;
    }

    void VisitWord(std::size_t i) {
        Token& token = tokens_[i];
        const std::size_t next = NextSignificant(i);
        const bool call = IsKind(next, Kind::Open);
        const std::string_view word = token.text;
        Level& level = levels_.back();

        if (EqualsNoCase(word, "SELECT")) {
            VisitSelect(i);
        } else if (EqualsNoCase(word, "UNION") || EqualsNoCase(word, "EXCEPT") ||
                   EqualsNoCase(word, "INTERSECT")) {
            if (level.limit) Refuse(sql_, token.offset, "TOP in a branch of a UNION");
            level.compound = true;
        } else if (StandsAlone(i) && (EqualsNoCase(word, "DECLARE") || EqualsNoCase(word, "EXEC") ||
                                      EqualsNoCase(word, "EXECUTE") || EqualsNoCase(word, "GO"))) {
            Refuse(sql_, token.offset, std::string(word) + " (T-SQL batch command)");
        } else if (EqualsNoCase(word, "WITH") && call) {
            Refuse(sql_, token.offset, "table hint WITH (...)");
        } else if (call && (EqualsNoCase(word, "CONVERT") || EqualsNoCase(word, "DATEADD") ||
                            EqualsNoCase(word, "DATEDIFF"))) {
            Refuse(sql_, token.offset, "function " + std::string(word));
        } else if (call && EqualsNoCase(word, "ISNULL")) {
            token.out = "IFNULL";
        } else if (call && EqualsNoCase(word, "LEN")) {
            token.out = "LENGTH";
            tokens_[next].out = "(RTRIM(";
            pendingLen_ = next;
        } else if (call && (EqualsNoCase(word, "GETDATE") || EqualsNoCase(word, "SYSDATETIME") ||
                            EqualsNoCase(word, "GETUTCDATE"))) {
            const std::size_t close = NextSignificant(next);
            if (IsKind(close, Kind::Close)) {
                token.out = EqualsNoCase(word, "GETUTCDATE") ? kUtcNow : kLocalNow;
                // The parentheses go; so does any blank between them.
                for (std::size_t j = i + 1; j <= close; ++j) Drop(j);
            }
        } else if (EqualsNoCase(word, "CURRENT_TIMESTAMP") && StandsAlone(i)) {
            // SQLite's CURRENT_TIMESTAMP is UTC; the server's is local time.
            token.out = kLocalNow;
        } else if (EqualsNoCase(word, "LIKE") && IsKind(next, Kind::String) &&
                   tokens_[next].text.find('[') != std::string_view::npos) {
            Refuse(sql_, token.offset, "LIKE pattern with a [ ] character class");
        }
    }

    void VisitSelect(std::size_t select) {
        std::size_t i = NextSignificant(select);
        if (IsWord(i, "DISTINCT") || IsWord(i, "ALL")) i = NextSignificant(i);
        if (!IsWord(i, "TOP")) return;
        const std::size_t top = i;
        Level& level = levels_.back();
        if (level.compound) Refuse(sql_, tokens_[top].offset, "TOP in a branch of a UNION");

        std::size_t last = NextSignificant(top);
        std::optional<std::string> count;
        auto isInteger = [this](std::size_t j) {
            return IsKind(j, Kind::Number) &&
                   std::all_of(tokens_[j].text.begin(), tokens_[j].text.end(), IsDigit);
        };
        if (isInteger(last)) {
            count = std::string(tokens_[last].text);
        } else if (IsKind(last, Kind::Open)) {
            const std::size_t value = NextSignificant(last);
            const std::size_t close = NextSignificant(value);
            if (isInteger(value) && IsKind(close, Kind::Close)) {
                count = std::string(tokens_[value].text);
                last = close;
            }
        }
        if (!count) Refuse(sql_, tokens_[top].offset, "TOP without a whole number");
        const std::size_t after = NextSignificant(last);
        if (IsWord(after, "PERCENT")) Refuse(sql_, tokens_[top].offset, "TOP ... PERCENT");
        if (IsWord(after, "WITH") && IsWord(NextSignificant(after), "TIES")) {
            Refuse(sql_, tokens_[top].offset, "TOP ... WITH TIES");
        }
        level.limit = count;
        Drop(top, last);
    }

    std::string_view sql_;
    std::vector<Token> tokens_;
    std::vector<Level> levels_;
    std::size_t pendingLen_ = kNone;
};

}  // namespace

std::string TranslateTsql(std::string_view tsql) { return Translator(tsql).Run(); }

}  // namespace ovardx::sqlite
