#pragma once

#include <string>

namespace ovardx {

// Base name of the library's resource file of localized texts.
inline constexpr const char* kResourceFileBaseName = "ArAp";

// The text to show for defaultText (a Chinese text written into the code) in
// the given language, as the thread's resource loader ("Q5RESLOADER.Loader")
// answers it from the resource file "ArAp" in the library's folder. The
// loader is created on the thread's first call and kept for the thread's
// life; its properties are set again on every call. Any failure (no loader
// registered, no catalog, no entry, a null answer) gives defaultText.
// Never throws.
std::string LoadLocalizedText(const std::string& defaultText, const std::string& language) noexcept;

}  // namespace ovardx
