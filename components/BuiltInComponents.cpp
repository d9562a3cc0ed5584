#include "components/BuiltInComponents.h"

#include <mutex>

#include "ovardx/ComponentRegistry.h"

namespace ovardx {

namespace {

template <class Interface, class Implementation>
void RegisterIfAbsent(const char* progId) {
    if (ComponentRegistry::Lookup(progId).factory) return;
    ComponentRegistry::Register<Interface>(progId, [] { return std::make_shared<Implementation>(); });
}

}  // namespace

void EnsureBuiltInComponents() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The layers add their components here as they are built.
    });
}

}  // namespace ovardx
