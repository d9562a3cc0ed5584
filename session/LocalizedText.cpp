#include "session/LocalizedText.h"

#include <memory>

#include "object_library/LibraryFolder.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/ResourceLoader.h"

namespace ovardx {

namespace {

thread_local std::shared_ptr<ResourceLoader> t_loader;

}  // namespace

std::string LoadLocalizedText(const std::string& defaultText, const std::string& language) noexcept {
    try {
        if (!t_loader) t_loader = ComponentRegistry::Create<ResourceLoader>(kResourceLoaderProgId);
        t_loader->ResDirectory(LibraryFolder());
        t_loader->ResFileBaseName(kResourceFileBaseName);
        t_loader->LanguageID(language);
        std::string key = defaultText;
        return t_loader->LoadString(key).ToText();
    } catch (...) {
        return defaultText;
    }
}

}  // namespace ovardx
