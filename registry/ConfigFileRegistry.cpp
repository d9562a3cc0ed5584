#include "registry/ConfigFileRegistry.h"

#include <ini.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>

#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

namespace {

constexpr const char* kSource = "OVArDataExchange.ConfigFileRegistry";

[[noreturn]] void RaiseFileError(const std::string& path, const std::string& what) {
    Raise(errnum::kApplicationError, kSource, "configuration file '" + path + "': " + what);
}

// inih keeps a section name in a buffer of 50 bytes and silently cuts a
// longer one, which would then match no key path, or the wrong one.
constexpr std::size_t kMaxSectionName = 49;

// The length of the section name a line opens, if it opens one.
std::optional<std::size_t> SectionNameLength(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '[') return std::nullopt;
    const auto close = line.find(']', first);
    return (close == std::string_view::npos ? line.size() : close) - first - 1;
}

// Hands inih one line at a time out of the file's text. inih splits a line
// longer than its buffer into two and reads both halves as lines of their
// own, and cuts long section names; the reader stops instead and records
// the line, so a cut value or section never passes for a whole one.
struct LineSource {
    std::string_view rest;
    int lineNumber = 0;
    int tooLongLine = 0;
    int tooLongSection = 0;
};

char* ReadLine(char* buffer, int size, void* stream) {
    auto* source = static_cast<LineSource*>(stream);
    if (source->rest.empty() || size < 2) return nullptr;
    const auto newline = source->rest.find('\n');
    const std::size_t length = newline == std::string_view::npos ? source->rest.size() : newline + 1;
    ++source->lineNumber;
    if (length > static_cast<std::size_t>(size) - 1) {
        source->tooLongLine = source->lineNumber;
        return nullptr;
    }
    if (SectionNameLength(source->rest.substr(0, length)).value_or(0) > kMaxSectionName) {
        source->tooLongSection = source->lineNumber;
        return nullptr;
    }
    std::memcpy(buffer, source->rest.data(), length);
    buffer[length] = '\0';
    source->rest.remove_prefix(length);
    return buffer;
}

struct Lookup {
    std::string_view section;
    std::string_view name;
    std::optional<std::string> value;
    int matches = 0;
};

int OnValue(void* user, const char* section, const char* name, const char* value) {
    auto* lookup = static_cast<Lookup*>(user);
    if (EqualsIgnoreCase(section, lookup->section) && EqualsIgnoreCase(name, lookup->name)) {
        ++lookup->matches;
        lookup->value = value != nullptr ? value : "";
    }
    return 1;
}

std::optional<std::string> ReadFileText(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
    if (error) RaiseFileError(path, error.message());
    if (status.type() != std::filesystem::file_type::regular) RaiseFileError(path, "not a regular file");
    std::ifstream file(path, std::ios::binary);
    if (!file) RaiseFileError(path, "cannot be opened for reading");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) RaiseFileError(path, "cannot be read");
    if (text.find('\0') != std::string::npos) RaiseFileError(path, "is not a text file");
    return text;
}

}  // namespace

ConfigFileRegistry::ConfigFileRegistry(std::string path) : path_(std::move(path)) {}

std::string ConfigFileRegistry::DefaultPath() {
    const char* fromEnvironment = std::getenv(kRegistryFileVariable);
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
    return kDefaultRegistryFile;
}

Variant ConfigFileRegistry::GetRegValue(const std::string& keyPath, const std::string& valueName,
                                        const Variant& defaultValue) {
    const std::optional<std::string> text = ReadFileText(path_);
    if (!text) return defaultValue;

    LineSource source;
    source.rest = *text;
    Lookup lookup;
    lookup.section = keyPath;
    lookup.name = valueName;
    const int result = ini_parse_stream(ReadLine, &source, OnValue, &lookup);
    if (source.tooLongLine != 0)
        RaiseFileError(path_, "line " + std::to_string(source.tooLongLine) + " is too long");
    if (source.tooLongSection != 0)
        RaiseFileError(path_, "the section name on line " + std::to_string(source.tooLongSection) +
                                  " is longer than " + std::to_string(kMaxSectionName) + " characters");
    if (result > 0) RaiseFileError(path_, "syntax error on line " + std::to_string(result));
    if (result < 0) RaiseFileError(path_, "cannot be parsed");
    if (lookup.matches > 1)
        RaiseFileError(path_, "the value '" + valueName + "' of [" + keyPath + "] is given more than once");
    if (!lookup.value) return defaultValue;
    return Variant(*lookup.value);
}

}  // namespace ovardx
