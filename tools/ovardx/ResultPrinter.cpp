#include "tools/ovardx/ResultPrinter.h"

#include <charconv>
#include <cmath>

namespace ovardx::tool {

namespace {

std::string PlainNumber(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : value > 0 ? "Infinity" : "-Infinity";
    // Shortest text that reads back as the same double, without exponent.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

std::string EscapedText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string CellText(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty: return "";
        case Variant::Kind::Null: return "NULL";
        case Variant::Kind::Bool: return value.ToBool() ? "1" : "0";
        case Variant::Kind::Integer: return std::to_string(value.ToInt64());
        case Variant::Kind::Double: return PlainNumber(value.ToDouble());
        case Variant::Kind::Text: return EscapedText(value.ToText());
        case Variant::Kind::Date: return value.ToDate().ToText();
        case Variant::Kind::Bytes: return "0x" + HexDigits(value.AsBytes());
        case Variant::Kind::Record:
        case Variant::Kind::List: return EscapedText(Describe(value));
    }
    return "";
}

void PrintRecordset(std::ostream& out, Recordset& rows) {
    const auto& columns = rows.ColumnNames();
    for (std::size_t i = 0; i < columns.size(); ++i) out << (i ? "\t" : "") << columns[i];
    out << '\n';
    if (rows.RecordCount() == 0) return;
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
        for (std::int32_t i = 0; i < rows.FieldCount(); ++i) out << (i ? "\t" : "") << CellText(rows.Item(i).Value);
        out << '\n';
    }
}

std::string ChangedRowsText(std::int64_t count) {
    return "(" + std::to_string(count) + (count == 1 ? " row affected)" : " rows affected)");
}

}  // namespace ovardx::tool
