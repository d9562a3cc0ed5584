#pragma once

#include <cstdint>
#include <string>

namespace ovardx::sqlite {

// Error numbers and source of the SQLite provider, as the ERP's own provider
// reports them: an error in the statement text, or a database that cannot be
// opened (or a connection string that names none).
inline constexpr std::int32_t kStatementError = static_cast<std::int32_t>(0x80040E14u);
inline constexpr std::int32_t kOpenError = static_cast<std::int32_t>(0x80004005u);
inline constexpr const char* kProviderSource = "OVArDataExchange SQLite Provider";

// Raises an ovardx::Error with the provider's source.
[[noreturn]] void RaiseProviderError(std::int32_t number, std::string description);

}  // namespace ovardx::sqlite
