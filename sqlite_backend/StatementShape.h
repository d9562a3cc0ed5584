#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ovardx/Variant.h"

namespace ovardx::sqlite {

// A T-SQL text as a statement of a shape and the values that vary between
// texts of that shape, so the texts of one shape may share one prepared
// statement with the values as parameters:
// - a trailing "= <whole number>" (one to nine digits, so always an int
//   whatever the value): lookups by id;
// - every plain string literal right after "=" ("FNumber='A' AND
//   FName='B'"): lookups by UUID, number and name;
// - the binary literals of the text, when all hold one value of one
//   length: a page statement's bound.
// Texts that hold the character \x01 (which marks the values in the key)
// have no shape, nor do texts without such values.
//
// Whether the translation really treats each value as an operand it does
// not look into is for the caller to check, with the probe: the same text
// with other values, none of which a translation can take for a date or a
// number where the value is text.
struct StatementShape {
    // A value as the translation writes it, and the other value in the probe.
    struct Literal {
        std::string text;
        std::string probe;
        std::size_t parameter;  // 1-based
        bool everywhere;        // binary: wherever the translation writes it; else once, in text order
    };

    std::string key;              // the text with its values marked; equal for texts of one shape
    std::vector<Variant> values;  // parameter 1, 2, ...: integer, text or bytes
    std::vector<Literal> literals;
    std::string probe;            // the text with the other values
};

std::optional<StatementShape> ShapeOf(std::string_view sql);

}  // namespace ovardx::sqlite
