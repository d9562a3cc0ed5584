#pragma once

#include <string>

namespace ovardx::tool {

// The whole text of the file, or of standard input for "-"; false when the
// file cannot be read.
bool ReadDocument(const std::string& file, std::string& text);

}  // namespace ovardx::tool
