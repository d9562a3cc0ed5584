// The plan filter: any filter text either raises the invalid-date error or
// gives criteria that always turn into conditions of the page statement.
#include <cstddef>
#include <cstdint>
#include <string>

#include "arap_plan/PlanFilter.h"
#include "ovardx/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ovardx::ValueDictionary filter;
    try {
        filter = ovardx::ParsePlanFilter(text, "eng");
    } catch (const ovardx::Error& error) {
        if (error.record().Source != ovardx::kPlanFilterSource) __builtin_trap();
        return 0;
    }
    // Accepted criteria must never fail later, in the statement.
    try {
        (void)ovardx::PlanFilterConditions(filter);
    } catch (...) {
        __builtin_trap();
    }
    return 0;
}
