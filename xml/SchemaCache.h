#pragma once

#include <memory>
#include <string>

#include "xml/SchemaFile.h"

namespace ovardx::xml {

// The compiled schema of the file at path, kept per thread so that a page
// of an export does not compile its schema again. The file is checked on
// every call: read again whenever its status (device, inode, size, times)
// changed, or its times were too recent to vouch for its bytes when it was
// read, and compiled again whenever its bytes differ from the kept one's,
// so an edited or replaced file takes effect at once; a file that
// cannot be read or compiled raises SchemaFile's error and is no longer
// kept. A few schemas are kept per thread, the least recently used going
// first. The result stays valid while held, whatever later calls keep.
std::shared_ptr<const SchemaFile> CompiledSchema(const std::string& path);

}  // namespace ovardx::xml
