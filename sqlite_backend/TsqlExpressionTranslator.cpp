#include "sqlite_backend/TsqlExpressionTranslator.h"

#include <algorithm>

#include "sqlite_backend/TsqlExpressions.h"

namespace ovardx::sqlite {

namespace {

constexpr int kMaxDepth = 200;

// Words that are never a column in an expression: they end it, or open a
// clause.
constexpr std::string_view kReserved[] = {
    "add",      "all",       "alter",    "and",       "any",     "apply",    "as",        "asc",
    "attach",   "begin",     "between",  "by",        "case",    "collate",  "commit",    "create",
    "cross",    "delete",    "desc",     "detach",    "distinct", "drop",    "else",      "end",
    "escape",   "except",    "exists",   "fetch",     "for",     "from",     "full",      "group",
    "having",   "in",        "index",    "inner",     "insert",  "intersect", "into",     "is",
    "join",     "left",      "like",     "limit",     "natural", "not",      "null",      "offset",
    "on",       "option",    "or",       "order",     "outer",   "over",     "percent",   "pragma",
    "release",  "returning", "right",    "rollback",  "savepoint", "select", "set",       "some",
    "table",    "then",      "ties",     "top",       "union",   "update",   "using",     "values",
    "when",     "where",
};

bool IsReserved(std::string_view word) {
    return std::any_of(std::begin(kReserved), std::end(kReserved),
                       [&](std::string_view r) { return EqualsNoCase(word, r); });
}

bool IsAnyOf(std::string_view word, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return EqualsNoCase(word, w); });
}

// The name a Name token stands for: "a b" and [a b] are both a b.
std::string Unquoted(std::string_view name) {
    if (name.size() < 2 || (name.front() != '"' && name.front() != '[')) return std::string(name);
    const char close = name.front() == '"' ? '"' : ']';
    std::string out;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        out += name[i];
        if (name[i] == close) ++i;
    }
    return out;
}

ValueType TypeOfColumn(std::optional<ColumnKind> kind) {
    if (!kind) return ValueType::Unknown;
    switch (*kind) {
        case ColumnKind::Text: return ValueType::Text;
        case ColumnKind::Integer: return ValueType::Integer;
        case ColumnKind::Decimal: return ValueType::Decimal;
        case ColumnKind::DateTime: return ValueType::DateTime;
        case ColumnKind::Binary: return ValueType::Binary;
        case ColumnKind::Bit: return ValueType::Bit;
        case ColumnKind::Ambiguous: break;
    }
    return ValueType::Unknown;
}

ValueType TypeOfNumber(std::string_view text) {
    // SQL Server: digits alone are an int up to 2^31-1, a decimal beyond; a
    // point makes a decimal, an exponent a float.
    if (text.find_first_not_of("0123456789") != std::string_view::npos) return ValueType::Decimal;
    const std::string_view digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    return digits.size() < 10 || (digits.size() == 10 && digits <= "2147483647") ? ValueType::Integer
                                                                                  : ValueType::Decimal;
}

}  // namespace

void TranslateExpressions(std::vector<Token>& tokens, const ColumnTypes& types) {
    ExpressionTranslator(tokens, types).Run();
}

// --- cursor -------------------------------------------------------------------------

std::size_t ExpressionTranslator::NextAfter(std::size_t token) const {
    for (std::size_t i = token == kNoToken ? 0 : token + 1; i < tokens_.size(); ++i) {
        const Token& t = tokens_[i];
        if (t.kind != TokenKind::Space && t.kind != TokenKind::Comment && !t.dropped) return i;
    }
    return kNoToken;
}

std::size_t ExpressionTranslator::Peek() const {
    if (pos_ >= tokens_.size()) return kNoToken;
    const Token& t = tokens_[pos_];
    if (t.kind != TokenKind::Space && t.kind != TokenKind::Comment && !t.dropped) return pos_;
    return NextAfter(pos_);
}

std::size_t ExpressionTranslator::Advance() {
    const std::size_t current = Peek();
    pos_ = current == kNoToken ? tokens_.size() : current + 1;
    return current;
}

bool ExpressionTranslator::IsWordAt(std::size_t token, std::string_view word) const {
    return token != kNoToken && tokens_[token].kind == TokenKind::Word && EqualsNoCase(tokens_[token].text, word);
}

bool ExpressionTranslator::AtWord(std::string_view word) const { return IsWordAt(Peek(), word); }

bool ExpressionTranslator::AtText(std::string_view text) const {
    const std::size_t i = Peek();
    return i != kNoToken && tokens_[i].kind == TokenKind::Other && tokens_[i].text == text;
}

bool ExpressionTranslator::AtKind(TokenKind kind) const {
    const std::size_t i = Peek();
    return i != kNoToken && tokens_[i].kind == kind;
}

ExpressionTranslator::Nesting::Nesting(ExpressionTranslator& owner) : owner_(owner) {
    if (++owner_.depth_ > kMaxDepth) {
        const std::size_t at = owner_.Peek();
        RefuseTranslation(at == kNoToken ? 0 : owner_.Offset(at), "expression nested too deeply");
    }
}

// --- patches --------------------------------------------------------------------------

void ExpressionTranslator::Wrap(Operand& operand, std::string_view before, std::string_view after) {
    Token& first = tokens_[operand.first];
    first.before = std::string(before) + first.before;
    tokens_[operand.last].after += after;
}

void ExpressionTranslator::DropTokens(std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last && i < tokens_.size(); ++i) tokens_[i].dropped = true;
}

// --- statements and clauses -------------------------------------------------------

void ExpressionTranslator::Run() {
    while (Peek() != kNoToken) {
        ScanClauses(false);
        Advance();  // a ")" without its "(": SQLite reports it
    }
}

void ExpressionTranslator::SkipGroup() {
    Nesting nesting(*this);
    Advance();  // "("
    for (std::size_t i = Peek(); i != kNoToken; i = Peek()) {
        if (tokens_[i].kind == TokenKind::Close) {
            Advance();
            return;
        }
        if (tokens_[i].kind == TokenKind::Open) {
            SkipGroup();
        } else {
            Advance();
        }
    }
}

bool ExpressionTranslator::StartsSkippedStatement() const {
    const std::size_t first = Peek();
    return first != kNoToken && tokens_[first].kind == TokenKind::Word &&
           IsAnyOf(tokens_[first].text, {"create", "alter", "drop", "pragma", "attach", "detach", "begin", "commit",
                                         "end", "rollback", "savepoint", "release", "vacuum", "reindex", "analyze",
                                         "explain"});
}

bool ExpressionTranslator::StartsTrigger() const {
    std::size_t i = Peek();
    if (!IsWordAt(i, "create")) return false;
    i = NextAfter(i);
    if (IsWordAt(i, "temp") || IsWordAt(i, "temporary")) i = NextAfter(i);
    return IsWordAt(i, "trigger");
}

bool ExpressionTranslator::TakeClauseKeyword(Clauses& state) {
    const std::size_t i = Peek();
    const std::string_view word = tokens_[i].text;
    const std::size_t next = NextAfter(i);
    const bool call = next != kNoToken && tokens_[next].kind == TokenKind::Open;
    if (EqualsNoCase(word, "select")) {
        state.clause = Clause::Expressions;
        state.sorting = false;
        if (!state.firstItemSeen) state.firstItemPending = true;
    } else if (state.clause == Clause::Skip || (IsAnyOf(word, {"left", "right"}) && call)) {
        return false;  // DDL keeps its words; LEFT( and RIGHT( are functions
    } else if (IsAnyOf(word, {"from", "join", "into", "update", "apply", "table", "insert", "delete"}) ||
               (EqualsNoCase(word, "with") && !call)) {
        state.clause = Clause::Tables;
        state.tablesKeyword = i;
    } else if (IsAnyOf(word, {"where", "on", "having", "set", "values", "limit", "offset", "returning"})) {
        state.clause = Clause::Expressions;
        state.sorting = false;
    } else if (EqualsNoCase(word, "by")) {
        state.clause = Clause::Expressions;
        state.sorting = IsWordAt(state.lastKeyword, "order") || IsWordAt(state.lastKeyword, "group");
    } else if (!IsAnyOf(word, {"group", "order", "inner", "left", "right", "full", "outer", "cross", "natural",
                               "union", "except", "intersect", "all", "distinct", "as", "asc", "desc"})) {
        return false;
    }
    state.lastKeyword = i;
    Advance();
    return true;
}

void ExpressionTranslator::ScanTableToken(const Clauses& state) {
    const std::size_t i = Peek();
    const Token& token = tokens_[i];
    if (token.kind == TokenKind::Open) {
        Advance();
        ScanClauses(true);
        if (AtKind(TokenKind::Close)) Advance();
        return;
    }
    const std::size_t next = NextAfter(i);
    if ((token.kind == TokenKind::Word || token.kind == TokenKind::Name) && next != kNoToken &&
        tokens_[next].kind == TokenKind::Open) {
        // INSERT INTO t(a, b) and WITH x(a) AS name columns; FROM f(...)
        // calls a table-valued function SQLite lacks.
        const std::size_t keyword = state.tablesKeyword;
        if (!IsWordAt(keyword, "into") && !IsWordAt(keyword, "with") && !IsWordAt(keyword, "table"))
            RefuseTranslation(token.offset, "table-valued function " + std::string(token.text));
        Advance();
        SkipGroup();
        return;
    }
    Advance();
}

void ExpressionTranslator::ScanExpressionItem(Clauses& state) {
    if (AtText(",")) {
        Advance();
        return;
    }
    Operand item = ParseExpression();
    if (!item.Exists()) {
        Advance();  // a word that opens nothing here: SQLite judges it
        return;
    }
    if (state.firstItemPending) {
        state.firstItem = item.type;
        state.firstItemPending = false;
        state.firstItemSeen = true;
    }
    if (state.sorting) SortCollation(item);
}

ValueType ExpressionTranslator::ScanClauses(bool nested) {
    Nesting nesting(*this);
    // A trigger's body is SQLite's own (RAISE, NEW.x) and holds ";": skipped
    // whole, to its END.
    bool trigger = !nested && StartsTrigger();
    Clauses state;
    state.clause = StartsSkippedStatement() ? Clause::Skip : Clause::Expressions;
    while (true) {
        const std::size_t i = Peek();
        if (i == kNoToken) return state.firstItem;
        const Token& token = tokens_[i];
        if (token.kind == TokenKind::Semicolon) {
            Advance();
            if (!nested && !trigger) {
                trigger = StartsTrigger();
                state.clause = StartsSkippedStatement() ? Clause::Skip : Clause::Expressions;
            }
            state.sorting = false;
            continue;
        }
        if (trigger) {
            if (IsWordAt(i, "end")) trigger = false;
            if (token.kind == TokenKind::Open) {
                SkipGroup();
            } else {
                Advance();
            }
            continue;
        }
        // The ")" of a nested level is the caller's; a stray one at the top
        // too (Run steps over it).
        if (token.kind == TokenKind::Close) return state.firstItem;
        if (token.kind == TokenKind::Word && TakeClauseKeyword(state)) continue;
        switch (state.clause) {
            case Clause::Skip:
                if (token.kind == TokenKind::Open) {
                    SkipGroup();
                } else {
                    Advance();
                }
                break;
            case Clause::Tables: ScanTableToken(state); break;
            case Clause::Expressions: ScanExpressionItem(state); break;
        }
    }
}

// --- expressions --------------------------------------------------------------------

Operand ExpressionTranslator::Condition(const Operand& left, std::size_t op, const Operand& right) const {
    Operand result;
    result.first = left.Exists() ? left.first : op;
    result.last = right.Exists() ? right.last : (op != kNoToken ? op : left.last);
    result.type = ValueType::Condition;
    result.primary = false;
    return result;
}

Operand ExpressionTranslator::ParseExpression() {
    Nesting nesting(*this);
    Operand left = ParseAnd();
    while (left.Exists() && AtWord("or")) {
        const std::size_t op = Advance();
        const Operand right = ParseAnd();
        left = Condition(left, op, right);
    }
    return left;
}

Operand ExpressionTranslator::ParseAnd() {
    Operand left = ParseNot();
    while (left.Exists() && AtWord("and")) {
        const std::size_t op = Advance();
        const Operand right = ParseNot();
        left = Condition(left, op, right);
    }
    return left;
}

Operand ExpressionTranslator::ParseNot() {
    if (!AtWord("not")) return ParsePredicate();
    Nesting nesting(*this);
    const std::size_t op = Advance();
    const Operand operand = ParseNot();
    return Condition(Operand{}, op, operand);
}

Operand ExpressionTranslator::ParsePredicate() {
    Operand left = ParseAdditive();
    if (!left.Exists()) return left;
    const std::size_t i = Peek();
    if (i == kNoToken) return left;
    const Token& token = tokens_[i];
    if (token.kind == TokenKind::Other) {
        static constexpr std::string_view kComparisons[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
        if (token.text == "==") RefuseTranslation(token.offset, "operator ==");
        if (std::find(std::begin(kComparisons), std::end(kComparisons), token.text) == std::end(kComparisons))
            return left;
        const std::size_t op = Advance();
        if (AtWord("all") || AtWord("any") || AtWord("some")) {
            // SQLite has no quantified comparisons.
            RefuseTranslation(Offset(Peek()), "comparison with " + std::string(tokens_[Peek()].text) + " (...)");
        }
        return Comparison(left, op, ParseAdditive());
    }
    std::size_t negation = kNoToken;
    if (AtWord("not") && (IsWordAt(NextAfter(i), "like") || IsWordAt(NextAfter(i), "in") ||
                          IsWordAt(NextAfter(i), "between"))) {
        negation = Advance();
    }
    if (AtWord("like")) {
        const std::size_t op = Advance();
        Operand pattern = ParseAdditive();
        if (AtWord("escape")) {
            Advance();
            const Operand escape = ParseAdditive();
            if (escape.Exists()) pattern.last = escape.last;
        }
        return Like(left, op, pattern);
    }
    if (AtWord("in")) {
        const std::size_t op = Advance();
        return ParseInList(left, op);
    }
    if (AtWord("between")) {
        const std::size_t op = Advance();
        Operand low = ParseAdditive();
        Operand high;
        if (AtWord("and")) {
            Advance();
            high = ParseAdditive();
        }
        if (low.Exists()) Compare(left, low, op, true);
        if (high.Exists()) Compare(left, high, op, !low.Exists());
        return Condition(left, op, high.Exists() ? high : low);
    }
    if (negation != kNoToken) return Condition(left, negation, Operand{});
    if (AtWord("is")) {
        const std::size_t op = Advance();
        if (AtWord("not")) Advance();
        Operand value = ParseAdditive();
        return Condition(left, op, value);
    }
    return left;
}

Operand ExpressionTranslator::ParseInList(Operand left, std::size_t in) {
    if (!AtKind(TokenKind::Open)) return Condition(left, in, Operand{});
    const std::size_t open = Advance();
    Operand list;
    list.first = open;
    list.last = open;
    if (AtWord("select") || AtWord("with")) {
        CompareWithQuery(left, ScanClauses(true), in);
    } else {
        bool patchLeft = true;
        while (true) {
            Operand item = ParseExpression();
            if (!item.Exists()) break;
            Compare(left, item, in, patchLeft);
            patchLeft = false;
            if (!AtText(",")) break;
            Advance();
        }
    }
    list.last = TakeClose(open);
    return Condition(left, in, list);
}

Operand ExpressionTranslator::ParseAdditive() {
    Operand left = ParseMultiplicative();
    while (left.Exists()) {
        const std::size_t i = Peek();
        if (i == kNoToken || tokens_[i].kind != TokenKind::Other) break;
        const std::string_view op = tokens_[i].text;
        if (op == "||" || op == "<<" || op == ">>") RefuseTranslation(tokens_[i].offset, "operator " + std::string(op));
        if (op != "+" && op != "-" && op != "&" && op != "|" && op != "^") break;
        Advance();
        left = Arithmetic(left, i, ParseMultiplicative());
    }
    return left;
}

Operand ExpressionTranslator::ParseMultiplicative() {
    Operand left = ParseUnary();
    while (left.Exists() && (AtText("*") || AtText("/") || AtText("%"))) {
        const std::size_t op = Advance();
        left = Arithmetic(left, op, ParseUnary());
    }
    return left;
}

Operand ExpressionTranslator::ParseUnary() {
    if (!AtText("-") && !AtText("+") && !AtText("~")) return ParsePostfix();
    Nesting nesting(*this);
    const std::size_t op = Advance();
    return Negation(op, ParseUnary());
}

Operand ExpressionTranslator::ParsePostfix() {
    Operand operand = ParsePrimary();
    if (operand.Exists() && AtWord("collate")) {
        // SQL Server's collation names mean nothing to SQLite.
        RefuseTranslation(Offset(Peek()), "COLLATE clause");
    }
    return operand;
}

Operand ExpressionTranslator::ParsePrimary() {
    const std::size_t i = Peek();
    if (i == kNoToken) return {};
    const Token& token = tokens_[i];
    Operand operand;
    operand.first = i;
    operand.last = i;
    switch (token.kind) {
        case TokenKind::String:
            Advance();
            operand.type = ValueType::Text;
            operand.literal = i;
            return operand;
        case TokenKind::Number:
            Advance();
            operand.type = TypeOfNumber(token.text);
            return operand;
        case TokenKind::Hex:
            Advance();
            operand.type = ValueType::Binary;
            return operand;
        case TokenKind::Name: return ParseColumn();
        case TokenKind::Open: return ParseParenthesized();
        case TokenKind::Other:
            if (token.text == "*") {  // SELECT *, COUNT(*)
                Advance();
                return operand;
            }
            return {};
        case TokenKind::Word: break;
        default: return {};
    }
    const std::size_t next = NextAfter(i);
    const bool call = next != kNoToken && tokens_[next].kind == TokenKind::Open;
    if (EqualsNoCase(token.text, "null")) {
        Advance();
        operand.type = ValueType::Null;
        return operand;
    }
    if (EqualsNoCase(token.text, "case")) return ParseCase();
    if (EqualsNoCase(token.text, "exists") && call) {
        Advance();
        Operand query = ParseParenthesized();
        query.first = i;
        query.type = ValueType::Condition;
        return query;
    }
    if (EqualsNoCase(token.text, "current_timestamp")) {
        Advance();
        tokens_[i].out = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";
        operand.type = ValueType::DateTime;
        return operand;
    }
    if (call && (!IsReserved(token.text) || IsAnyOf(token.text, {"left", "right"}))) return ParseCall(i);
    if (IsReserved(token.text)) return {};
    return ParseColumn();
}

Operand ExpressionTranslator::ParseColumn() {
    // name, a.name, a.b.name, a.*
    Operand operand;
    operand.first = Peek();
    std::size_t last = Advance();
    while (AtText(".")) {
        const std::size_t dot = Advance();
        const std::size_t part = Peek();
        if (part == kNoToken ||
            !(tokens_[part].kind == TokenKind::Word || tokens_[part].kind == TokenKind::Name ||
              (tokens_[part].kind == TokenKind::Other && tokens_[part].text == "*"))) {
            last = dot;
            break;
        }
        last = Advance();
        if (tokens_[last].kind == TokenKind::Word && AtKind(TokenKind::Open)) return ParseCall(last);
    }
    operand.last = last;
    operand.collation = Collation::Column;
    const Token& name = tokens_[last];
    operand.type = name.kind == TokenKind::Other ? ValueType::Unknown : TypeOfColumn(types_.Find(Unquoted(name.text)));
    return operand;
}

Operand ExpressionTranslator::ParseParenthesized() {
    Nesting nesting(*this);
    const std::size_t open = Advance();
    Operand operand;
    operand.first = open;
    if (AtWord("select") || AtWord("with")) {
        operand.type = ScanClauses(true);
        operand.last = TakeClose(open);
        return operand;
    }
    const Operand inner = ParseExpression();
    if (AtText(",")) {
        // A row value or a list: nothing to type.
        while (AtText(",")) {
            Advance();
            ParseExpression();
        }
        operand.last = TakeClose(open);
        return operand;
    }
    operand.last = TakeClose(inner.Exists() ? inner.last : open);
    if (!inner.Exists()) return operand;
    operand.type = inner.type;
    operand.collation = inner.collation;  // SQLite keeps a column's collation through parentheses
    operand.literal = inner.literal;
    return operand;
}

std::size_t ExpressionTranslator::TakeClose(std::size_t fallback) {
    if (AtKind(TokenKind::Close)) return Advance();
    return fallback;  // unbalanced: SQLite reports it
}

Operand ExpressionTranslator::ParseCase() {
    Nesting nesting(*this);
    const std::size_t start = Advance();
    Operand subject;
    if (!AtWord("when")) subject = ParseExpression();
    std::vector<Operand> results;
    bool patchSubject = true;
    std::size_t last = start;
    while (AtWord("when") || AtWord("then") || AtWord("else")) {
        const std::size_t keyword = Advance();
        Operand value = ParseExpression();
        if (!value.Exists()) continue;
        last = value.last;
        if (EqualsNoCase(tokens_[keyword].text, "when")) {
            if (subject.Exists()) {
                Compare(subject, value, keyword, patchSubject);
                patchSubject = false;
            }
        } else {
            results.push_back(value);
        }
    }
    if (AtWord("end")) last = Advance();
    Operand operand;
    operand.first = start;
    operand.last = last;
    operand.type = Unify(results, start, "CASE");
    return operand;
}

}  // namespace ovardx::sqlite
