#pragma once

#include "ovardx/Error.h"

namespace ovardx {

// Error number for a failure that carried no error record of its own (a
// standard library exception): the platform's unspecified failure.
inline constexpr std::int32_t kUnspecifiedFailure = static_cast<std::int32_t>(0x80004005u);

// The error record of the exception being handled; call it only inside a
// catch block. An ovardx::Error gives its own record; any other exception is
// described by what it says. Never throws.
ErrorRecord CaughtErrorRecord() noexcept;

}  // namespace ovardx
