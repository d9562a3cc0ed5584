#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ovardx::testing {

// One page of one export, as a host calls it.
struct Page {
    bool answered = false;
    std::string xml, timeStamp, maxTimeStamp, error;
};

// An export kind of the library, called with a property string, a page size
// and the bound to continue from, on a fresh object each call.
struct ExportKind {
    std::string name;
    std::function<Page(std::string props, int perCount, const std::string& timeStamp)> call;
};

// Plan entries, receive bills, advance receipts, receivable contracts and
// the three kinds of deletion keys.
const std::vector<ExportKind>& ExportKinds();

// Every page of one export from the start until the bound comes back zero
// (or a call fails, which ends the list with that page).
std::vector<Page> AllPages(const ExportKind& kind, const std::string& props, int perCount);

}  // namespace ovardx::testing
