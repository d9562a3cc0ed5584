#pragma once

#include <memory>
#include <string>

#include "ovardx/Variant.h"

namespace ovardx {

// Reads values of the configuration store (the registry of the original
// platform). keyPath is the full key path with its hive, e.g.
// "HKEY_LOCAL_MACHINE\SOFTWARE\ORVANE\OVWEBSERVICE".
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The stored value, or defaultValue when the key or value is absent.
    virtual Variant GetRegValue(const std::string& keyPath, const std::string& valueName,
                                const Variant& defaultValue) = 0;
};

// The object library's global helpers, one object per thread, created on
// first use and kept for the thread's lifetime.
class ObjectLibraryGlobals {
public:
    static ObjectLibraryGlobals& ForThisThread();

    // The configuration reader (the built-in file-backed one unless a test
    // or host replaced it with SetRegistry).
    std::shared_ptr<RegistryReader> Registry();
    void SetRegistry(std::shared_ptr<RegistryReader> registry) { registry_ = std::move(registry); }

    // defaultValue when value is null, else value.
    static Variant NullToDefault(const Variant& value, const Variant& defaultValue) {
        return value.IsNull() ? defaultValue : value;
    }

private:
    std::shared_ptr<RegistryReader> registry_;
};

}  // namespace ovardx
