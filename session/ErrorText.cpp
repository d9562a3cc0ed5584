#include "session/ErrorText.h"

#include "session/LocalizedText.h"

namespace ovardx {

std::string BuildErrorText(const ErrorRecord& error, const std::string& language) {
    static constexpr const char* kCrLf = "\r\n";
    // The record is copied before any label is loaded.
    const ErrorRecord record = error;
    return LoadLocalizedText("错误号:", language) + std::to_string(record.Number) + kCrLf +
           LoadLocalizedText("错误源:", language) + record.Source + kCrLf +
           LoadLocalizedText("错误描述:", language) + record.Description;
}

}  // namespace ovardx
