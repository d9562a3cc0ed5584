#include "components/BuiltInComponents.h"

#include <functional>
#include <mutex>

#include "components/DispatchingConnection.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/ResourceLoader.h"
#include "ovardx/XmlComponents.h"
#include "resource_loader/PoResourceLoader.h"
#include "xml/LibxmlComponents.h"

namespace ovardx {

namespace {

template <class Interface>
void RegisterIfAbsent(const char* progId, std::function<std::shared_ptr<Interface>()> factory) {
    if (ComponentRegistry::Lookup(progId).factory) return;
    ComponentRegistry::Register<Interface>(progId, std::move(factory));
}

}  // namespace

void EnsureBuiltInComponents() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterIfAbsent<DatabaseConnection>(kConnectionProgId, &CreateDispatchingConnection);
        RegisterIfAbsent<ResourceLoader>(kResourceLoaderProgId, &CreateResourceLoader);
        RegisterIfAbsent<XmlWriter>(kXmlWriterProgId, &CreateXmlWriter);
        RegisterIfAbsent<XmlReader>(kXmlReaderProgId, &CreateXmlReader);
    });
}

}  // namespace ovardx
