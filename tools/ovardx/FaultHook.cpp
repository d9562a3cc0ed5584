#include "tools/ovardx/FaultHook.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ovardx::tool {

namespace {

long StopAfter() {
    const char* text = std::getenv("OVARDX_FAULT_AFTER_STEP");
    return text == nullptr ? 0 : std::strtol(text, nullptr, 10);
}

}  // namespace

void StepDone(std::string_view step) {
    static const long stopAfter = StopAfter();
    static long done = 0;
    if (stopAfter <= 0 || ++done != stopAfter) return;
    const std::string note = "ovardx: stopping hard after step " + std::to_string(done) + ": " + std::string(step) + "\n";
    (void)!::write(STDERR_FILENO, note.data(), note.size());
    ::kill(::getpid(), SIGKILL);
}

}  // namespace ovardx::tool
