#include "session/ObjectCall.h"

#include "ovardx/Error.h"
#include "session/ErrorText.h"
#include "session/LocalizedText.h"

namespace ovardx {

std::string NestedCallRefusal(std::string_view source, const std::string& language) noexcept {
    try {
        return BuildErrorText(
            ErrorRecord{errnum::kApplicationError, std::string(source), LoadLocalizedText(kNestedCallText, language)},
            language);
    } catch (...) {
        return kNestedCallText;
    }
}

}  // namespace ovardx
