#include "ovardx/ComponentRegistry.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

namespace {

struct LessIgnoreCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
            char x = lower(a[i]);
            char y = lower(b[i]);
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

struct Table {
    std::shared_mutex mutex;
    std::map<std::string, ComponentRegistry::Registration, LessIgnoreCase> entries;
};

Table& Components() {
    static Table table;
    return table;
}

}  // namespace

void ComponentRegistry::RegisterErased(std::string progId, std::type_index type, ErasedFactory factory) {
    Table& table = Components();
    std::unique_lock lock(table.mutex);
    table.entries.insert_or_assign(std::move(progId), Registration{type, std::move(factory)});
}

void ComponentRegistry::Unregister(std::string_view progId) {
    Table& table = Components();
    std::unique_lock lock(table.mutex);
    if (auto it = table.entries.find(progId); it != table.entries.end()) table.entries.erase(it);
}

ComponentRegistry::Registration ComponentRegistry::Lookup(std::string_view progId) {
    Table& table = Components();
    std::shared_lock lock(table.mutex);
    if (auto it = table.entries.find(progId); it != table.entries.end()) return it->second;
    return {};
}

void ComponentRegistry::Restore(std::string progId, Registration registration) {
    if (!registration.factory) {
        Unregister(progId);
        return;
    }
    Table& table = Components();
    std::unique_lock lock(table.mutex);
    table.entries.insert_or_assign(std::move(progId), std::move(registration));
}

std::shared_ptr<void> ComponentRegistry::CreateErased(std::string_view progId, std::type_index type) {
    Registration registration = Lookup(progId);
    if (!registration.factory)
        Raise(errnum::kCannotCreateObject, kRuntimeSource,
              "Component can't create object: '" + std::string(progId) + "' is not registered");
    if (registration.type != type)
        Raise(errnum::kCannotCreateObject, kRuntimeSource,
              "Component can't create object: '" + std::string(progId) +
                  "' does not provide the requested interface");
    std::shared_ptr<void> object = registration.factory();
    if (!object)
        Raise(errnum::kCannotCreateObject, kRuntimeSource,
              "Component can't create object: '" + std::string(progId) + "' answered no object");
    return object;
}

}  // namespace ovardx
