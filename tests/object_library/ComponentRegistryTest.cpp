#include "ovardx/ComponentRegistry.h"

#include <gtest/gtest.h>

#include "ovardx/Error.h"

namespace ovardx {
namespace {

struct Greeter {
    virtual ~Greeter() = default;
    virtual std::string Hello() = 0;
};
struct English : Greeter {
    std::string Hello() override { return "hello"; }
};
struct Other {};

TEST(ComponentRegistryTest, CreatesByProgIdAndRestoresScopedRegistrations) {
    ComponentRegistry::Register<Greeter>("Test.Greeter", [] { return std::make_shared<English>(); });
    EXPECT_EQ(ComponentRegistry::Create<Greeter>("test.greeter")->Hello(), "hello");
    {
        ScopedComponent missing("Test.Greeter");
        try {
            ComponentRegistry::Create<Greeter>("Test.Greeter");
            FAIL();
        } catch (const Error& error) {
            EXPECT_EQ(error.record().Number, errnum::kCannotCreateObject);
        }
    }
    EXPECT_EQ(ComponentRegistry::Create<Greeter>("Test.Greeter")->Hello(), "hello");
}

TEST(ComponentRegistryTest, WrongInterfaceIsACreationError) {
    ComponentRegistry::Register<Greeter>("Test.Typed", [] { return std::make_shared<English>(); });
    EXPECT_THROW(ComponentRegistry::Create<Other>("Test.Typed"), Error);
}

}  // namespace
}  // namespace ovardx
