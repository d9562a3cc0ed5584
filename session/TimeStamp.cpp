#include "session/TimeStamp.h"

#include <algorithm>

namespace ovardx {

std::string TimeStampToHex(const Variant& value) noexcept {
    try {
        if (value.kind() != Variant::Kind::Bytes) return kZeroTimeStamp;
        return "0x" + HexDigits(value.AsBytes());
    } catch (...) {
        return kZeroTimeStamp;
    }
}

bool IsTimeStampText(std::string_view text) noexcept {
    if (text.empty()) return true;
    if (!text.starts_with("0x")) return false;
    text.remove_prefix(2);
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

}  // namespace ovardx
