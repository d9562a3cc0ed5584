#include "registry/ConfigFileRegistry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"

namespace ovardx {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\OVWEBSERVICE";

class ConfigFileRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = fs::temp_directory_path() / ("ovardx_registry_" + std::to_string(getpid()) + ".ini");
    }
    void TearDown() override {
        fs::remove(file_);
        unsetenv(kRegistryFileVariable);
    }

    void Write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }

    Variant Read(const std::string& key = kKey, const std::string& name = "path") {
        return ConfigFileRegistry(file_.string()).GetRegValue(key, name, Variant("default"));
    }

    fs::path file_;
};

TEST_F(ConfigFileRegistryTest, ReadsValuesBySectionAndNameWithoutRegardToCase) {
    Write("; installation\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\OTHER]\npath=/wrong\n\n"
          "[hkey_local_machine\\software\\orvane\\ovwebservice]\r\n"
          "  PATH = /opt/ovws  \r\n"
          "empty=\n");
    EXPECT_EQ(Read(), Variant("/opt/ovws"));
    EXPECT_EQ(Read(kKey, "Path"), Variant("/opt/ovws"));
    EXPECT_EQ(Read(kKey, "empty"), Variant(""));
    EXPECT_EQ(Read(kKey, "absent"), Variant("default"));
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE", "path"), Variant("default"));
}

TEST_F(ConfigFileRegistryTest, AMissingFileHoldsNoValues) {
    EXPECT_EQ(Read(), Variant("default"));
}

TEST_F(ConfigFileRegistryTest, RefusesFilesThatWouldGiveAWrongValue) {
    const std::string section = std::string("[") + kKey + "]\n";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"syntax error", section + "path=/opt/ovws\nno value here\n"},
        {"value given twice", section + "path=/a\npath=/b\n"},
        {"section given twice", section + "path=/a\n" + section + "path=/b\n"},
        {"line too long", section + "path=/" + std::string(300, 'x') + "\n"},
        {"binary file", section + std::string("path=/a\0b\n", 10)},
        // The parser would cut the name and match it against a shorter key.
        {"section name too long", "[" + std::string(kKey) + "\\DataExchange]\nBusyTimeout=1\n" + section + "path=/a\n"},
    };
    for (const auto& c : cases) {
        Write(c.text);
        try {
            Read();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.record().Number, errnum::kApplicationError) << c.what;
            EXPECT_NE(error.record().Description.find(file_.string()), std::string::npos) << c.what;
        }
    }
    fs::remove(file_);
    fs::create_directories(file_);
    EXPECT_THROW(Read(), Error);
    fs::remove(file_);
}

TEST_F(ConfigFileRegistryTest, TakesTheLongestLineTheParserHolds) {
    const std::string path = "/" + std::string(180, 'p');
    Write(std::string("[") + kKey + "]\npath=" + path + "\n");
    EXPECT_EQ(Read(), Variant(path));
}

TEST_F(ConfigFileRegistryTest, LocationComesFromTheEnvironmentOrTheSystemPath) {
    unsetenv(kRegistryFileVariable);
    EXPECT_EQ(ConfigFileRegistry::DefaultPath(), "/etc/ovardx/registry.ini");
    setenv(kRegistryFileVariable, "", 1);
    EXPECT_EQ(ConfigFileRegistry::DefaultPath(), "/etc/ovardx/registry.ini");
    setenv(kRegistryFileVariable, file_.c_str(), 1);
    EXPECT_EQ(ConfigFileRegistry::DefaultPath(), file_.string());
}

TEST_F(ConfigFileRegistryTest, GlobalsArePerThreadAndReadTheConfiguredFile) {
    Write(std::string("[") + kKey + "]\npath=/srv/ovws\n");
    setenv(kRegistryFileVariable, file_.c_str(), 1);
    std::thread([] {
        ObjectLibraryGlobals& globals = ObjectLibraryGlobals::ForThisThread();
        EXPECT_EQ(&globals, &ObjectLibraryGlobals::ForThisThread());
        const auto registry = globals.Registry();
        EXPECT_EQ(registry, globals.Registry());
        EXPECT_EQ(registry->GetRegValue(kKey, "path", Variant("")), Variant("/srv/ovws"));

        struct Fixed : RegistryReader {
            Variant GetRegValue(const std::string&, const std::string&, const Variant&) override { return "/fixed"; }
        };
        globals.SetRegistry(std::make_shared<Fixed>());
        EXPECT_EQ(globals.Registry()->GetRegValue(kKey, "path", Variant("")), Variant("/fixed"));
    }).join();
    ObjectLibraryGlobals* other = nullptr;
    std::thread([&] { other = &ObjectLibraryGlobals::ForThisThread(); }).join();
    EXPECT_NE(other, &ObjectLibraryGlobals::ForThisThread());
}

LibrarySettings Settings(int busyTimeout, std::uint64_t maxDocument, bool allowUri) {
    LibrarySettings settings;
    settings.busyTimeoutMilliseconds = busyTimeout;
    settings.maxDocumentBytes = maxDocument;
    settings.allowUriFileNames = allowUri;
    return settings;
}

// The library's settings, read through the thread's reader from the file.
TEST_F(ConfigFileRegistryTest, SettingsComeFromTheInstallationKey) {
    const std::string section = std::string("[") + kKey + "]\npath=/srv/ovws\n";
    const struct {
        std::string values;
        std::optional<LibrarySettings> expected;  // none: refused
    } cases[] = {
        {"", LibrarySettings{}},
        {"BusyTimeout=200\nMaxDocumentSize=1024\nAllowUriFileNames=1\n", Settings(200, 1024, true)},
        {"BusyTimeout=0\nAllowUriFileNames=0\n", Settings(0, LibrarySettings::kDefaultMaxDocumentBytes, false)},
        {"BusyTimeout=abc\n", std::nullopt},
        {"BusyTimeout=-1\n", std::nullopt},
        {"MaxDocumentSize=0\n", std::nullopt},
        {"MaxDocumentSize=4294967296\n", std::nullopt},
        {"AllowUriFileNames=yes\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values);
        Write(section + c.values);
        ConfigFileRegistry registry(file_.string());
        try {
            const LibrarySettings settings = ReadLibrarySettings(registry);
            ASSERT_TRUE(c.expected.has_value()) << "accepted";
            EXPECT_EQ(settings.busyTimeoutMilliseconds, c.expected->busyTimeoutMilliseconds);
            EXPECT_EQ(settings.maxDocumentBytes, c.expected->maxDocumentBytes);
            EXPECT_EQ(settings.allowUriFileNames, c.expected->allowUriFileNames);
        } catch (const Error& error) {
            EXPECT_FALSE(c.expected.has_value()) << error.record().Description;
            EXPECT_NE(error.record().Description.find("is not"), std::string::npos) << error.record().Description;
        }
    }
}

}  // namespace
}  // namespace ovardx
