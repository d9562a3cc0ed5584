#include "tools/ovardx/serve/RequestParams.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <regex>

#include "tools/ovardx/serve/PropsString.h"

namespace ovardx::serve {

namespace {

constexpr std::size_t kMaxValue = 256;

bool ContainsIgnoreCase(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return (a | 0x20) == (b | 0x20);
           }) != text.end();
}

// yyyy-m-d or yyyy-mm-dd, and a day the calendar has.
bool IsDate(const std::string& text) {
    static const std::regex kDate(R"((\d{4})-(\d{1,2})-(\d{1,2}))");
    std::smatch parts;
    if (!std::regex_match(text, parts, kDate)) return false;
    const std::chrono::year_month_day day{std::chrono::year{std::stoi(parts[1])},
                                          std::chrono::month{static_cast<unsigned>(std::stoi(parts[2]))},
                                          std::chrono::day{static_cast<unsigned>(std::stoi(parts[3]))}};
    return day.ok();
}

}  // namespace

RequestParams::RequestParams(const std::multimap<std::string, std::string>& params,
                             std::initializer_list<std::string_view> allowed) {
    for (const auto& [name, value] : params) {
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            throw BadRequest("unknown query parameter '" + name.substr(0, 64) + "'");
        if (!values_.emplace(name, value).second) throw BadRequest("query parameter '" + name + "' is given twice");
        if (value.size() > kMaxValue) throw BadRequest("query parameter '" + name + "' is too long");
        if (std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            throw BadRequest("query parameter '" + name + "' holds a control character");
    }
}

std::string RequestParams::Text(std::string_view name, std::string fallback) const {
    const auto found = values_.find(name);
    return found == values_.end() ? std::move(fallback) : found->second;
}

std::int64_t RequestParams::Number(std::string_view name, std::int64_t low, std::int64_t high,
                                   std::int64_t fallback) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return fallback;
    const std::string& text = found->second;
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || number < low || number > high)
        throw BadRequest(std::string(name) + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    return number;
}

bool RequestParams::Flag(std::string_view name, bool fallback) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return fallback;
    if (found->second == "1" || found->second == "true") return true;
    if (found->second == "0" || found->second == "false") return false;
    throw BadRequest(std::string(name) + " must be 1, 0, true or false");
}

std::string TimeStampParam(const RequestParams& params) {
    static const std::regex kTimeStamp("0x[0-9A-Fa-f]{1,16}");
    std::string text = params.Text("timestamp");
    if (!text.empty() && !std::regex_match(text, kTimeStamp))
        throw BadRequest("timestamp must be empty or 0x with 1 to 16 hexadecimal digits");
    return text;
}

std::string PlanFilterText(const RequestParams& params, const std::string& operatorTsql) {
    struct Criterion {
        std::string_view param;
        std::string_view key;
        bool date;
    };
    static constexpr Criterion kCriteria[] = {{"uuid", "UUID", false},       {"number", "Number", false},
                                              {"name", "Name", false},       {"date-from", "DateFrom", true},
                                              {"date-to", "DateTo", true}};
    std::string filter;
    for (const Criterion& criterion : kCriteria) {
        if (!params.Has(criterion.param)) continue;
        const std::string value = params.Text(criterion.param);
        if (value.find('|') != std::string::npos || ContainsIgnoreCase(value, "tsql"))
            throw BadRequest(std::string(criterion.param) + " must hold neither '|' nor 'TSql'");
        if (criterion.date && !IsDate(value))
            throw BadRequest(std::string(criterion.param) + " must be a date yyyy-mm-dd");
        if (value.empty()) continue;
        filter += (filter.empty() ? "" : "||") + std::string(criterion.key) + "=" + value;
    }
    if (!operatorTsql.empty()) filter += (filter.empty() ? "" : "||") + std::string("TSql=") + operatorTsql;
    return filter;
}

std::string LanguageParam(const RequestParams& params, const std::string& keyLanguage) {
    if (!params.Has("language")) return keyLanguage;
    std::string language = params.Text("language");
    if (!IsLanguage(language)) throw BadRequest("language must be two to eight letters, such as chs, cht or eng");
    return language;
}

}  // namespace ovardx::serve
