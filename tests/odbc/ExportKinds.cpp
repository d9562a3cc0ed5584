#include "tests/odbc/ExportKinds.h"

#include "ovardx/clsArapPlan.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "ovardx/clsReceiveBill.h"

namespace ovardx::testing {

const std::vector<ExportKind>& ExportKinds() {
    static const std::vector<ExportKind> kinds = [] {
        std::vector<ExportKind> all;
        all.push_back({"plan", [](std::string props, int perCount, const std::string& timeStamp) {
                           Page page;
                           page.timeStamp = timeStamp;
                           clsArapPlan plan;
                           page.answered = plan.Export(props, page.xml, perCount, page.timeStamp, page.maxTimeStamp,
                                                       page.error);
                           return page;
                       }});
        for (const std::int16_t pre : {0, 1}) {
            all.push_back({pre == 0 ? "receive-bills" : "advance-receipts",
                           [pre](std::string props, int perCount, const std::string& timeStamp) {
                               Page page;
                               page.timeStamp = timeStamp;
                               clsReceiveBill bill;
                               page.answered = bill.Export(props, page.xml, pre, perCount, page.timeStamp,
                                                           page.maxTimeStamp, page.error);
                               return page;
                           }});
        }
        all.push_back({"contracts", [](std::string props, int perCount, const std::string& timeStamp) {
                           Page page;
                           page.timeStamp = timeStamp;
                           clsContract contracts;
                           page.answered = contracts.Export(props, page.xml, 1, perCount, page.timeStamp,
                                                            page.maxTimeStamp, page.error);
                           return page;
                       }});
        for (const std::int16_t billType : {1, 2, 3}) {
            all.push_back({"deletions-" + std::to_string(billType),
                           [billType](std::string props, int perCount, const std::string& timeStamp) {
                               Page page;
                               page.timeStamp = timeStamp;
                               clsDataKey keys;
                               page.answered = keys.ExportXMLDataKey(props, billType, page.xml, perCount,
                                                                     page.timeStamp, page.maxTimeStamp, page.error);
                               return page;
                           }});
        }
        return all;
    }();
    return kinds;
}

std::vector<Page> AllPages(const ExportKind& kind, const std::string& props, int perCount) {
    std::vector<Page> pages;
    std::string timeStamp;
    // A bound that never moves would page forever; no demo export has this many pages.
    for (int guard = 0; guard < 10000; ++guard) {
        pages.push_back(kind.call(props, perCount, timeStamp));
        const Page& page = pages.back();
        if (!page.answered || page.timeStamp == "0x0000000000000000" || page.timeStamp == timeStamp) break;
        timeStamp = page.timeStamp;
    }
    return pages;
}

}  // namespace ovardx::testing
