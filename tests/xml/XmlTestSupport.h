#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "ovardx/ValueDictionary.h"
#include "xml/LibxmlComponents.h"

namespace ovardx::xmltest {

// A record built from key/value pairs, in the given key order.
std::shared_ptr<ValueDictionary> Rec(std::initializer_list<std::pair<const char*, Variant>> entries);
// A list of the given items.
std::shared_ptr<ValueVector> ListOf(std::initializer_list<Variant> items);
// A reference record: Number, Name, UUID.
std::shared_ptr<ValueDictionary> Ref(Variant number, Variant name, Variant uuid);

std::string SchemaPath(const std::string& fileName);   // in the source tree's schema folder
std::string FixturePath(const std::string& fileName);  // in tests/xml/fixtures
std::string ReadTextFile(const std::string& path);
void WriteTextFile(const std::string& path, const std::string& text);

struct Written {
    std::string xml;
    std::string error;
};
struct Read {
    std::shared_ptr<ValueVector> list;
    std::string error;
};
// Runs the writer / reader component directly.
Written WriteDocument(std::shared_ptr<ValueVector> list, std::string schemaPath, std::string rootName);
Read ReadDocument(std::string xml, std::string schemaPath, std::string rootName);

// The list as the reader gives it back: plain values as their document text.
std::shared_ptr<ValueVector> AsReadBack(const ValueVector& list);

// One sample list per document kind, covering every key, nulls, empty texts,
// nested records and lists.
struct SampleDocument {
    const char* schemaFile;
    const char* rootName;
    const char* fixtureFile;
    std::shared_ptr<ValueVector> (*build)();
};
std::shared_ptr<ValueVector> PlanSample();
std::shared_ptr<ValueVector> ReceiveBillSample();
std::shared_ptr<ValueVector> ContractSample();
std::shared_ptr<ValueVector> DeleteSample();
inline constexpr SampleDocument kSamples[] = {
    {"ArApPlan.xsd", "ArApPlan", "ArApPlan.xml", PlanSample},
    {"ReceiveBill.xsd", "ReceiveBill", "ReceiveBill.xml", ReceiveBillSample},
    {"ArContract.xsd", "Contract", "ArContract.xml", ContractSample},
    {"Delete.xsd", "Delete", "Delete.xml", DeleteSample},
};

}  // namespace ovardx::xmltest
