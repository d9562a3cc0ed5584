#include "components/BuiltInComponents.h"

namespace ovardx {
namespace {

// Loading the library makes its built-in components available to the host.
const bool kRegistered = (EnsureBuiltInComponents(), true);

}  // namespace
}  // namespace ovardx
