#pragma once

#include <memory>
#include <optional>

#include "ovardx/ComponentRegistry.h"

namespace ovardx::serve {

// What the ERP's business components did during one import on this thread.
struct ComponentCounts {
    int saved = 0;    // contracts "Save" wrote
    int deleted = 0;  // documents "Delete"/"DeleteReceiveBill" removed
};

// Puts a counting layer over the registered contract and bill components for
// the lifetime of the object (and puts the previous registrations back). The
// layer counts each call that returned into the CountingScope of the calling
// thread; the library calls the components on the thread that called it.
class ComponentCounters {
public:
    ComponentCounters();
    ComponentCounters(const ComponentCounters&) = delete;
    ComponentCounters& operator=(const ComponentCounters&) = delete;

private:
    std::optional<ScopedComponent> contracts_;
    std::optional<ScopedComponent> bills_;
};

// Counts for the calls made on this thread while the object lives.
class CountingScope {
public:
    CountingScope();
    ~CountingScope();
    CountingScope(const CountingScope&) = delete;
    CountingScope& operator=(const CountingScope&) = delete;

    const ComponentCounts& Counts() const { return counts_; }

private:
    ComponentCounts counts_;
    ComponentCounts* previous_;
};

}  // namespace ovardx::serve
