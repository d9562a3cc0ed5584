#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "ovardx/Error.h"

namespace ovardx::testing {

// Runs `call` and answers the error record it raises; a call that raises
// nothing fails the test.
inline ErrorRecord ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.record();
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

}  // namespace ovardx::testing
