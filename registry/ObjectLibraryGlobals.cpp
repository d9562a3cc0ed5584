#include "object_library/ObjectLibraryGlobals.h"

#include "registry/ConfigFileRegistry.h"

namespace ovardx {

ObjectLibraryGlobals& ObjectLibraryGlobals::ForThisThread() {
    thread_local ObjectLibraryGlobals globals;
    return globals;
}

std::shared_ptr<RegistryReader> ObjectLibraryGlobals::Registry() {
    if (!registry_) registry_ = std::make_shared<ConfigFileRegistry>();
    return registry_;
}

}  // namespace ovardx
