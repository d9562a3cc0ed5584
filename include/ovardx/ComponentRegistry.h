#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>

#include "ovardx/Export.h"

namespace ovardx {

// Creation of external components by ProgID ("OVMConnection.Connection",
// "XMLVXB2.Write", ...). The library registers its built-in implementations
// when it is loaded; a host or a test may register its own implementation for
// a ProgID, which replaces the previous one. Creating an unregistered ProgID,
// or one registered for another interface, raises error 429.
//
// Thread-safe: registrations and creations may happen on any thread.
class OVARDX_EXPORT ComponentRegistry {
public:
    using ErasedFactory = std::function<std::shared_ptr<void>()>;

    template <class Interface>
    static void Register(std::string progId, std::function<std::shared_ptr<Interface>()> factory) {
        RegisterErased(std::move(progId), typeid(Interface),
                       [f = std::move(factory)]() -> std::shared_ptr<void> { return f(); });
    }

    template <class Interface>
    static std::shared_ptr<Interface> Create(std::string_view progId) {
        return std::static_pointer_cast<Interface>(CreateErased(progId, typeid(Interface)));
    }

    static void Unregister(std::string_view progId);

    struct Registration {
        std::type_index type = typeid(void);
        ErasedFactory factory;
    };
    // The current registration of a ProgID (an empty factory when none).
    static Registration Lookup(std::string_view progId);
    static void Restore(std::string progId, Registration registration);

private:
    static void RegisterErased(std::string progId, std::type_index type, ErasedFactory factory);
    static std::shared_ptr<void> CreateErased(std::string_view progId, std::type_index type);
};

// Registers an implementation for the lifetime of the object and puts back
// whatever was registered before (for tests and hosts that swap a component).
class ScopedComponent {
public:
    template <class Interface>
    ScopedComponent(std::string progId, std::function<std::shared_ptr<Interface>()> factory)
        : progId_(std::move(progId)), previous_(ComponentRegistry::Lookup(progId_)) {
        ComponentRegistry::Register<Interface>(progId_, std::move(factory));
    }
    // Makes the ProgID unregistered for the lifetime of the object.
    explicit ScopedComponent(std::string progId)
        : progId_(std::move(progId)), previous_(ComponentRegistry::Lookup(progId_)) {
        ComponentRegistry::Unregister(progId_);
    }
    ~ScopedComponent() { ComponentRegistry::Restore(progId_, std::move(previous_)); }

    ScopedComponent(const ScopedComponent&) = delete;
    ScopedComponent& operator=(const ScopedComponent&) = delete;

private:
    std::string progId_;
    ComponentRegistry::Registration previous_;
};

}  // namespace ovardx
