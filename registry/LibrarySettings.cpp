#include "registry/LibrarySettings.h"

#include <charconv>
#include <limits>
#include <optional>

#include "ovardx/Error.h"

namespace ovardx {

namespace {

constexpr const char* kSource = "OVArDataExchange.Settings";

[[noreturn]] void RaiseBadValue(const std::string& name, const std::string& text, const std::string& expected) {
    Raise(errnum::kApplicationError, kSource,
          "configuration value " + std::string(kInstallationKey) + "\\" + name + " = '" + text + "' is not " + expected);
}

// The text of a value, or nothing when it is absent.
std::optional<std::string> ValueText(RegistryReader& registry, const std::string& name) {
    const Variant value = registry.GetRegValue(kInstallationKey, name, Variant::Null());
    if (value.IsNull()) return std::nullopt;
    return value.ToText();
}

std::uint64_t WholeNumber(RegistryReader& registry, const std::string& name, std::uint64_t low, std::uint64_t high,
                          std::uint64_t fallback) {
    const auto text = ValueText(registry, name);
    if (!text) return fallback;
    std::uint64_t number = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, number);
    if (text->empty() || error != std::errc{} || stop != end || number < low || number > high)
        RaiseBadValue(name, *text, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return number;
}

bool Switch(RegistryReader& registry, const std::string& name, bool fallback) {
    const auto text = ValueText(registry, name);
    if (!text) return fallback;
    if (*text == "0") return false;
    if (*text == "1") return true;
    RaiseBadValue(name, *text, "0 or 1");
}

struct ThreadState {
    std::optional<LibrarySettings> settings;
};

ThreadState& State() {
    thread_local ThreadState state;
    return state;
}

}  // namespace

LibrarySettings ReadLibrarySettings(RegistryReader& registry) {
    LibrarySettings settings;
    settings.busyTimeoutMilliseconds = static_cast<int>(
        WholeNumber(registry, "BusyTimeout", 0, std::numeric_limits<int>::max(), settings.busyTimeoutMilliseconds));
    settings.maxDocumentBytes =
        WholeNumber(registry, "MaxDocumentSize", 1, std::numeric_limits<int>::max(), settings.maxDocumentBytes);
    settings.allowUriFileNames = Switch(registry, "AllowUriFileNames", settings.allowUriFileNames);
    if (const auto driver = ValueText(registry, "OdbcDriver")) {
        if (driver->empty()) RaiseBadValue("OdbcDriver", *driver, "a driver name");
        settings.odbcDriver = *driver;
    }
    settings.odbcPoolIdleSeconds = static_cast<int>(WholeNumber(
        registry, "OdbcPoolIdleSeconds", 0, 86400, static_cast<std::uint64_t>(settings.odbcPoolIdleSeconds)));
    return settings;
}

const LibrarySettings& ThreadSettings() {
    ThreadState& state = State();
    if (!state.settings) {
        const auto registry = ObjectLibraryGlobals::ForThisThread().Registry();
        if (!registry) RaiseRuntime(errnum::kObjectRequired, "no configuration reader");
        state.settings = ReadLibrarySettings(*registry);
    }
    return *state.settings;
}

void SetThreadSettings(const LibrarySettings& settings) { State().settings = settings; }

}  // namespace ovardx
