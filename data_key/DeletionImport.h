#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

// Deletes the document that one key names, through the ERP's business
// component for the change type: a contract through "Delete" of
// "tessaCustomer.RPContractUpdate", a receive bill or advance receipt
// through "DeleteReceiveBill" of "tessaBill.NewBillUpdate". The key's
// "UUID" (empty text when absent or null) is looked up on connection; when
// several documents carry it, the first row found is deleted. Answers the
// id of the document found, 0 when none (nothing is deleted then). A key
// whose UUID is absent, null or blank deletes nothing and raises
// 0x800400C8 "OVArDataExchange.clsDataKey" with the localized
// "删除关键字没有 UUID!", so it is reported as a failed key. The component
// lives for this call only. Every failure is raised.
std::int32_t ApplyDeletion(DatabaseConnection& connection, std::string& strPropsString, const Variant& key,
                           std::int16_t changeType);

// Reads the "Delete" document xml against the schema (ReadXmlItems: the
// whole document is checked before the first key is applied) and applies
// its keys in order, one at a time. Answers false, with the reader's
// message in errorText, for a refused document; then nothing was deleted.
// A key that fails does not stop the others; once all were tried, the
// first failure is raised again, its description followed by " (UUID: "
// and the UUIDs of all failed keys joined by ", " and ")". Without a change
// type (an unsupported deletion type) the first key raises the refusal
// (0x800400C8, "OVArDataExchange.clsDataKey", the localized
// "不支持不识别删除关键字的导入导出!") and no key is applied; a document
// without keys is no error.
bool ApplyDeletionDocument(DatabaseConnection& connection, std::string& strPropsString, const std::string& xml,
                           const std::string& schemaPath, std::string& errorText,
                           std::optional<std::int16_t> changeType);

}  // namespace ovardx
