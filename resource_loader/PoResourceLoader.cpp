#include "resource_loader/PoResourceLoader.h"

#include "ovardx/Error.h"
#include "resource_loader/PoCatalog.h"

namespace ovardx {

namespace {

// The language and base name become part of a file name; they must not
// reach outside the resource folder.
void RequirePlainName(const std::string& what, const std::string& name) {
    if (name.find('/') != std::string::npos || name.find("..") != std::string::npos ||
        name.find('\0') != std::string::npos)
        Raise(errnum::kInvalidProcedureCall, kResourceLoaderProgId,
              "the " + what + " '" + name + "' is not a plain name");
}

[[noreturn]] void RaiseNoTranslation(const std::string& file, const std::string& text, const char* why) {
    Raise(errnum::kApplicationError, kResourceLoaderProgId,
          "catalog '" + file + "': the text '" + text + "' " + why);
}

}  // namespace

Variant PoResourceLoader::LoadString(std::string& defaultText) {
    RequirePlainName("language", language_);
    RequirePlainName("resource file name", baseName_);
    const std::string file = directory_ + "/" + baseName_ + "." + language_ + ".po";
    const auto catalog = PoCatalog::Load(file);
    // The empty msgid is the catalog's header, never a translation.
    const PoCatalog::Entry* entry = defaultText.empty() ? nullptr : catalog->Find(defaultText);
    if (entry == nullptr) RaiseNoTranslation(file, defaultText, "has no entry");
    if (entry->Fuzzy) RaiseNoTranslation(file, defaultText, "has only a fuzzy translation");
    if (entry->Translation.empty()) RaiseNoTranslation(file, defaultText, "is not translated");
    return Variant(entry->Translation);
}

std::shared_ptr<ResourceLoader> CreateResourceLoader() { return std::make_shared<PoResourceLoader>(); }

}  // namespace ovardx
