// Pages through the receivable plan entries of an ERP database with the C++
// classes, as the web-service user (17), and says how many there were.
// Usage: plan_pages DATABASE
#include <cstdio>
#include <string>
#include <string_view>

#include <ovardx/clsArapPlan.h>

namespace {

long CountRecords(std::string_view xml) {
    long count = 0;
    for (auto at = xml.find("<Record>"); at != std::string_view::npos; at = xml.find("<Record>", at + 1)) ++count;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
        return 2;
    }
    std::string props = std::string("ConnectString={Provider=SQLite;Data Source=") + argv[1] +
                        "};UserID=17;Setuptype=standard;Language=eng";
    ovardx::clsArapPlan plan;
    std::string xml, timeStamp, maxTimeStamp, error;
    long records = 0, pages = 0;
    while (plan.Export(props, xml, 50, timeStamp, maxTimeStamp, error) && timeStamp != "0x0000000000000000") {
        records += CountRecords(xml);
        ++pages;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%ld plan entries in %ld pages\n", records, pages);
    return 0;
}
