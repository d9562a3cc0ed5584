#pragma once

#include <string>

#include "object_library/ObjectLibraryGlobals.h"

namespace ovardx {

// Environment variable that names the configuration file, and the file read
// when it is unset or empty.
inline constexpr const char* kRegistryFileVariable = "OVARDX_REGISTRY_FILE";
inline constexpr const char* kDefaultRegistryFile = "/etc/ovardx/registry.ini";

// The configuration store over an INI file: the section name is the full key
// path with its hive ("[HKEY_LOCAL_MACHINE\SOFTWARE\ORVANE\OVWEBSERVICE]"),
// each "name=value" line one value; sections and names match without regard
// to ASCII letter case, and values are text with the surrounding blanks
// removed. The file is read on every GetRegValue.
//
// A missing file holds no values (every read answers its default). A file
// that cannot be read, has a syntax error, a line longer than the parser
// takes, or names the asked-for value twice raises an error: a wrong value
// must not pass for a right one.
class ConfigFileRegistry final : public RegistryReader {
public:
    explicit ConfigFileRegistry(std::string path = DefaultPath());

    // The value of OVARDX_REGISTRY_FILE when it is set and not empty, else
    // kDefaultRegistryFile.
    static std::string DefaultPath();

    const std::string& Path() const { return path_; }

    Variant GetRegValue(const std::string& keyPath, const std::string& valueName,
                        const Variant& defaultValue) override;

private:
    std::string path_;
};

}  // namespace ovardx
