#include "sqlite_backend/SqlServerStrings.h"

#include <algorithm>
#include <vector>

#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {

namespace {

std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
    if (at + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

// Byte offsets where each character starts, and the size at the end.
std::vector<std::size_t> CharacterOffsets(std::string_view text) {
    std::vector<std::size_t> offsets;
    for (std::size_t at = 0; at < text.size(); at += SequenceLength(text, at)) offsets.push_back(at);
    offsets.push_back(text.size());
    return offsets;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte offset of the first `find` in `text` at or after `from`, ignoring ASCII
// case. UTF-8 is self-synchronizing, so a match starts on a character.
std::size_t FindNoCase(std::string_view text, std::string_view find, std::size_t from) {
    if (find.empty() || from > text.size()) return std::string_view::npos;
    const auto begin = text.begin() + static_cast<std::ptrdiff_t>(from);
    const auto found = std::search(begin, text.end(), find.begin(), find.end(),
                                   [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
    return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

[[noreturn]] void RaiseInvalidLength(std::string_view function) {
    RaiseProviderError(kStatementError,
                       "Invalid length parameter passed to the " + std::string(function) + " function.");
}

std::string Characters(std::string_view text, std::int64_t first, std::int64_t last) {
    const std::vector<std::size_t> offsets = CharacterOffsets(text);
    const auto count = static_cast<std::int64_t>(offsets.size() - 1);
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, count);
    if (last <= first) return {};
    return std::string(text.substr(offsets[static_cast<std::size_t>(first)],
                                   offsets[static_cast<std::size_t>(last)] - offsets[static_cast<std::size_t>(first)]));
}

}  // namespace

std::size_t CharacterCount(std::string_view text) { return CharacterOffsets(text).size() - 1; }

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < count && at < text.size(); ++n) at += SequenceLength(text, at);
    return text.substr(0, at);
}

std::string Substring(std::string_view text, std::int64_t start, std::int64_t length) {
    if (length < 0) RaiseInvalidLength("substring");
    // Positions start .. start+length-1, 1-based. No text is 2^40 characters
    // long, so clamping first keeps the sum from overflowing.
    constexpr std::int64_t kFar = std::int64_t{1} << 40;
    const std::int64_t first = std::clamp(start, -kFar, kFar) - 1;
    return Characters(text, first, first + std::min(length, 2 * kFar));
}

std::string Left(std::string_view text, std::int64_t count) {
    if (count < 0) RaiseInvalidLength("left");
    return Characters(text, 0, count);
}

std::string Right(std::string_view text, std::int64_t count) {
    if (count < 0) RaiseInvalidLength("right");
    const auto total = static_cast<std::int64_t>(CharacterCount(text));
    return Characters(text, total - std::min(count, total), total);
}

std::int64_t CharIndex(std::string_view find, std::string_view text, std::int64_t start) {
    const std::vector<std::size_t> offsets = CharacterOffsets(text);
    const auto count = static_cast<std::int64_t>(offsets.size() - 1);
    const std::int64_t from = std::max<std::int64_t>(start, 1) - 1;
    if (from >= count) return 0;
    const std::size_t at = FindNoCase(text, find, offsets[static_cast<std::size_t>(from)]);
    if (at == std::string_view::npos) return 0;
    return static_cast<std::int64_t>(std::lower_bound(offsets.begin(), offsets.end(), at) - offsets.begin()) + 1;
}

std::string Replace(std::string_view text, std::string_view find, std::string_view replacement) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = FindNoCase(text, find, 0); at != std::string_view::npos;
         at = FindNoCase(text, find, from)) {
        out.append(text.substr(from, at - from));
        out.append(replacement);
        from = at + find.size();
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace ovardx::sqlite
