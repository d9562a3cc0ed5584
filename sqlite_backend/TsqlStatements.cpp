#include "sqlite_backend/TsqlStatements.h"

#include <algorithm>
#include <optional>
#include <string>

namespace ovardx::sqlite {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The tokens of one parenthesis level: the whole statement at the outer level,
// a sub-select, an argument list.
struct Level {
    std::optional<std::string> limit;  // from TOP
    std::size_t lastToken = kNone;     // last significant token at this level
    bool compound = false;             // UNION, EXCEPT or INTERSECT seen
};

class StatementTranslator {
public:
    explicit StatementTranslator(std::vector<Token>& tokens) : tokens_(tokens) {}

    void Run() {
        levels_.emplace_back();
        for (std::size_t i = 0; i < tokens_.size(); ++i) Visit(i);
        // Missing ")" leaves inner levels open; SQLite reports the syntax.
        FinishLevel(levels_.front());
    }

private:
    bool Significant(std::size_t i) const {
        return tokens_[i].kind != TokenKind::Space && tokens_[i].kind != TokenKind::Comment;
    }

    std::size_t NextSignificant(std::size_t i) const {
        for (++i; i < tokens_.size(); ++i) {
            if (Significant(i)) return i;
        }
        return kNone;
    }

    bool IsWord(std::size_t i, std::string_view word) const {
        return i != kNone && tokens_[i].kind == TokenKind::Word && EqualsNoCase(tokens_[i].text, word);
    }
    bool IsKind(std::size_t i, TokenKind kind) const { return i != kNone && tokens_[i].kind == kind; }

    // Whether token i is a word used as a keyword, not as part of a.b.
    bool StandsAlone(std::size_t i) const {
        const bool dotBefore = i > 0 && tokens_[i - 1].text == ".";
        const bool dotAfter = i + 1 < tokens_.size() && tokens_[i + 1].text == ".";
        return !dotBefore && !dotAfter;
    }

    // Drops tokens first..last and the blanks after them.
    void Drop(std::size_t first, std::size_t last) {
        for (std::size_t i = first; i <= last; ++i) tokens_[i].dropped = true;
        for (std::size_t i = last + 1; i < tokens_.size() && !Significant(i); ++i) tokens_[i].dropped = true;
    }

    void FinishLevel(Level& level) {
        if (level.limit && level.lastToken != kNone) tokens_[level.lastToken].trailer += " LIMIT " + *level.limit;
        level = Level{};
    }

    void Visit(std::size_t i) {
        // Dropped tokens (TOP n) are done with.
        if (!Significant(i) || tokens_[i].dropped) return;
        switch (tokens_[i].kind) {
            case TokenKind::Open:
                levels_.back().lastToken = i;
                levels_.emplace_back();
                return;
            case TokenKind::Close:
                if (levels_.size() > 1) {
                    FinishLevel(levels_.back());
                    levels_.pop_back();
                }
                break;
            case TokenKind::Semicolon:
                if (levels_.size() == 1) FinishLevel(levels_.back());
                return;
            case TokenKind::Word: VisitWord(i); break;
            default: break;
        }
        levels_.back().lastToken = i;
    }

    void VisitWord(std::size_t i) {
        const Token& token = tokens_[i];
        const std::size_t next = NextSignificant(i);
        const std::string_view word = token.text;
        Level& level = levels_.back();

        if (EqualsNoCase(word, "SELECT")) {
            VisitSelect(i);
        } else if (EqualsNoCase(word, "UNION") || EqualsNoCase(word, "EXCEPT") || EqualsNoCase(word, "INTERSECT")) {
            if (level.limit) RefuseTranslation(token.offset, "TOP in a branch of a UNION");
            level.compound = true;
        } else if (StandsAlone(i) && (EqualsNoCase(word, "DECLARE") || EqualsNoCase(word, "EXEC") ||
                                      EqualsNoCase(word, "EXECUTE") || EqualsNoCase(word, "GO"))) {
            RefuseTranslation(token.offset, std::string(word) + " (T-SQL batch command)");
        } else if (EqualsNoCase(word, "WITH") && IsKind(next, TokenKind::Open)) {
            RefuseTranslation(token.offset, "table hint WITH (...)");
        } else if (EqualsNoCase(word, "LIKE") && IsKind(next, TokenKind::String) &&
                   tokens_[next].text.find('[') != std::string_view::npos) {
            RefuseTranslation(token.offset, "LIKE pattern with a [ ] character class");
        }
    }

    void VisitSelect(std::size_t select) {
        std::size_t i = NextSignificant(select);
        if (IsWord(i, "DISTINCT") || IsWord(i, "ALL")) i = NextSignificant(i);
        if (!IsWord(i, "TOP")) return;
        const std::size_t top = i;
        Level& level = levels_.back();
        if (level.compound) RefuseTranslation(tokens_[top].offset, "TOP in a branch of a UNION");

        std::size_t last = NextSignificant(top);
        std::optional<std::string> count;
        auto isInteger = [this](std::size_t j) {
            return IsKind(j, TokenKind::Number) && std::all_of(tokens_[j].text.begin(), tokens_[j].text.end(), IsDigit);
        };
        if (isInteger(last)) {
            count = std::string(tokens_[last].text);
        } else if (IsKind(last, TokenKind::Open)) {
            const std::size_t value = NextSignificant(last);
            const std::size_t close = NextSignificant(value);
            if (isInteger(value) && IsKind(close, TokenKind::Close)) {
                count = std::string(tokens_[value].text);
                last = close;
            }
        }
        if (!count) RefuseTranslation(tokens_[top].offset, "TOP without a whole number");
        const std::size_t after = NextSignificant(last);
        if (IsWord(after, "PERCENT")) RefuseTranslation(tokens_[top].offset, "TOP ... PERCENT");
        if (IsWord(after, "WITH") && IsWord(NextSignificant(after), "TIES")) {
            RefuseTranslation(tokens_[top].offset, "TOP ... WITH TIES");
        }
        level.limit = count;
        Drop(top, last);
    }

    std::vector<Token>& tokens_;
    std::vector<Level> levels_;
};

}  // namespace

void TranslateStatements(std::vector<Token>& tokens) { StatementTranslator(tokens).Run(); }

}  // namespace ovardx::sqlite
