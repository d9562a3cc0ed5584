#pragma once

#include <string>

#include "registry/LibrarySettings.h"

namespace ovardx {

// Configuration value of kInstallationKey that names the installation
// folder, whose "SCHEMA" subfolder holds the schema files.
inline constexpr const char* kInstallationValue = "path";

// The folder of the schema files for the calling thread, ending in "/";
// empty until EnsureSchemaFolder has run on this thread.
const std::string& SchemaFolder();

// Run when a class object is created, before anything else. When the
// thread's SchemaFolder is still empty, reads the installation folder from
// the configuration (through ObjectLibraryGlobals' RegistryReader) and sets
// SchemaFolder to AddBackslash(AddBackslash(path) + "SCHEMA"); with no path
// configured this is the relative folder "SCHEMA/". Later calls on the same
// thread change nothing and read nothing. A failing registry read raises
// its error and leaves the folder empty.
void EnsureSchemaFolder();

}  // namespace ovardx
