#include "session/SchemaFolder.h"

#include "object_library/ObjectLibraryGlobals.h"
#include "ovardx/Error.h"
#include "session/XmlBridge.h"

namespace ovardx {

namespace {

std::string& ThreadSchemaFolder() {
    thread_local std::string folder;
    return folder;
}

}  // namespace

const std::string& SchemaFolder() { return ThreadSchemaFolder(); }

void EnsureSchemaFolder() {
    std::string& folder = ThreadSchemaFolder();
    if (!folder.empty()) return;
    std::shared_ptr<RegistryReader> registry = ObjectLibraryGlobals::ForThisThread().Registry();
    if (!registry) RaiseRuntime(errnum::kObjectRequired, "no configuration reader");
    std::string path = registry->GetRegValue(kInstallationKey, kInstallationValue, Variant("")).ToText();
    folder = AddBackslash(AddBackslash(path) + "SCHEMA");
}

}  // namespace ovardx
