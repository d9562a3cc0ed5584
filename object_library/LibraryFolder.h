#pragma once

#include <string>

namespace ovardx {

// The folder where the library keeps its data files (translation catalogs,
// fallback schema files): the folder "ovardx-data" beside the binary that holds
// the library code, found from the binary's own location. A program without
// that folder beside it (an installed tool) uses the one installed beside the
// library. No trailing "/".
std::string LibraryFolder();

}  // namespace ovardx
