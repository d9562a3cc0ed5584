#pragma once

#include <string>

#include "ovardx/Variant.h"

namespace ovardx {

inline constexpr const char* kResourceLoaderProgId = "Q5RESLOADER.Loader";

// The localized-resource loader component ("Q5RESLOADER.Loader"): finds the
// translation of a default text in the resource file <ResFileBaseName> of the
// language <LanguageID> in <ResDirectory>. Raises an error when it cannot.
class ResourceLoader {
public:
    virtual ~ResourceLoader() = default;
    virtual void ResDirectory(const std::string& directory) = 0;
    virtual void ResFileBaseName(const std::string& baseName) = 0;
    virtual void LanguageID(const std::string& language) = 0;
    virtual Variant LoadString(std::string& defaultText) = 0;
};

}  // namespace ovardx
