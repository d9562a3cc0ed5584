#include "resource_loader/PoResourceLoader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "object_library/LibraryFolder.h"
#include "ovardx/Error.h"

namespace ovardx {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHeader =
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";

// A folder of its own with catalogs written by the test.
class PoResourceLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("ovardx_po_" + std::to_string(getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        loader_.ResDirectory(folder_.string());
        loader_.ResFileBaseName("ArAp");
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path Write(const std::string& language, const std::string& text) {
        const fs::path file = folder_ / ("ArAp." + language + ".po");
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    // The error number LoadString raises for text in language (0: none).
    std::int32_t ErrorOf(const std::string& language, std::string text) {
        loader_.LanguageID(language);
        try {
            loader_.LoadString(text);
            return 0;
        } catch (const Error& error) {
            EXPECT_EQ(error.record().Source, kResourceLoaderProgId);
            return error.record().Number;
        }
    }

    fs::path folder_;
    PoResourceLoader loader_;
};

TEST_F(PoResourceLoaderTest, AnswersOnlyTranslatedEntries) {
    Write("eng", std::string(kHeader) +
                     "msgid \"是\"\nmsgstr \"Yes\"\n\n"
                     "#, fuzzy\nmsgid \"否\"\nmsgstr \"No\"\n\n"
                     "msgid \"合同\"\nmsgstr \"\"\n\n"
                     "msgctxt \"kind\"\nmsgid \"收款单\"\nmsgstr \"Receive bill\"\n\n"
                     "#~ msgid \"预收单\"\n#~ msgstr \"Advance\"\n");
    loader_.LanguageID("eng");
    std::string text = "是";
    EXPECT_EQ(loader_.LoadString(text).ToText(), "Yes");
    EXPECT_EQ(text, "是");

    const struct {
        const char* text;
        const char* what;
    } refused[] = {
        {"否", "fuzzy"}, {"合同", "empty"}, {"收款单", "with a context"}, {"预收单", "obsolete"},
        {"未知类别", "missing"}, {"", "the header"},
    };
    for (const auto& r : refused) EXPECT_EQ(ErrorOf("eng", r.text), errnum::kApplicationError) << r.what;
}

TEST_F(PoResourceLoaderTest, RefusesMissingUnreadableAndForeignCatalogs) {
    Write("bad", "msgid \"是\"\nmsgstr \"Yes\"\ngarbage\n");
    Write("dup", std::string(kHeader) + "msgid \"是\"\nmsgstr \"A\"\n\nmsgid \"是\"\nmsgstr \"B\"\n");
    Write("latin", "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\n"
                   "msgid \"Oui\"\nmsgstr \"Yes\"\n");
    fs::create_directories(folder_ / "ArAp.dir.po");
    const struct {
        const char* language;
        const char* text;
        std::int32_t error;
    } cases[] = {
        {"none", "是", 53},
        {"bad", "是", errnum::kApplicationError},
        {"dup", "是", errnum::kApplicationError},
        {"latin", "Oui", errnum::kApplicationError},
        {"dir", "是", errnum::kApplicationError},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.language, c.text), c.error) << c.language;
}

TEST_F(PoResourceLoaderTest, RefusesNamesThatLeaveTheFolder) {
    fs::create_directories(folder_ / "sub");
    std::ofstream(folder_ / "sub" / "x.eng.po") << kHeader << "msgid \"是\"\nmsgstr \"Yes\"\n";
    Write("eng", std::string(kHeader) + "msgid \"是\"\nmsgstr \"Yes\"\n");
    loader_.ResDirectory((folder_ / "sub").string());
    EXPECT_EQ(ErrorOf("../ArAp.eng", "是"), errnum::kInvalidProcedureCall);
    EXPECT_EQ(ErrorOf("x/../eng", "是"), errnum::kInvalidProcedureCall);
    loader_.ResFileBaseName("../ArAp");
    EXPECT_EQ(ErrorOf("eng", "是"), errnum::kInvalidProcedureCall);
    loader_.ResFileBaseName("x");
    EXPECT_EQ(ErrorOf("eng", "是"), 0);
}

TEST_F(PoResourceLoaderTest, ReadsACatalogAgainWhenItChanges) {
    const fs::path file = Write("eng", "msgid \"是\"\nmsgstr broken\n");
    const auto written = fs::last_write_time(file);
    EXPECT_EQ(ErrorOf("eng", "是"), errnum::kApplicationError);
    EXPECT_EQ(ErrorOf("eng", "是"), errnum::kApplicationError);

    Write("eng", std::string(kHeader) + "msgid \"是\"\nmsgstr \"Yes\"\n");
    fs::last_write_time(file, written + std::chrono::seconds(1));
    std::string text = "是";
    EXPECT_EQ(loader_.LoadString(text).ToText(), "Yes");

    Write("eng", std::string(kHeader) + "msgid \"是\"\nmsgstr \"Yep\"\n");
    fs::last_write_time(file, written + std::chrono::seconds(2));
    EXPECT_EQ(loader_.LoadString(text).ToText(), "Yep");
}

// Every text the library shows has a finished translation in each shipped
// catalog.
TEST(ShippedCatalogsTest, TranslateEveryTextOfTheLibrary) {
    const char* const texts[] = {
        "当前连接用户没有授权通过 WebServices 进行数据处理!", "错误号:", "错误源:", "错误描述:", "无效的日期格式", "是",
        "否", "合同", "收款单", "预收单", "未知类别", "不支持不识别删除关键字的导入导出!", "无效的时间戳",
        "删除关键字没有 UUID!", "对象正在处理另一个调用，不能在其中再次调用它!",
    };
    PoResourceLoader loader;
    loader.ResDirectory(LibraryFolder());
    loader.ResFileBaseName("ArAp");
    for (const char* language : {"eng", "cht"}) {
        loader.LanguageID(language);
        for (std::string text : texts) {
            EXPECT_NO_THROW(loader.LoadString(text)) << language << ": " << text;
        }
    }
    loader.LanguageID("eng");
    std::string text = "当前连接用户没有授权通过 WebServices 进行数据处理!";
    EXPECT_EQ(loader.LoadString(text).ToText(), "The current user is not authorized to process data through WebServices!");
}

}  // namespace
}  // namespace ovardx
