#pragma once

#include <string_view>

namespace ovardx::tool {

// Crash tests of the resumable export: when the environment variable
// OVARDX_FAULT_AFTER_STEP holds a number N, the tool kills itself with
// SIGKILL right after the N-th step of the run, as a crash at that instant
// would stop it. Steps are counted from 1: each page exported, and each
// durable write of a page file or of the state file as three (the
// temporary file written, renamed into place, its folder synced). Without
// the variable it does nothing.
void StepDone(std::string_view step);

}  // namespace ovardx::tool
