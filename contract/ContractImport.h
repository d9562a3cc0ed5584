#pragma once

#include <cstdint>
#include <string>

#include "contract/ContractRecords.h"
#include "contract/ReferenceResolution.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx::contracts {

// The settings of a clsContract object that the import reads.
struct ContractImportSettings {
    bool checkByUuid = false;  // contracts and references looked up by UUID first
    bool addNewOnly = false;   // contracts that exist already are skipped
    std::int32_t systemType = 1;  // FSystemType of every saved header
};

// Reads the contract document xml against the schema (ReadXmlItems: the
// whole document is checked before the first record is handled) and hands
// its records, in order and one at a time, to ImportContract; after each
// record processes the thread's pending messages and calls progress
// (records done, records in the document). Answers false, with the reader's
// message in errorText, for a refused document; then nothing was saved. The
// first failing record raises its error unchanged: later records are not
// handled and no progress is reported for it.
bool ImportContractDocument(DatabaseConnection& connection, std::string& strPropsString, const std::string& xml,
                            const std::string& schemaPath, std::string& errorText,
                            const ContractImportSettings& settings, const ContractProgress& progress);

// One contract record: finds the existing contract (by "UUID" first with
// checkByUuid, then by "FRP" and "ContractNo"); with addNewOnly an existing
// contract is skipped and its id answered. Otherwise builds the header,
// entry and scheme records, resolving every reference, and answers what
// "Save" of a new "tessaCustomer.RPContractUpdate" component answers. When
// Save refuses a new contract because its number was taken meanwhile
// (kIntegrityViolation), the contract is looked up once more and skipped
// or updated as the settings say, so racing imports never save it twice.
// Every error, a failing contract lookup included, is raised.
std::int32_t ImportContract(DatabaseConnection& connection, ReferenceResolver& resolve, std::string& strPropsString,
                            const ValueDictionary& record, const ContractImportSettings& settings);

}  // namespace ovardx::contracts
