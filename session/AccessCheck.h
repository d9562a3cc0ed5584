#pragma once

#include <cstdint>
#include <string>

#include "ovardx/DatabaseConnection.h"

namespace ovardx {

// The refusal message of the gate (a default text for LoadLocalizedText).
inline constexpr const char* kNotAuthorizedText = "当前连接用户没有授权通过 WebServices 进行数据处理!";

// The gate every public method runs first. Parses strPropsString into the
// thread's session properties (probing the database), then admits the user
// when he is an administrator or holds the web-service right. On refusal
// answers false with the localized refusal in strError; on any error answers
// false with the three-line error text in strError. strError is untouched
// when it answers true. Never throws.
bool AuthorizeSession(const std::string& strPropsString, std::string& strError) noexcept;

// The session user's id when t_User has him and he is not forbidden, else
// -1. Swallows every error (answering -1).
std::int32_t GetActiveUserID(DatabaseConnection& connection) noexcept;

// Whether the active user belongs to the administrators group (1). Opens a
// connection of its own; swallows every error (answering false).
bool IsAdministrator() noexcept;

// Whether the active user's first access-control row of object type 16 holds
// bit 20 of FAccessMask. Opens a connection of its own; errors are raised.
bool HasWebServiceAccess();

}  // namespace ovardx
