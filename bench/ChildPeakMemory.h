#pragma once

#include <functional>
#include <optional>

namespace ovardx::bench {

// Runs work in a child process and answers how far its peak resident size
// rose above its size before the work, in kilobytes; none when the work
// returned false or the child could not report.
std::optional<long> ChildPeakKilobytes(const std::function<bool()>& work);

}  // namespace ovardx::bench
