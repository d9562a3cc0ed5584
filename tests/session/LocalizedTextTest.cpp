#include "session/LocalizedText.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "object_library/LibraryFolder.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/ResourceLoader.h"
#include "resource_loader/PoResourceLoader.h"
#include "session/ErrorText.h"

namespace ovardx {
namespace {

using LoaderFactory = std::function<std::shared_ptr<ResourceLoader>()>;

// The loader lives per thread for the thread's lifetime, so every case runs
// on a thread of its own.
template <class Body>
void OnNewThread(Body body) {
    std::thread(body).join();
}

// Records the calls it gets and answers LoadString as the test wants.
class RecordingLoader : public ResourceLoader {
public:
    using Answer = std::function<Variant(const std::string&)>;
    RecordingLoader(std::shared_ptr<std::vector<std::string>> calls, Answer answer)
        : calls_(std::move(calls)), answer_(std::move(answer)) {}
    void ResDirectory(const std::string& directory) override { calls_->push_back("ResDirectory=" + directory); }
    void ResFileBaseName(const std::string& baseName) override { calls_->push_back("ResFileBaseName=" + baseName); }
    void LanguageID(const std::string& language) override { calls_->push_back("LanguageID=" + language); }
    Variant LoadString(std::string& defaultText) override {
        calls_->push_back("LoadString=" + defaultText);
        return answer_(defaultText);
    }

private:
    std::shared_ptr<std::vector<std::string>> calls_;
    Answer answer_;
};

const ErrorRecord kError{13, "S", "D"};

TEST(LocalizedTextTest, WithoutALoaderEveryTextIsItsDefault) {
    ScopedComponent none(kResourceLoaderProgId);
    OnNewThread([] {
        EXPECT_EQ(LoadLocalizedText("无效的日期格式", "eng"), "无效的日期格式");
        EXPECT_EQ(BuildErrorText(kError, "eng"), "错误号:13\r\n错误源:S\r\n错误描述:D");
        EXPECT_EQ(BuildErrorText({errnum::kApplicationError, "OLE DB", ""}, ""),
                  "错误号:-2147221304\r\n错误源:OLE DB\r\n错误描述:");
    });
}

TEST(LocalizedTextTest, SetsTheLoadersPropertiesInOrderOnEveryCallAndKeepsOneLoaderPerThread) {
    auto calls = std::make_shared<std::vector<std::string>>();
    int created = 0;
    ScopedComponent loader(kResourceLoaderProgId, LoaderFactory([&] {
                               ++created;
                               return std::make_shared<RecordingLoader>(
                                   calls, [](const std::string& text) { return Variant("<" + text + ">"); });
                           }));
    OnNewThread([] {
        EXPECT_EQ(LoadLocalizedText("是", "eng"), "<是>");
        EXPECT_EQ(LoadLocalizedText("否", ""), "<否>");
    });
    const std::string folder = LibraryFolder();
    EXPECT_EQ(*calls, (std::vector<std::string>{"ResDirectory=" + folder, "ResFileBaseName=ArAp", "LanguageID=eng",
                                                "LoadString=是", "ResDirectory=" + folder, "ResFileBaseName=ArAp",
                                                "LanguageID=", "LoadString=否"}));
    EXPECT_EQ(created, 1);
    OnNewThread([] { LoadLocalizedText("是", "eng"); });
    EXPECT_EQ(created, 2);
}

TEST(LocalizedTextTest, AnswersOfTheLoaderAreTakenAsTextOrFallBackToTheDefault) {
    const struct {
        const char* what;
        RecordingLoader::Answer answer;
        std::string expected;
    } cases[] = {
        {"empty answer", [](const std::string&) { return Variant(""); }, ""},
        {"number", [](const std::string&) { return Variant(7); }, "7"},
        {"null answer", [](const std::string&) { return Variant::Null(); }, "合同"},
        {"raised error",
         [](const std::string&) -> Variant { Raise(53, kResourceLoaderProgId, "file not found"); }, "合同"},
        {"other exception", [](const std::string&) -> Variant { throw std::runtime_error("boom"); }, "合同"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto calls = std::make_shared<std::vector<std::string>>();
        ScopedComponent loader(kResourceLoaderProgId, LoaderFactory([&] {
                                   return std::make_shared<RecordingLoader>(calls, c.answer);
                               }));
        OnNewThread([&] { EXPECT_EQ(LoadLocalizedText("合同", "eng"), c.expected); });
    }
}

TEST(LocalizedTextTest, ALoaderThatCouldNotBeCreatedIsTriedAgain) {
    OnNewThread([] {
        {
            ScopedComponent none(kResourceLoaderProgId);
            EXPECT_EQ(LoadLocalizedText("是", "eng"), "是");
        }
        ScopedComponent real(kResourceLoaderProgId, LoaderFactory(CreateResourceLoader));
        EXPECT_EQ(LoadLocalizedText("是", "eng"), "Yes");
    });
}

TEST(LocalizedTextTest, UsesTheShippedCatalogs) {
    ScopedComponent real(kResourceLoaderProgId, LoaderFactory(CreateResourceLoader));
    OnNewThread([] {
        EXPECT_EQ(LoadLocalizedText("无效的日期格式", "eng"), "Invalid date format");
        EXPECT_EQ(LoadLocalizedText("收款单", "cht"), "收款單");
        EXPECT_EQ(LoadLocalizedText("收款单", "chs"), "收款单");
        EXPECT_EQ(LoadLocalizedText("不在目录中的文字", "eng"), "不在目录中的文字");
        EXPECT_EQ(LoadLocalizedText("收款单", "../ovardx-data/ArAp.eng"), "收款单");
        EXPECT_EQ(LoadLocalizedText("收款单", ""), "收款单");

        EXPECT_EQ(BuildErrorText(kError, "eng"), "Error number:13\r\nError source:S\r\nError description:D");
        EXPECT_EQ(BuildErrorText(kError, "cht"), "錯誤號:13\r\n錯誤源:S\r\n錯誤描述:D");
        EXPECT_EQ(BuildErrorText(kError, "chs"), "错误号:13\r\n错误源:S\r\n错误描述:D");
    });
}

}  // namespace
}  // namespace ovardx
