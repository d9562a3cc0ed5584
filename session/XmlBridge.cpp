#include "session/XmlBridge.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "object_library/LibraryFolder.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/XmlComponents.h"
#include "registry/LibrarySettings.h"

namespace ovardx {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_regular_file(path, ignored);
}

template <class Component>
std::shared_ptr<Component> CreateComponent(const char* progId) {
    std::shared_ptr<Component> component = ComponentRegistry::Create<Component>(progId);
    if (!component) RaiseRuntime(errnum::kCannotCreateObject, progId);
    return component;
}

}  // namespace

std::string DocumentTooLargeText(std::uint64_t limit) {
    return "The XML document is refused: it is larger than the " + std::to_string(limit) +
           " bytes the configuration allows (MaxDocumentSize)";
}

std::string AddBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && !IsSeparator(result.back())) result += '/';
    return result;
}

std::string FileNameOfPath(std::string_view path) {
    auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    return std::string(last.base(), path.end());
}

std::string ResolveSchemaPath(const std::string& schemaPath) {
    if (FileExists(schemaPath)) return schemaPath;
    std::string slashed = schemaPath;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (FileExists(slashed)) return slashed;
    return LibraryFolder() + "/" + FileNameOfPath(schemaPath);
}

bool WriteXml(std::shared_ptr<ValueVector>& list, std::string& xml, const std::string& schemaPath,
              const std::string& rootName, std::string& errorText) {
    xml.clear();
    errorText.clear();
    std::string path = ResolveSchemaPath(schemaPath);
    std::string root = rootName;
    std::shared_ptr<XmlWriter> writer = CreateComponent<XmlWriter>(kXmlWriterProgId);
    std::shared_ptr<ValueVector> items = list;
    writer->OutputXMLString(items, xml, path, root, errorText);
    list = std::move(items);
    return errorText.empty();
}

namespace {

bool WithinSizeLimit(const std::string& xml, std::string& errorText) {
    const std::uint64_t limit = ThreadSettings().maxDocumentBytes;
    if (xml.size() <= limit) return true;
    errorText = DocumentTooLargeText(limit);
    return false;
}

}  // namespace

bool ReadXml(std::shared_ptr<ValueVector>& list, const std::string& xml, const std::string& schemaPath,
             const std::string& rootName, std::string& errorText) {
    errorText.clear();
    if (!WithinSizeLimit(xml, errorText)) {
        list = NewList();
        return false;
    }
    std::shared_ptr<XmlReader> reader = CreateComponent<XmlReader>(kXmlReaderProgId);
    std::string path = ResolveSchemaPath(schemaPath);
    std::string root = rootName;
    std::shared_ptr<ValueVector> items = list;
    reader->InputXMLString(items, xml, path, root, errorText);
    list = std::move(items);
    return errorText.empty();
}

bool ReadXmlItems(const std::string& xml, const std::string& schemaPath, const std::string& rootName,
                  std::string& errorText, const XmlReader::ItemHandler& each) {
    errorText.clear();
    if (!WithinSizeLimit(xml, errorText)) return false;
    std::shared_ptr<XmlReader> reader = CreateComponent<XmlReader>(kXmlReaderProgId);
    std::string path = ResolveSchemaPath(schemaPath);
    std::string root = rootName;
    reader->InputXMLItems(xml, path, root, errorText, each);
    return errorText.empty();
}

}  // namespace ovardx
