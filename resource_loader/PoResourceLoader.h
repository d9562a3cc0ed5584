#pragma once

#include <memory>
#include <string>

#include "ovardx/ResourceLoader.h"

namespace ovardx {

// The resource loader over gettext PO catalogs: LoadString answers the
// msgstr of the entry whose msgid is the default text, from the catalog
// <ResDirectory>/<ResFileBaseName>.<LanguageID>.po. It raises an error (the
// caller then shows the default text) when the language or base name holds
// "/" or "..", the catalog is missing or unreadable, or the entry is
// missing, empty or fuzzy. Catalogs are parsed once per file version and
// shared between loaders.
class PoResourceLoader final : public ResourceLoader {
public:
    void ResDirectory(const std::string& directory) override { directory_ = directory; }
    void ResFileBaseName(const std::string& baseName) override { baseName_ = baseName; }
    void LanguageID(const std::string& language) override { language_ = language; }
    Variant LoadString(std::string& defaultText) override;

private:
    std::string directory_;
    std::string baseName_;
    std::string language_;
};

// The factory registered for "Q5RESLOADER.Loader".
std::shared_ptr<ResourceLoader> CreateResourceLoader();

}  // namespace ovardx
