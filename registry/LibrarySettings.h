#pragma once

#include <cstdint>
#include <string>

#include "object_library/ObjectLibraryGlobals.h"

namespace ovardx {

// The library's own settings in the configuration file, values of the
// installation key next to its "path":
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\ORVANE\OVWEBSERVICE]
//   BusyTimeout=5000            ; ms a statement waits for another writer
//   MaxDocumentSize=268435456   ; bytes; larger documents are refused unread
//   AllowUriFileNames=0         ; 1 lets "Data Source=file:...?..." through
//   OdbcDriver=FreeTDS          ; the ODBC driver for SQL Server connection strings
//   OdbcPoolIdleSeconds=60      ; how long an idle ODBC connection is kept, 0 none
//
// Every value is optional; a value that is not a whole number in range (or
// 0/1 for the switch) raises an error naming it, so a typo never passes
// silently for the default.
inline constexpr const char* kInstallationKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\OVWEBSERVICE";

struct LibrarySettings {
    static constexpr int kDefaultBusyTimeoutMilliseconds = 5000;
    static constexpr std::uint64_t kDefaultMaxDocumentBytes = 256ull << 20;
    static constexpr int kDefaultOdbcPoolIdleSeconds = 60;

    int busyTimeoutMilliseconds = kDefaultBusyTimeoutMilliseconds;
    std::uint64_t maxDocumentBytes = kDefaultMaxDocumentBytes;
    bool allowUriFileNames = false;
    // Empty: the first installed of the vendor's drivers 18 and 17, then FreeTDS.
    std::string odbcDriver;
    int odbcPoolIdleSeconds = kDefaultOdbcPoolIdleSeconds;
};

// Reads the settings through a configuration reader.
LibrarySettings ReadLibrarySettings(RegistryReader& registry);

// The calling thread's settings: read through the thread's configuration
// reader on first use and kept for the thread's life, like the schema
// folder. A failed read raises and is tried again on the next use.
const LibrarySettings& ThreadSettings();

// Replaces the calling thread's settings (tests, and hosts that configure
// the library in code rather than in the file).
void SetThreadSettings(const LibrarySettings& settings);

}  // namespace ovardx
