#pragma once

#include <cstdint>
#include <string>

namespace ovardx::serve {

// The library's calls as the service makes them: each creates its own
// library object on the calling thread, makes one call and answers what the
// call answered. Nothing here throws.

struct Page {
    bool ok = false;
    std::string xml;
    std::string timeStamp;     // on failure, what was passed in
    std::string maxTimeStamp;
    std::string error;
};

Page ExportPlan(const std::string& props, const std::string& filter, std::int32_t perCount,
                const std::string& timeStamp);
Page ExportBills(const std::string& props, const std::string& filter, std::int16_t pre, std::int32_t perCount,
                 const std::string& timeStamp);
Page ExportContracts(const std::string& props, const std::string& filter, std::int16_t rp, std::int32_t perCount,
                     const std::string& timeStamp);
Page ExportDeletions(const std::string& props, std::int16_t billType, std::int32_t perCount,
                     const std::string& timeStamp);

struct ImportResult {
    bool ok = false;
    std::string error;
    int records = -1;  // records in the document, when the import got that far
    int handled = 0;   // records saved or skipped
    int saved = 0;     // contracts saved
    int deleted = 0;   // documents deleted
};

struct ContractImportOptions {
    bool checkByUuid = false;
    bool addNewOnly = false;
    std::int32_t systemType = 1;
};

ImportResult ImportContracts(const std::string& props, const std::string& xml, const ContractImportOptions& options);
ImportResult ImportDeletions(const std::string& props, std::int16_t billType, const std::string& xml);

// What the library's access gate says about the user of props, learnt from
// a call that changes nothing (a deletion import of an empty document).
struct GateVerdict {
    enum class Kind { Admitted, Refused, Failed } kind = Kind::Failed;
    std::string text;  // the refusal, or the error text
};
GateVerdict ProbeGate(const std::string& props);

// Whether the database answers: reads its service pack row through the
// library's connection component. Answers the error text, empty when fine.
std::string CheckDatabase(const std::string& connectString);

// Whether text is the library's three-line error text ("Error number:...",
// "Error source:...", "Error description:...", in any catalog language,
// lines ending in CR LF).
bool IsThreeLineError(const std::string& text);

// Whether text says the database stayed locked past its busy timeout.
bool IsBusyError(const std::string& text);

}  // namespace ovardx::serve
