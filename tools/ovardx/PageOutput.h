#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace ovardx::tool {

// Writes text to the stream and flushes it. Answers an empty text when all
// of it was taken, else what failed (a full disk, a closed pipe): a caller
// that prints a bound after the text must not print it then.
std::string WriteAndFlush(std::FILE* stream, std::string_view text);

// Writes text as the file path, so that the file is either complete or
// absent: into a temporary file beside it first, flushed and synced, then
// renamed over path, and the folder synced. Answers an empty text on
// success, else what failed (the temporary file is removed then).
// afterStep, when given, is told "written" once the temporary file is
// synced and "renamed" once it took the place of path.
std::string WriteFileDurably(const std::filesystem::path& path, std::string_view text,
                             const std::function<void(std::string_view step)>& afterStep = {});

}  // namespace ovardx::tool
