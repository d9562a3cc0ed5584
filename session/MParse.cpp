#include "session/MParse.h"

#include <memory>

#include "object_library/Text.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

namespace {

constexpr const char* kServicePackSql =
    "SELECT FValue FROM T_SYSTEMPROFILE WHERE FCategory='Base' AND FKey='ServicePack'";

thread_local PropertyCollection t_sessionProperties;
thread_local std::string t_servicePack;

// Only the space character is trimmed in property strings.
std::string TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

const std::pair<std::string, std::string>* PropertyCollection::Find(std::string_view key) const {
    for (const auto& entry : entries_)
        if (EqualsIgnoreCase(entry.first, key)) return &entry;
    return nullptr;
}

void PropertyCollection::Add(std::string key, std::string value) {
    if (Find(key) != nullptr)
        RaiseRuntime(errnum::kDuplicateKey, "the property string names the key '" + key + "' more than once");
    entries_.emplace_back(std::move(key), std::move(value));
}

const std::string& PropertyCollection::Get(std::string_view key) const {
    if (const auto* entry = Find(key)) return entry->second;
    RaiseRuntime(errnum::kInvalidProcedureCall,
                 "the property string has no key '" + std::string(key) + "'");
}

bool PropertyCollection::Contains(std::string_view key) const { return Find(key) != nullptr; }

PropertyCollection& SessionProperties() { return t_sessionProperties; }

const std::string& ServicePack() { return t_servicePack; }

std::string SplitFirst(std::string& text, std::string_view separator) noexcept {
    try {
        const auto at = text.find(separator);
        if (at == std::string::npos) {
            std::string head = std::move(text);
            text.clear();
            return head;
        }
        std::string head = text.substr(0, at);
        text.erase(0, at + separator.size());
        return head;
    } catch (...) {
        text.clear();
        return {};
    }
}

std::string ReadPropKey(std::string& text) { return TrimSpaces(SplitFirst(text, "=")); }

std::string ReadPropValue(std::string& text) {
    text = TrimSpaces(text);
    std::string value;
    if (!text.empty() && text.front() == '{') {
        text.erase(0, 1);
        value = SplitFirst(text, "}");
        // Whatever stands between the closing brace and the next ";" is lost.
        SplitFirst(text, ";");
    } else {
        value = SplitFirst(text, ";");
    }
    return TrimSpaces(value);
}

bool ParsePropsString(const std::string& strPropsString) {
    t_sessionProperties = PropertyCollection{};
    std::string rest = strPropsString;
    for (;;) {
        std::string key = ReadPropKey(rest);
        // The value is taken off before the key is tested.
        std::string value = ReadPropValue(rest);
        if (key.empty()) break;
        t_sessionProperties.Add(std::move(key), std::move(value));
    }
    GetPropValue("Setuptype");
    ReadServicePack();
    return true;
}

std::string GetPropValue(std::string_view key) { return t_sessionProperties.Get(key); }

std::string GetConnectString() { return GetPropValue("ConnectString"); }

std::int16_t GetUserID() {
    const std::string text = GetPropValue("UserID");
    try {
        return Variant(text).ToInt16();
    } catch (const Error& error) {
        const auto number = error.record().Number;
        if (number == errnum::kOverflow)
            RaiseRuntime(number, "the property 'UserID' value '" + text + "' lies outside -32768..32767");
        RaiseRuntime(number, "the property 'UserID' value '" + text + "' is not a number");
    }
}

std::string GetPropFromString(const std::string& strPropsString, const std::string& key) noexcept {
    std::string value;
    try {
        std::string text = strPropsString;
        if (text.empty() || text.back() != ';') text += ';';
        const std::string needle = key + "=";
        const auto at = FindNoCase(text, needle);
        if (at != std::string::npos) {
            std::string_view found = std::string_view(text).substr(at);
            found = found.substr(0, found.find(';'));
            if (found.size() > needle.size()) value = std::string(found.substr(needle.size()));
        }
        if (TrimSpaces(key) == "Language" && TrimSpaces(value).empty()) value = "chs";
    } catch (...) {
        // The lookup never fails; it answers what it has.
    }
    return value;
}

void ReadServicePack() {
    const std::string connectString = GetConnectString();
    const auto connection = ComponentRegistry::Create<DatabaseConnection>(kConnectionProgId);
    connection->ConnString(connectString);
    connection->HoldSnapshot();
    std::string sql = kServicePackSql;
    const std::shared_ptr<Recordset> rows = connection->GetAnyRecordSet(sql);
    if (!rows) RaiseRuntime(errnum::kObjectRequired, "the service pack query answered no recordset");
    if (rows->Eof()) return;
    const Variant value = rows->Value("FValue");
    if (value.IsNull())
        RaiseRuntime(errnum::kInvalidUseOfNull, "the service pack (T_SYSTEMPROFILE.FValue) is Null");
    t_servicePack = value.ToText();
}

}  // namespace ovardx
