#include "sqlite_backend/StatementShape.h"

#include <charconv>
#include <cstdint>
#include <map>

#include "ovardx/Error.h"
#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::sqlite {

namespace {

constexpr std::size_t kMaxDigits = 9;  // below 2^31: an int literal for any value
constexpr char kMark = '\x01';
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// The bytes of hex digits, an odd count read with a leading 0 as the
// translation does.
Bytes BytesOfHex(std::string_view digits) {
    Bytes bytes;
    std::size_t at = 0;
    if (digits.size() % 2 != 0) bytes.push_back(static_cast<std::uint8_t>(HexValue(digits[at++])));
    for (; at < digits.size(); at += 2)
        bytes.push_back(static_cast<std::uint8_t>(HexValue(digits[at]) * 16 + HexValue(digits[at + 1])));
    return bytes;
}

bool IsBlank(const Token& token) { return token.kind == TokenKind::Space; }

// The index of the token before `at` that is no blank, or tokens.size().
std::size_t Previous(const std::vector<Token>& tokens, std::size_t at) {
    while (at > 0) {
        if (!IsBlank(tokens[--at])) return at;
    }
    return tokens.size();
}

bool FollowsEquals(const std::vector<Token>& tokens, std::size_t at) {
    const std::size_t before = Previous(tokens, at);
    return before < tokens.size() && tokens[before].text == "=";
}

// The value tokens of a shape, each with the parameter it becomes.
struct ValueToken {
    std::size_t token;
    std::size_t parameter;
};

class ShapeBuilder {
public:
    ShapeBuilder(std::string_view sql, const std::vector<Token>& tokens) : sql_(sql), tokens_(tokens) {}

    std::optional<StatementShape> Build() {
        AddBinaryLiterals();
        AddTexts();
        AddTrailingNumber();
        if (shape_.values.empty()) return std::nullopt;
        // Key and probe: the text with each value token replaced.
        std::size_t done = 0;
        for (std::size_t index = 0; index < tokens_.size(); ++index) {
            const auto found = replaced_.find(index);
            if (found == replaced_.end()) continue;
            const Token& token = tokens_[index];
            const std::string_view between = sql_.substr(done, token.offset - done);
            shape_.key.append(between).append(found->second.mark);
            shape_.probe.append(between).append(found->second.probe);
            done = token.offset + token.text.size();
        }
        shape_.key.append(sql_.substr(done));
        shape_.probe.append(sql_.substr(done));
        return std::move(shape_);
    }

private:
    struct Replacement {
        std::string mark;
        std::string probe;  // the token's text in the probe
    };

    // Its 1-based index; the Variant is made in place from the value.
    template <class Value>
    std::size_t NewParameter(Value value) {
        shape_.values.emplace_back(std::move(value));
        return shape_.values.size();
    }

    // One parameter for every binary literal, when all hold one value.
    void AddBinaryLiterals() {
        const Token* first = nullptr;
        for (const Token& token : tokens_) {
            if (token.kind != TokenKind::Hex) continue;
            if (first == nullptr) first = &token;
            if (token.text.size() <= 2 || token.out != first->out) return;
        }
        if (first == nullptr) return;
        const std::string_view digits = first->text.substr(2);
        // Every digit moves by one, so the other value differs everywhere.
        std::string other = "0x";
        for (const char digit : digits) other += kHexDigits[(HexValue(digit) + 1) % 16];
        const std::size_t parameter = NewParameter(BytesOfHex(digits));
        shape_.literals.push_back({first->out, Tokenize(other).front().out, parameter, true});
        const std::string mark = std::string{kMark, 'B'} + std::to_string(digits.size()) + kMark;
        for (std::size_t index = 0; index < tokens_.size(); ++index)
            if (tokens_[index].kind == TokenKind::Hex) replaced_[index] = {mark, other};
    }

    // A parameter for each plain string literal right after "=".
    void AddTexts() {
        for (std::size_t index = 0; index < tokens_.size(); ++index) {
            const Token& token = tokens_[index];
            if (token.kind != TokenKind::String || token.text.front() != '\'' || !FollowsEquals(tokens_, index))
                continue;
            // A text no translation takes for a date or a number.
            const std::string other = "'x" + std::string(token.text.substr(1));
            const std::size_t parameter = NewParameter(LiteralText(token.text));
            shape_.literals.push_back({token.out, other, parameter, false});
            replaced_[index] = {std::string{kMark, 'T', kMark}, other};
        }
    }

    // A parameter for a whole number that ends the text after "=".
    void AddTrailingNumber() {
        const std::size_t last = Previous(tokens_, tokens_.size());
        if (last == tokens_.size()) return;
        const Token& token = tokens_[last];
        if (token.kind != TokenKind::Number || token.text.size() > kMaxDigits || !FollowsEquals(tokens_, last))
            return;
        for (const char c : token.text)
            if (!IsDigit(c)) return;
        std::int64_t value = 0;
        std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
        // Every digit moves by one, so the other number differs everywhere.
        std::string other(token.text);
        for (char& digit : other) digit = static_cast<char>('0' + (digit - '0' + 1) % 10);
        const std::size_t parameter = NewParameter(value);
        // Values are found in the translation in text order: the number is last.
        shape_.literals.push_back({token.out, other, parameter, false});
        replaced_[last] = {std::string{kMark, 'N', kMark}, other};
    }

    std::string_view sql_;
    const std::vector<Token>& tokens_;
    StatementShape shape_;
    std::map<std::size_t, Replacement> replaced_;  // by token index
};

// The "=" and the number of a text that ends in "= <digits>", found
// without tokenizing, as the tokens would give them; nothing otherwise.
std::vector<Token> TrailingNumberTokens(std::string_view sql) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t last = sql.find_last_not_of(kBlanks);
    if (last == std::string_view::npos || !IsDigit(sql[last])) return {};
    std::size_t first = last + 1;
    while (first > 0 && IsDigit(sql[first - 1])) --first;
    if (last + 1 - first > kMaxDigits || first == 0) return {};
    const std::size_t equals = sql.find_last_not_of(kBlanks, first - 1);
    if (equals == std::string_view::npos || sql[equals] != '=') return {};
    const std::string_view digits = sql.substr(first, last + 1 - first);
    return {Token{TokenKind::Other, equals, sql.substr(equals, 1), "=", {}, {}, {}, false},
            Token{TokenKind::Number, first, digits, std::string(digits), {}, {}, {}, false}};
}

// Without string and binary literals only a trailing number can be a
// value: found without tokenizing, which costs more than the lookup itself.
std::optional<StatementShape> TrailingNumberOnly(std::string_view sql) {
    const std::vector<Token> tokens = TrailingNumberTokens(sql);
    if (tokens.empty()) return std::nullopt;
    return ShapeBuilder(sql, tokens).Build();
}

bool IsHexDigit(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

// Where a token may end before a binary literal, and where one may follow
// it: never inside a name or a number.
bool EndsTokenBefore(char c) {
    return std::string_view(" \t\r\n\f\v(),=<>!+-*/%&|^~;").find(c) != std::string_view::npos;
}
bool ContinuesToken(char c) {
    return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// The value tokens of a text without strings, quoted or bracketed names,
// comments or characters the tokenizer refuses: its binary literals, found
// by a scan that costs a fraction of tokenizing a page statement, and a
// trailing "= number" as TrailingNumberOnly finds it. Nothing when the text
// has any of those, or a "0x" the scan cannot place: the tokens decide.
std::optional<std::vector<Token>> ScannedValueTokens(std::string_view sql) {
    if (sql.find_first_of("'\"[@#?:$") != std::string_view::npos || sql.find("--") != std::string_view::npos ||
        sql.find("/*") != std::string_view::npos)
        return std::nullopt;
    std::vector<Token> tokens;
    for (std::size_t at = 0; (at = sql.find('0', at)) != std::string_view::npos;) {
        if (at + 1 >= sql.size() || (sql[at + 1] | 0x20) != 'x') {
            ++at;
            continue;
        }
        if (at > 0 && !EndsTokenBefore(sql[at - 1])) {
            if (sql[at - 1] == '.' || !ContinuesToken(sql[at - 1])) return std::nullopt;
            at += 2;  // inside a name or a number
            continue;
        }
        // After "1e-" the digits may still be the number's exponent.
        if (at > 1 && (sql[at - 1] == '-' || sql[at - 1] == '+') && ContinuesToken(sql[at - 2])) return std::nullopt;
        std::size_t end = at + 2;
        while (end < sql.size() && IsHexDigit(sql[end])) ++end;
        if (end < sql.size() && ContinuesToken(sql[end])) return std::nullopt;
        const std::string_view text = sql.substr(at, end - at);
        tokens.push_back(Token{TokenKind::Hex, at, text, Tokenize(text).front().out, {}, {}, {}, false});
        at = end;
    }
    for (Token& token : TrailingNumberTokens(sql)) {
        if (!tokens.empty() && token.offset < tokens.back().offset + tokens.back().text.size()) return std::nullopt;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace

std::optional<StatementShape> ShapeOf(std::string_view sql) {
    if (sql.find(kMark) != std::string_view::npos) return std::nullopt;
    if (sql.find('\'') == std::string_view::npos && sql.find("0x") == std::string_view::npos &&
        sql.find("0X") == std::string_view::npos)
        return TrailingNumberOnly(sql);
    if (std::optional<std::vector<Token>> tokens = ScannedValueTokens(sql)) return ShapeBuilder(sql, *tokens).Build();
    std::vector<Token> tokens;
    try {
        tokens = Tokenize(sql);
    } catch (const Error&) {
        return std::nullopt;  // the translation reports it
    }
    return ShapeBuilder(sql, tokens).Build();
}

}  // namespace ovardx::sqlite
