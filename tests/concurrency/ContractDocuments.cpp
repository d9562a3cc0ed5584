#include "tests/concurrency/ContractDocuments.h"

#include <cstdio>
#include <regex>
#include <stdexcept>

#include "ovardx/clsContract.h"

namespace ovardx::testing {

std::string NewContractsDocument(const std::string& props, const std::vector<std::string>& numbers) {
    clsContract contract;
    std::string properties = props, xml, timeStamp, maxTimeStamp, error;
    if (!contract.Export(properties, xml, 1, 1, timeStamp, maxTimeStamp, error)) throw std::runtime_error(error);
    const std::size_t first = xml.find("<Record>");
    const std::size_t end = xml.rfind("</Contract>");
    if (first == std::string::npos || end == std::string::npos) throw std::runtime_error("no contract to copy");
    // The contract's own UUID is the first UUID element of the record.
    const std::string record = std::regex_replace(xml.substr(first, end - first), std::regex("<UUID>[^<]*</UUID>|<UUID/>"),
                                                  "", std::regex_constants::format_first_only);
    const std::regex number("<ContractNo>[^<]*</ContractNo>");
    std::string document = xml.substr(0, first);
    for (const std::string& each : numbers)
        document += std::regex_replace(record, number, "<ContractNo>" + each + "</ContractNo>");
    return document + xml.substr(end);
}

std::vector<std::string> Numbers(const std::string& prefix, int count) {
    std::vector<std::string> numbers;
    for (int i = 1; i <= count; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%03d", i);
        numbers.push_back(prefix + suffix);
    }
    return numbers;
}

}  // namespace ovardx::testing
