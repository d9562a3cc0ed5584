#include "sqlite_backend/ProviderError.h"

#include <utility>

#include "ovardx/Error.h"

namespace ovardx::sqlite {

void RaiseProviderError(std::int32_t number, std::string description) {
    Raise(number, kProviderSource, std::move(description));
}

}  // namespace ovardx::sqlite
